#!/usr/bin/env bash
# Makes the Windows installer from the cross-build:
#   make-msi.sh BUILD_WINDOWS_DIR VERSION OUT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)
build=$(cd "$1" && pwd) version=$2 out=$3
mkdir -p "$out"
out=$(cd "$out" && pwd)
# wixl takes the files' sources only as paths relative to where it runs.
cd /
wixl -a x64 -D Version="$version" -D BinDir="${build#/}" -D SourceDir="${source#/}" \
  -o "$out/Vigil20-$version-x64.msi" "$here/vigil20.wxs"
# Each deployment setting's component is installed only when its property
# is given: its condition is the property's name.
tables=$(mktemp -d)
trap 'rm -rf "$tables"' EXIT
msiinfo export "$out/Vigil20-$version-x64.msi" Component >"$tables/Component.idt"
awk -F'\t' -v OFS='\t' 'BEGIN { p["SetComPort"]="COMPORT"; p["SetNetMode"]="NETMODE"; p["SetComMode"]="COMMODE";
    p["SetServerName"]="SERVERNAME"; p["SetAcceptAll"]="ACCEPTALL"; p["SetNetKey"]="NETKEY" }
  NR > 3 && ($1 in p) { $5 = p[$1]; n++ } { print } END { if (n != 6) exit 1 }' \
  "$tables/Component.idt" >"$tables/Component.new" || { echo "make-msi: the settings' components are not all there" >&2; exit 1; }
mv "$tables/Component.new" "$tables/Component.idt"
(cd "$tables" && msibuild "$out/Vigil20-$version-x64.msi" -i Component.idt)
echo "$out/Vigil20-$version-x64.msi"
