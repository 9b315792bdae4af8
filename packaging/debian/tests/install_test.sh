#!/usr/bin/env bash
# The Debian packages installed for real, in a throwaway root: an overlay
# of / in private namespaces (mount, PID, IPC, network, host name), so that
# this machine's own root, dpkg database and /usr/local/vigil20 are left as
# they were. The daemon's package: installs, runs the daemon on the
# simulator from the installed paths, upgrades over an edited configuration,
# purges. The gateways' package beside it: installed, its two programs run
# from their installed places, upgraded over edited settings, purged
# without touching the daemon's. The suite's package, which conflicts with
# the daemon's: the upgrade from 2.0.0 (whose suite carried vigil-nut) to
# the suite and the gateways side by side, then upgraded, removed and
# purged without touching the gateways' files. lintian on the three.
#   install_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source=$1 build=$2

# The last release whose vigil-suite carried vigil-nut, which vigil-gateway
# now holds (its control file's Replaces and Breaks).
legacy=2.0.0

# legacy_suite VERSION OUT_DIR: the suite as it was then, this build's suite
# with vigil-nut's program, unit, settings and manual page put back in.
legacy_suite() {
  local version=$1 out=$2 tree
  "$source/packaging/debian/make-debs.sh" "$build" "$version" "$out" vigil-suite >/dev/null
  tree=$(mktemp -d)
  dpkg-deb -R "$out/vigil-suite_${version}_amd64.deb" "$tree"
  install -m 0755 "$build/tools/vigil_nut/vigil-nut" "$tree/usr/bin/vigil-nut"
  sed 's|@CMAKE_INSTALL_PREFIX@|/usr|' "$source/tools/vigil_nut/dist/vigil-nut.service" >"$tree/lib/systemd/system/vigil-nut.service"
  install -m 0600 "$source/tools/vigil_nut/dist/vigil-nut.conf" "$tree/etc/vigil20/vigil-nut.conf"
  gzip -9n <"$source/tools/vigil_nut/dist/vigil-nut.8" >"$tree/usr/share/man/man8/vigil-nut.8.gz"
  echo /etc/vigil20/vigil-nut.conf >>"$tree/DEBIAN/conffiles"
  sed -i '/^Recommends: vigil-gateway$/d' "$tree/DEBIAN/control"
  dpkg-deb --root-owner-group -Zxz --build "$tree" "$out/vigil-suite_${version}_amd64.deb" >/dev/null
  rm -rf "$tree"
}

