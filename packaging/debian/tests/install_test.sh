#!/usr/bin/env bash
# The daemon's package installed for real, in a throwaway root: an overlay
# of / in private namespaces (mount, PID, IPC, network, host name), so that
# this machine's own root, dpkg database and /usr/local/vigil20 are left as
# they were. Installs, runs the daemon on the simulator from the installed
# paths, upgrades over an edited configuration, purges, and runs lintian;
# then the same for the suite's package, which conflicts with the daemon's.
#   install_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source=$1 build=$2

if [ "${VIGIL_IN_NAMESPACE:-}" != 1 ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  version=$(cat "$source/VERSION")
  "$source/packaging/debian/make-debs.sh" "$build" "$version" "$work/old" vigil20 vigil-suite >/dev/null
  "$source/packaging/debian/make-debs.sh" "$build" "$version+1" "$work/new" vigil20 vigil-suite >/dev/null
  echo "-- lintian"
  lintian --fail-on error "$work/old/vigil20_${version}_amd64.deb" "$work/old/vigil-suite_${version}_amd64.deb" 2>&1 |
    grep -v 'running with root privileges' || true
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
cp "$work/old/"*.deb "$work/new/"*.deb "$root/tmp/"
ip link set lo up 2>/dev/null || true

in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"; }

# A directory left by a hand install on this machine is not the package's.
in_root rm -rf /usr/local/vigil20

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

echo "-- purge"
in_root dpkg --purge vigil20 >/dev/null
for path in /usr/local/vigil20 /usr/sbin/vigil20 /usr/share/vigil20 /usr/share/doc/vigil20 \
  /lib/systemd/system/vigil20.service /usr/share/man/man8/vigil20.8.gz /var/lib/dpkg/info/vigil20.list; do
  [ ! -e "$root$path" ] || fail "$path is left after the purge"
done
in_root dpkg-query -W vigil20 >/dev/null 2>&1 && fail "dpkg still knows the package"

echo "-- the suite conflicts with the daemon"
in_root dpkg -i "/tmp/vigil20_${version}_amd64.deb" >/dev/null
in_root dpkg -i "/tmp/vigil-suite_${version}_amd64.deb" >/dev/null 2>&1 && fail "the suite installed beside the daemon"
in_root dpkg --purge vigil20 >/dev/null

echo "-- install the suite $version"
in_root rm -rf /var/lib/vigil20 /etc/vigil20
in_root dpkg -i "/tmp/vigil-suite_${version}_amd64.deb" >/dev/null
for file in /usr/bin/alerter /usr/bin/vigil-snmp /usr/bin/vigil-control /usr/bin/vigil20s /usr/bin/vigil-nut \
  /usr/bin/vigil-reg /usr/bin/vigil-lines /usr/lib/vigil20/libLineTap.so /usr/lib/vigil20/libVigilAgent20.so \
  /usr/lib/vigil20/Vigil20.cpl /lib/systemd/system/alerter.service /lib/systemd/system/vigil-snmp.service \
  /lib/systemd/system/vigil-nut.service /etc/vigil20/vigil-snmp.conf /etc/vigil20/vigil-nut.conf \
  /usr/share/snmp/mibs/VIGIL20-MIB.txt /usr/share/man/man8/alerter.8.gz /usr/share/man/man1/vigil20s.1.gz \
  /var/lib/vigil20/system32/Vigil20.cpl /var/lib/vigil20/system32/vigil20s.exe; do
  in_root test -f "$file" || fail "$file is not installed"
done
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

echo "-- remove and purge the suite"
in_root dpkg --remove vigil-suite >/dev/null
reg() { in_root env VIGIL20_HOST_ROOT=/var/lib/vigil20 "/tmp/vigil-reg" "$@"; }
cp "$build/tools/vigil-reg" "$root/tmp/vigil-reg"
reg query "$agents" /v vigil_20_agent >/dev/null 2>&1 && fail "the agent is still listed after the removal"
reg query "$settings" /v Porta | grep -q COM2 || fail "the removal lost the user's setting"
[ ! -L "$root/var/lib/vigil20/system32/Vigil20.cpl" ] || fail "the applet's link is left after the removal"
in_root dpkg --purge vigil-suite >/dev/null
for path in /var/lib/vigil20 /etc/vigil20 /usr/lib/vigil20 /usr/bin/alerter /usr/bin/vigil-snmp /usr/share/doc/vigil-suite \
  /lib/systemd/system/alerter.service /usr/share/snmp/mibs/VIGIL20-MIB.txt /var/lib/dpkg/info/vigil-suite.list; do
  [ ! -e "$root$path" ] || fail "$path is left after the purge"
done
in_root dpkg-query -W vigil-suite >/dev/null 2>&1 && fail "dpkg still knows the suite"
exit 0
