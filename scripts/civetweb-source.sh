#!/usr/bin/env bash
# Unpacks Debian's source package of CivetWeb, with Debian's patches, into
# DEST, for the Windows build (which compiles it with mingw-w64, as it does
# GoogleTest from /usr/src/googletest). Nothing of it is kept in the
# repository.
#
# apt-get source needs deb-src lines, which a fresh Debian lacks: they are
# made here from the system's own deb lines, in a private apt state of this
# run (the system's sources and lists are left as they are; no root needed
# beyond what apt-get's download asks).
#
#   civetweb-source.sh DEST
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: civetweb-source.sh DEST" >&2
  exit 2
fi
dest=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/parts" "$work/get"
: > "$work/none.list"

# The system's deb entries as deb-src entries: deb822 files and one-line lists.
for file in /etc/apt/sources.list.d/*.sources; do
  [ -f "$file" ] || continue
  sed -E 's/^Types:.*$/Types: deb-src/' "$file" > "$work/parts/$(basename "$file")"
done
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$file" ] || continue
  sed -nE 's/^deb[[:space:]]+/deb-src /p' "$file" > "$work/parts/$(basename "$file")"
done

apt=(apt-get -q -o "Dir::Etc::SourceParts=$work/parts" -o "Dir::Etc::SourceList=$work/none.list"
  -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache" -o APT::Sandbox::User=root)
"${apt[@]}" update >/dev/null
(cd "$work/get" && "${apt[@]}" source --download-only civetweb >/dev/null)
dsc=$(ls "$work"/get/civetweb_*.dsc)
rm -rf "$dest"
mkdir -p "$(dirname "$dest")"
dpkg-source --no-check -x "$dsc" "$work/unpacked" >/dev/null
mv "$work/unpacked" "$dest"
echo "civetweb-source: $(basename "$dsc" .dsc) in $dest"
