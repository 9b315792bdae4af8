#!/usr/bin/env bash
# Unpacks Debian's source package of CivetWeb, with Debian's patches, into
# DEST, for the Windows build (see debian-source.sh).
#
#   civetweb-source.sh DEST
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: civetweb-source.sh DEST" >&2
  exit 2
fi
exec "$(dirname "$0")/debian-source.sh" civetweb "$1"
