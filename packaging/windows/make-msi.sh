#!/usr/bin/env bash
# Makes the Windows installer from the cross-build, with the user's manual:
#   make-msi.sh BUILD_WINDOWS_DIR VERSION OUT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)
build=$(cd "$1" && pwd) version=$2 out=$3
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$source/packaging/manual/make-manual.sh" "$work/manual.pdf"
msi="$out/Vigil20-$version-x64.msi"
# wixl takes the files' sources only as paths relative to where it runs.
(cd / && wixl -a x64 -D Version="$version" -D BinDir="${build#/}" -D SourceDir="${source#/}" \
  -D ManualPdf="${work#/}/manual.pdf" -o "$msi" "$here/vigil20.wxs")

# What wixl does not write, set in its tables afterwards.
tables=$work/tables
mkdir "$tables"
# Each deployment setting's component is installed only when its property
# is given (its condition is the property's name), and is permanent: the
# settings stay when the product is removed or upgraded.
msiinfo export "$msi" Component >"$tables/Component.idt"
awk -F'\t' -v OFS='\t' 'BEGIN { p["SetComPort"]="COMPORT"; p["SetNetMode"]="NETMODE"; p["SetComMode"]="COMMODE";
    p["SetServerName"]="SERVERNAME"; p["SetAcceptAll"]="ACCEPTALL"; p["SetNetKey"]="NETKEY" }
  NR > 3 && ($1 in p) { $5 = p[$1]; if (int($4 / 16) % 2 == 0) $4 += 16; n++ } { print } END { if (n != 6) exit 1 }' \
  "$tables/Component.idt" >"$tables/Component.new" || { echo "make-msi: the settings' components are not all there" >&2; exit 1; }
mv "$tables/Component.new" "$tables/Component.idt"
# An upgrade removes the older product before it installs anything, so that
# the older product's removal cannot stop or delete the newer one's service
# (wixl puts RemoveExistingProducts after InstallFinalize).
msiinfo export "$msi" InstallExecuteSequence >"$tables/InstallExecuteSequence.idt"
awk -F'\t' -v OFS='\t' 'NR > 3 && $1 == "InstallValidate" { validate = $3 }
  { rows[NR] = $0; names[NR] = $1 }
  END { if (!validate) exit 1
    for (i = 1; i <= NR; ++i) {
      if (names[i] == "RemoveExistingProducts") { split(rows[i], f, "\t"); rows[i] = f[1] "\t" f[2] "\t" validate + 1; n++ }
      print rows[i] }
    if (n != 1) exit 1 }' "$tables/InstallExecuteSequence.idt" >"$tables/InstallExecuteSequence.new" ||
  { echo "make-msi: no RemoveExistingProducts or InstallValidate to place it after" >&2; exit 1; }
mv "$tables/InstallExecuteSequence.new" "$tables/InstallExecuteSequence.idt"
# The key that holds "Net Key": full control for the administrators and the
# system, nobody else, not inherited (what the settings store puts on it).
printf '%s\n' $'MsiLockPermissionsEx\tLockObject\tTable\tSDDLText\tCondition' $'s72\ts72\ts32\ts255\tS255' \
  $'MsiLockPermissionsEx\tMsiLockPermissionsEx' $'SegurancaAccess\tNetKey\tRegistry\tD:P(A;OICI;KA;;;BA)(A;OICI;KA;;;SY)\t' \
  >"$tables/MsiLockPermissionsEx.idt"
(cd "$tables" && msibuild "$msi" -i Component.idt -i InstallExecuteSequence.idt -i MsiLockPermissionsEx.idt)
echo "$msi"
