#!/bin/sh
# usage: install_test.sh CMAKE BUILD_DIR PREFIX
set -eu
cmake=$1 build=$2 prefix=$3
dest=$(mktemp -d /tmp/vigil-install-XXXXXX)
trap 'rm -rf "$dest"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

DESTDIR=$dest "$cmake" --install "$build" --component daemon >/dev/null
dir=$dest/usr/local/vigil20
[ -x "$dir/vigil20" ] || fail "no program in $dir"
[ -f "$dir/vigil20.conf" ] || fail "no sample configuration"
[ "$(wc -l < "$dir/vigil20.conf")" -eq 18 ] || fail "the sample configuration is not 18 lines"
# It will hold the network's key: root's alone.
[ "$(stat -c %a "$dir/vigil20.conf")" = 600 ] || fail "the sample configuration is not mode 0600"
[ -f "$dest$prefix/lib/systemd/system/vigil20.service" ] || fail "no systemd unit"
grep -q '^ExecStop=/usr/local/vigil20/vigil20 stop$' "$dest$prefix/lib/systemd/system/vigil20.service" || fail "unit does not stop with 'vigil20 stop'"
grep -q '^Restart=on-failure$' "$dest$prefix/lib/systemd/system/vigil20.service" || fail "unit does not restart a daemon that died"
[ -f "$dest$prefix/share/man/man8/vigil20.8" ] || fail "no manual page"

echo "edited by the administrator" > "$dir/vigil20.conf"
DESTDIR=$dest "$cmake" --install "$build" --component daemon >/dev/null
[ "$(cat "$dir/vigil20.conf")" = "edited by the administrator" ] || fail "the configuration was overwritten"
echo "install_test: ok"
