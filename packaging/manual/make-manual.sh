#!/usr/bin/env bash
# Makes the user's manual (Brazilian Portuguese) into PDF with groff, from
# its UTF-8 source beside this script; groff's warnings fail the build, so
# that a broken request never reaches a user's page.
#   make-manual.sh OUT_PDF
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$1
warnings=$(groff -k -t -ms -Kutf-8 -ww -z "$here/manual.ms" 2>&1)
if [ -n "$warnings" ]; then
  echo "make-manual: groff warns:" >&2
  echo "$warnings" >&2
  exit 1
fi
groff -k -t -ms -Kutf-8 -Tpdf -P-pa4 "$here/manual.ms" >"$out.tmp"
mv "$out.tmp" "$out"
