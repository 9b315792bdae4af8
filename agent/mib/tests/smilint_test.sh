#!/usr/bin/env bash
# smilint at level 3 finds nothing to report in VIGIL20-MIB, and does find a
# planted fault in a copy (so an empty report means a module was read).
# Usage: smilint_test.sh MIB STANDIN_DIR
set -euo pipefail
mib=$1
export SMIPATH=$2
report=$(smilint -l 3 "$mib" 2>&1)
[ -z "$report" ] || { echo "$report"; exit 1; }
broken=$(mktemp --suffix=.txt)
trap 'rm -f "$broken"' EXIT
sed 's/MAX-ACCESS  read-write/MAX-ACCESS  read-writ/' "$mib" > "$broken"
smilint -l 3 "$broken" 2>&1 | grep -q "invalid access" || { echo "smilint missed a planted fault"; exit 1; }
echo "VIGIL20-MIB: smilint level 3 clean"
