#!/usr/bin/env bash
# Makes the Debian package of the Linux daemon from a build tree:
#   make-debs.sh BUILD_DIR VERSION OUT_DIR
# The package puts the program and the sample settings where Debian wants
# them; its maintainer scripts lay out the daemon's fixed directory.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)
build=$1 version=$2 out=$3
mkdir -p "$out"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

# Debian's fixed parts of every package: copyright and a changelog.
docs() { # PACKAGE ROOT
  mkdir -p "$2/usr/share/doc/$1"
  install -m 0644 "$here/copyright" "$2/usr/share/doc/$1/copyright"
  sed -e "s/@PACKAGE@/$1/" -e "s/@VERSION@/$version/" "$here/changelog.in" | gzip -9n >"$2/usr/share/doc/$1/changelog.gz"
  chmod 0644 "$2/usr/share/doc/$1/changelog.gz"
}
control() { # PACKAGE ROOT
  mkdir -p "$2/DEBIAN"
  local size
  size=$(du -sk --exclude=DEBIAN "$2" | cut -f1)
  sed -e "s/@VERSION@/$version/" -e "s/@SIZE@/$size/" "$here/$1.control" >"$2/DEBIAN/control"
  for script in postinst prerm postrm; do
    [ -f "$here/$1.$script" ] && install -m 0755 "$here/$1.$script" "$2/DEBIAN/$script"
  done
  return 0
}
overrides() { # PACKAGE ROOT
  install -D -m 0644 "$here/$1.lintian-overrides" "$2/usr/share/lintian/overrides/$1"
}
manpage() { # SOURCE ROOT SECTION
  mkdir -p "$2/usr/share/man/man$3"
  gzip -9n <"$1" >"$2/usr/share/man/man$3/$(basename "$1").gz"
  chmod 0644 "$2/usr/share/man/man$3/$(basename "$1").gz"
}

# vigil20: the daemon.
root=$stage/vigil20
install -D -m 0755 "$build/linux/vigil20" "$root/usr/sbin/vigil20"
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$root/usr/sbin/vigil20"
install -D -m 0644 "$source/linux/dist/vigil20.conf" "$root/usr/share/vigil20/vigil20.conf.sample"
install -d "$root/lib/systemd/system"
# The unit starts the program where the package put it; the daemon's own
# files stay in its fixed directory.
sed 's|/usr/local/vigil20/vigil20|/usr/sbin/vigil20|' "$source/linux/dist/vigil20.service" >"$root/lib/systemd/system/vigil20.service"
chmod 0644 "$root/lib/systemd/system/vigil20.service"
manpage "$source/linux/dist/vigil20.8" "$root" 8
docs vigil20 "$root"
overrides vigil20 "$root"
control vigil20 "$root"
dpkg-deb --root-owner-group -Zxz --build "$root" "$out/vigil20_${version}_amd64.deb" >/dev/null
echo "$out/vigil20_${version}_amd64.deb"