if [ "${VIGIL_IN_NAMESPACE:-}" != 1 ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  version=$(cat "$source/VERSION")
  "$source/packaging/debian/make-debs.sh" "$build" "$version" "$work/old" vigil20 vigil-suite vigil-gateway >/dev/null
  "$source/packaging/debian/make-debs.sh" "$build" "$version+1" "$work/new" vigil20 vigil-suite vigil-gateway >/dev/null
  legacy_suite "$legacy" "$work/legacy"
  echo "-- lintian"
  # Its note on running as root is no finding; any error or warning is.
  status=0
  findings=$(lintian --fail-on error,warning "$work/old/vigil20_${version}_amd64.deb" \
    "$work/old/vigil-suite_${version}_amd64.deb" "$work/old/vigil-gateway_${version}_amd64.deb" 2>&1) || status=$?
  findings=$(grep -v 'running with root privileges' <<<"$findings" || true)
  [ -z "$findings" ] || echo "$findings"
  [ "$status" -eq 0 ] || { echo "install_test: lintian failed ($status)" >&2; exit 1; }
  VIGIL_IN_NAMESPACE=1 VIGIL_WORK=$work VIGIL_VERSION=$version \
    unshare --mount --propagation private --pid --fork --ipc --net --uts "$0" "$@"
  echo "install_test: passed"
  exit 0
fi

fail() { echo "install_test: $*" >&2; exit 1; }
work=$VIGIL_WORK version=$VIGIL_VERSION

# The overlay's layers live on a tmpfs of their own: upper and work
# directories inside the lower layer's file system are refused.
layers=$work/layers
mkdir -p "$layers"
mount -t tmpfs tmpfs "$layers"
mkdir -p "$layers/upper" "$layers/work" "$layers/root"
mount -t overlay overlay -o "lowerdir=/,upperdir=$layers/upper,workdir=$layers/work" "$layers/root"
root=$layers/root
mount -t proc proc "$root/proc"
mount -t tmpfs tmpfs "$root/tmp"
# No systemd inside: the maintainer scripts leave the service manager alone.
mount -t tmpfs tmpfs "$root/run"
# A /dev with only the harmless devices: no serial ports.
mount -t tmpfs tmpfs "$root/dev"
for device in null zero random urandom; do
  touch "$root/dev/$device"
  mount --bind "/dev/$device" "$root/dev/$device"
done
mkdir "$root/dev/shm"
mount -t tmpfs tmpfs "$root/dev/shm"
cp "$work/old/"*.deb "$work/new/"*.deb "$work/legacy/"*.deb "$root/tmp/"
ip link set lo up 2>/dev/null || true

in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"; }
# dpkg keeps a record of a package that another one names (Breaks,
# Replaces) after its purge: only its state tells whether it is there.
known() { [ "$(in_root dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" != not-installed ] && in_root dpkg-query -W "$1" >/dev/null 2>&1; }

# What a hand install or a hand run left on this machine (the daemon's
# directory, the suite's host root, vigil-web's history, their settings) is
# not the packages': the overlay starts without it (the machine's own copy
# is not touched), so that every check below sees only what the packages do.
in_root rm -rf /usr/local/vigil20 /var/lib/vigil20 /etc/vigil20

echo "-- install $version"
in_root dpkg -i "/tmp/vigil20_${version}_amd64.deb" >/dev/null
for file in /usr/sbin/vigil20 /lib/systemd/system/vigil20.service /usr/share/man/man8/vigil20.8.gz \
  /usr/share/vigil20/vigil20.conf.sample /usr/share/doc/vigil20/copyright; do
  [ -f "$root$file" ] || fail "$file is not installed"
done
[ "$(readlink "$root/usr/local/vigil20/vigil20")" = /usr/sbin/vigil20 ] || fail "/usr/local/vigil20/vigil20 is not the program's link"
cmp -s "$root/usr/share/vigil20/vigil20.conf.sample" "$root/usr/local/vigil20/vigil20.conf" || fail "the settings are not the sample's"
[ "$(stat -c %a "$root/usr/local/vigil20/vigil20.conf")" = 600 ] || fail "the settings are readable by others"
grep -qx 'ExecStart=/usr/sbin/vigil20' "$root/lib/systemd/system/vigil20.service" || fail "the unit does not start the installed program"

# The user's edit: no power-off at the end of the autonomy or on a critical
# battery (lines 3 and 4), and a station name of their own (line 10).
conf=$root/usr/local/vigil20/vigil20.conf
sed -i -e '3s/= sim$/= nao/' -e '4s/= sim$/= nao/' -e '10s/= localhost$/= sala-dos-servidores/' "$conf"
cp "$conf" "$work/edited.conf"
grep -q 'sala-dos-servidores' "$work/edited.conf" || fail "the edit did not apply"

echo "-- the installed daemon on the simulator"
echo "DSR CTS" >"$root/tmp/lines"
in_root env VIGIL20_SIMLINES=/tmp/lines /usr/local/vigil20/vigil20 || fail "the daemon did not start"
echo "CTS" >"$root/tmp/lines"
for _ in $(seq 100); do
  in_root /usr/local/vigil20/vigil20 log 2>/dev/null | grep -q 'Falta de Rede' && break
  sleep 0.2
done
log=$(in_root /usr/local/vigil20/vigil20 log)
grep -q 'Falta de Rede' <<<"$log" || fail "no mains failure in the log: $log"
in_root /usr/local/vigil20/vigil20 stop || fail "the daemon did not stop"
[ -f "$root/usr/local/vigil20/vigil20.log" ] || fail "no log in the fixed directory"

echo "-- upgrade to $version+1"
in_root dpkg -i "/tmp/vigil20_${version}+1_amd64.deb" >/dev/null
[ "$(in_root dpkg-query -W -f='${Version}' vigil20)" = "$version+1" ] || fail "the upgrade did not happen"
cmp -s "$work/edited.conf" "$conf" || fail "the upgrade changed the user's settings"
[ "$(readlink "$root/usr/local/vigil20/vigil20")" = /usr/sbin/vigil20 ] || fail "the program's link is gone after the upgrade"

# The gateways' files, as installed.
gateway_files=(/usr/bin/vigil-nut /usr/bin/vigil-web /lib/systemd/system/vigil-nut.service /lib/systemd/system/vigil-web.service
  /etc/vigil20/vigil-nut.conf /etc/vigil20/vigil-web.conf /usr/share/man/man8/vigil-nut.8.gz /usr/share/man/man8/vigil-web.8.gz
  /usr/share/doc/vigil-gateway/copyright /usr/share/doc/vigil-gateway/examples/prometheus/grafana-dashboard.json)
check_gateway_files() {
  local file
  for file in "${gateway_files[@]}"; do
    [ -f "$root$file" ] || fail "$file is not installed"
  done
  [ "$(in_root dpkg-query -S /usr/bin/vigil-nut)" = "vigil-gateway: /usr/bin/vigil-nut" ] || fail "vigil-nut is not vigil-gateway's"
  for file in vigil-nut vigil-web; do
    [ "$(stat -c %a "$root/etc/vigil20/$file.conf")" = 600 ] || fail "$file.conf is readable by others"
    grep -qx "ExecStart=/usr/bin/$file -c /etc/vigil20/$file.conf" "$root/lib/systemd/system/$file.service" ||
      fail "$file's unit does not start the installed program with its settings"
    missing=$(in_root ldd "/usr/bin/$file" 2>&1 | grep 'not found' || true)
    [ -z "$missing" ] || fail "/usr/bin/$file: $missing"
  done
}

# The installed gateways started from their units' command lines with the
# packaged settings: vigil-nut answers upsc, vigil-web its metrics; then
# they stop. vigil-web's files as its unit leaves them: its state folder
# made for it, the rest of /var/lib/vigil20 read-only.
run_gateways() {
  # Started straight from here, not through in_root, so that $! is the
  # program itself.
  chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin /usr/bin/vigil-nut -c /etc/vigil20/vigil-nut.conf \
    >"$root/tmp/vigil-nut.log" 2>&1 &
  local nut=$!
  local lib=$root/var/lib/vigil20
  mkdir -p "$lib/web"
  mount --bind "$lib" "$lib" && mount -o remount,bind,ro "$lib" && mount --bind "$lib/web" "$lib/web"
  chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin /usr/bin/vigil-web -c /etc/vigil20/vigil-web.conf \
    >"$root/tmp/vigil-web.log" 2>&1 &
  local web=$! answered=""
  for _ in $(seq 50); do
    in_root upsc -l 127.0.0.1 >/dev/null 2>&1 && answered=1 && break
    sleep 0.1
  done
  [ -n "$answered" ] || fail "the installed vigil-nut did not answer upsc: $(cat "$root/tmp/vigil-nut.log")"
  local metrics=""
  for _ in $(seq 100); do
    metrics=$(in_root bash -c 'exec 3<>/dev/tcp/127.0.0.1/2648 && printf "GET /metrics HTTP/1.0\r\n\r\n" >&3 && cat <&3' 2>/dev/null) &&
      grep -q '^HTTP/1.[01] 200' <<<"$metrics" && break
    sleep 0.1
  done
  grep -q '^HTTP/1.[01] 200' <<<"$metrics" ||
    fail "the installed vigil-web did not answer /metrics: '$(head -c 300 <<<"$metrics")'; its log: $(cat "$root/tmp/vigil-web.log")"
  grep -q '^# TYPE network_ups_tools_ups_status gauge' <<<"$metrics" || fail "vigil-web's metrics are not there: $metrics"
  kill "$nut" "$web"
  wait "$nut" "$web" 2>/dev/null || true
  umount "$lib/web" "$lib"
  # Nothing left answering, so that the next run sees only its own.
  ! in_root upsc -l 127.0.0.1 >/dev/null 2>&1 || fail "a vigil-nut is left running"
}

echo "-- the gateways beside the daemon"
in_root dpkg -i "/tmp/vigil-gateway_${version}_amd64.deb" >/dev/null
check_gateway_files
# The Prometheus examples, whole: their rules pass their own tests there.
in_root sh -c 'cd /usr/share/doc/vigil-gateway/examples/prometheus && promtool test rules vigil-alerts.test.yml' >/dev/null ||
  fail "the installed alert rules fail their tests"
run_gateways
# The user's settings: a user for upsmon, a client network for the page.
echo 'USER monuser "uma senha longa"' >>"$root/etc/vigil20/vigil-nut.conf"
echo 'ALLOW 192.168.0.0/16' >>"$root/etc/vigil20/vigil-web.conf"
cp "$root/etc/vigil20/vigil-nut.conf" "$work/edited-nut.conf"
cp "$root/etc/vigil20/vigil-web.conf" "$work/edited-web.conf"
in_root dpkg -i "/tmp/vigil-gateway_${version}+1_amd64.deb" >/dev/null
[ "$(in_root dpkg-query -W -f='${Version}' vigil-gateway)" = "$version+1" ] || fail "the gateways' upgrade did not happen"
cmp -s "$work/edited-nut.conf" "$root/etc/vigil20/vigil-nut.conf" || fail "the upgrade changed the user's vigil-nut.conf"
cmp -s "$work/edited-web.conf" "$root/etc/vigil20/vigil-web.conf" || fail "the upgrade changed the user's vigil-web.conf"
in_root dpkg --purge vigil-gateway >/dev/null
for path in "${gateway_files[@]}" /usr/share/doc/vigil-gateway /var/lib/vigil20 /etc/vigil20; do
  [ ! -e "$root$path" ] || fail "$path is left after the gateways' purge"
done
known vigil-gateway && fail "dpkg still knows the gateways"
for path in /usr/sbin/vigil20 /usr/local/vigil20/vigil20.conf; do
  [ -e "$root$path" ] || fail "the gateways' purge took the daemon's $path"
done

echo "-- purge"
in_root dpkg --purge vigil20 >/dev/null
for path in /usr/local/vigil20 /usr/sbin/vigil20 /usr/share/vigil20 /usr/share/doc/vigil20 \
  /lib/systemd/system/vigil20.service /usr/share/man/man8/vigil20.8.gz /var/lib/dpkg/info/vigil20.list; do
  [ ! -e "$root$path" ] || fail "$path is left after the purge"
done
known vigil20 && fail "dpkg still knows the package"

echo "-- the suite conflicts with the daemon"
in_root dpkg -i "/tmp/vigil20_${version}_amd64.deb" >/dev/null
in_root dpkg -i "/tmp/vigil-suite_${version}_amd64.deb" >/dev/null 2>&1 && fail "the suite installed beside the daemon"
in_root dpkg --purge vigil20 >/dev/null

echo "-- from the suite $legacy, which carried vigil-nut, to the suite and the gateways $version"
in_root rm -rf /var/lib/vigil20 /etc/vigil20
in_root dpkg -i "/tmp/vigil-suite_${legacy}_amd64.deb" >/dev/null
[ "$(in_root dpkg-query -S /usr/bin/vigil-nut)" = "vigil-suite: /usr/bin/vigil-nut" ] || fail "the suite $legacy does not hold vigil-nut"
echo 'USER monuser "uma senha longa"' >>"$root/etc/vigil20/vigil-nut.conf"
cp "$root/etc/vigil20/vigil-nut.conf" "$work/edited-nut.conf"
# Alone, the gateways would take the files of a suite that still lists them.
in_root dpkg -i "/tmp/vigil-gateway_${version}_amd64.deb" >/dev/null 2>&1 && fail "the gateways installed beside the suite $legacy"
known vigil-gateway && fail "the refused gateways are installed"
[ "$(in_root dpkg-query -S /usr/bin/vigil-nut)" = "vigil-suite: /usr/bin/vigil-nut" ] || fail "the refused gateways took vigil-nut"
# Both at once, the gateways first: the suite is deconfigured, as apt lets
# dpkg do, and the gateways take vigil-nut's files while the suite still
# lists them (the order that needs Replaces as well as Breaks).
in_root dpkg --auto-deconfigure -i "/tmp/vigil-gateway_${version}_amd64.deb" "/tmp/vigil-suite_${version}_amd64.deb" \
  </dev/null >/dev/null || fail "the upgrade from the suite $legacy failed"
[ "$(in_root dpkg-query -W -f='${Version} ${Status}' vigil-suite)" = "$version install ok installed" ] || fail "the suite was not upgraded"
[ "$(in_root dpkg-query -W -f='${Version} ${Status}' vigil-gateway)" = "$version install ok installed" ] || fail "the gateways were not installed"
in_root dpkg-query -L vigil-suite | grep -q vigil-nut && fail "the suite still lists vigil-nut's files"
cmp -s "$work/edited-nut.conf" "$root/etc/vigil20/vigil-nut.conf" || fail "the upgrade changed the user's vigil-nut.conf"
in_root dpkg-query -W -f='${Conffiles}\n' vigil-gateway | grep -q '/etc/vigil20/vigil-nut.conf' || fail "vigil-nut.conf is no conffile of the gateways"

echo "-- the suite $version beside the gateways"
for file in /usr/bin/alerter /usr/bin/vigil-snmp /usr/bin/vigil-control /usr/bin/vigil20s \
  /usr/bin/vigil-reg /usr/bin/vigil-lines /usr/lib/vigil20/libLineTap.so /usr/lib/vigil20/libVigilAgent20.so \
  /usr/lib/vigil20/Vigil20.cpl /lib/systemd/system/alerter.service /lib/systemd/system/vigil-snmp.service \
  /etc/vigil20/vigil-snmp.conf /usr/share/snmp/mibs/VIGIL20-MIB.txt /usr/share/man/man8/alerter.8.gz \
  /usr/share/man/man1/vigil20s.1.gz /var/lib/vigil20/system32/Vigil20.cpl /var/lib/vigil20/system32/vigil20s.exe; do
  in_root test -f "$file" || fail "$file is not installed"
done
check_gateway_files
run_gateways
grep -qx 'ExecStart=/usr/bin/alerter -normal' "$root/lib/systemd/system/alerter.service" || fail "alerter's unit does not start the installed program"
# Every program and library resolves its libraries from the installed places.
for file in "$root"/usr/bin/* "$root"/usr/lib/vigil20/*; do
  name=${file#"$root"}
  case $name in /usr/bin/vigil-*|/usr/bin/vigil20s|/usr/bin/alerter|/usr/lib/vigil20/*) ;; *) continue ;; esac
  missing=$(in_root ldd "$name" 2>&1 | grep 'not found' || true)
  [ -z "$missing" ] || fail "$name: $missing"
done
reg() { in_root env VIGIL20_HOST_ROOT=/var/lib/vigil20 vigil-reg "$@"; }
agents='HKLM\System\CurrentControlSet\Control\SNMP\Parameters\ExtensionAgents'
reg query "$agents" /v vigil_20_agent | grep -q 'SOFTWARE\\Tessaly\\VigilAgent20\\CurrentVersion' ||
  fail "the agent is not in the extension-agent list"
reg query 'HKLM\SOFTWARE\Tessaly\VigilAgent20\CurrentVersion' /v Pathname | grep -q '/usr/lib/vigil20/libVigilAgent20.so' ||
  fail "the agent's Pathname is not the installed library"

# The user's: an edited configuration and a setting in the registry.
echo "rocommunity sala 127.0.0.1" >>"$root/etc/vigil20/vigil-snmp.conf"
cp "$root/etc/vigil20/vigil-snmp.conf" "$work/edited-snmp.conf"
settings='HKLM\Software\Tessaly\Vigil 2.0\Comunicacao'
reg add "$settings" /v Porta /d COM2 /f >/dev/null

echo "-- upgrade the suite to $version+1"
in_root dpkg -i "/tmp/vigil-suite_${version}+1_amd64.deb" >/dev/null
[ "$(in_root dpkg-query -W -f='${Version}' vigil-suite)" = "$version+1" ] || fail "the suite's upgrade did not happen"
cmp -s "$work/edited-snmp.conf" "$root/etc/vigil20/vigil-snmp.conf" || fail "the upgrade changed the user's vigil-snmp.conf"
reg query "$settings" /v Porta | grep -q COM2 || fail "the upgrade lost the user's setting"

echo "-- remove and purge the suite, the gateways left"
mkdir -p "$root/var/lib/vigil20/web"
echo "what vigil-web kept" >"$root/var/lib/vigil20/web/history-of-the-user"
in_root dpkg --remove vigil-suite >/dev/null
reg() { in_root env VIGIL20_HOST_ROOT=/var/lib/vigil20 "/tmp/vigil-reg" "$@"; }
cp "$build/tools/vigil-reg" "$root/tmp/vigil-reg"
reg query "$agents" /v vigil_20_agent >/dev/null 2>&1 && fail "the agent is still listed after the removal"
reg query "$settings" /v Porta | grep -q COM2 || fail "the removal lost the user's setting"
[ ! -L "$root/var/lib/vigil20/system32/Vigil20.cpl" ] || fail "the applet's link is left after the removal"
in_root dpkg --purge vigil-suite >/dev/null
for path in /var/lib/vigil20/registry /var/lib/vigil20/system32 /usr/lib/vigil20 /usr/bin/alerter /usr/bin/vigil-snmp \
  /usr/share/doc/vigil-suite /etc/vigil20/vigil-snmp.conf /lib/systemd/system/alerter.service \
  /usr/share/snmp/mibs/VIGIL20-MIB.txt /var/lib/dpkg/info/vigil-suite.list; do
  [ ! -e "$root$path" ] || fail "$path is left after the purge"
done
known vigil-suite && fail "dpkg still knows the suite"
# The gateways' files and vigil-web's history are not the suite's.
check_gateway_files
[ -s "$root/var/lib/vigil20/web/history-of-the-user" ] || fail "the suite's purge took vigil-web's history"
cmp -s "$work/edited-nut.conf" "$root/etc/vigil20/vigil-nut.conf" || fail "the suite's purge changed vigil-nut.conf"

echo "-- purge the gateways"
in_root dpkg --purge vigil-gateway >/dev/null
for path in "${gateway_files[@]}" /usr/share/doc/vigil-gateway /var/lib/vigil20 /etc/vigil20 /var/lib/dpkg/info/vigil-gateway.list; do
  [ ! -e "$root$path" ] || fail "$path is left after the gateways' purge"
done
known vigil-gateway && fail "dpkg still knows the gateways"
exit 0
