#!/usr/bin/env bash
# cmake --install --component snmp into a scratch DESTDIR: every file in
# place, the agent listed in the registry, the library finding LineTap
# beside it, and the MIB usable by net-snmp from where it was installed.
# Usage: install_test.sh CMAKE BUILD_DIR PREFIX VIGIL_REG
set -euo pipefail
cmake=$1 build=$2 prefix=$3
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
export VIGIL20_HOST_ROOT=/var/lib/vigil20
# net-snmp's tools keep their state here, not in the system's /var/lib/snmp
# (and on their first run they say so on standard error).
export SNMP_PERSISTENT_DIR=$dest/snmp-state
DESTDIR=$dest "$cmake" --install "$build" --component snmp >/dev/null
for file in "$prefix/bin/vigil-snmp" "$prefix/bin/vigil-reg" "$prefix/lib/vigil20/libVigilAgent20.so" \
            "$prefix/lib/vigil20/libLineTap.so" /usr/share/snmp/mibs/VIGIL20-MIB.txt \
            /etc/vigil20/vigil-snmp.conf "$prefix/lib/systemd/system/vigil-snmp.service"; do
  [ -e "$dest$file" ] || { echo "missing: $file"; exit 1; }
done
grep -q "ExecStart=$prefix/bin/vigil-snmp -f -Ls d -c /etc/vigil20/vigil-snmp.conf" \
  "$dest$prefix/lib/systemd/system/vigil-snmp.service" || { echo "unit: wrong ExecStart"; exit 1; }
VIGIL20_HOST_ROOT=$dest/var/lib/vigil20 "$dest$prefix/bin/vigil-reg" query \
  'HKLM\SOFTWARE\Tessaly\VigilAgent20\CurrentVersion' /v Pathname | grep -q "REG_EXPAND_SZ *$prefix/lib/vigil20/libVigilAgent20.so" \
  || { echo "registry: no Pathname"; exit 1; }
# The installed library resolves LineTap through its own folder.
# (ldd's whole answer first: grep -q leaving early would fail the pipe.)
libraries=$(ldd "$dest$prefix/lib/vigil20/libVigilAgent20.so")
grep -q "libLineTap.so => $dest$prefix/lib/vigil20/" <<<"$libraries" \
  || { echo "LineTap not found beside the agent"; echo "$libraries"; exit 1; }
# An edited configuration survives another install.
echo "# edited" >> "$dest/etc/vigil20/vigil-snmp.conf"
DESTDIR=$dest "$cmake" --install "$build" --component snmp >/dev/null
grep -q "# edited" "$dest/etc/vigil20/vigil-snmp.conf" || { echo "configuration replaced"; exit 1; }
# net-snmp names the variables from the installed module, without any base module.
translate() {
  MIBS= snmptranslate -M "$dest/usr/share/snmp/mibs" -m VIGIL20-MIB "$@" 2>"$dest/translate.err" \
    || { echo "snmptranslate $*:"; cat "$dest/translate.err"; exit 1; }
}
name=$(translate -On VIGIL20-MIB::upsEventTime)
[ "$name" = ".1.3.6.1.4.1.7491.1.1.1.3.2.1.3" ] || { echo "snmptranslate: $name"; cat "$dest/translate.err"; exit 1; }
trap_name=$(translate .1.3.6.1.4.1.7491.1.1.1.4.1.0.1)
[ "$trap_name" = "VIGIL20-MIB::upsPowerFailure" ] || { echo "snmptranslate: $trap_name"; cat "$dest/translate.err"; exit 1; }
echo "snmp component installs"
