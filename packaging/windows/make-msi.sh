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
echo "$out/Vigil20-$version-x64.msi"
