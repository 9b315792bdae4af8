#!/usr/bin/env bash
# Unpacks Debian's source package PACKAGE, with Debian's patches, into DEST,
# for the Windows build (which compiles it with mingw-w64, as it does
# GoogleTest from /usr/src/googletest). Nothing of it is kept in the
# repository. With --version, prints the source version apt would fetch and
# unpacks nothing.
#
# apt-get source needs deb-src lines, which a fresh Debian lacks: they are
# made here from the system's own deb lines, in a private apt state of this
# run (the system's sources and lists are left as they are; no root needed
# beyond what apt-get's download asks).
#
#   debian-source.sh PACKAGE DEST
#   debian-source.sh --version PACKAGE
set -euo pipefail
if [ $# -eq 2 ] && [ "$1" = "--version" ]; then
  mode=version package=$2 dest=
elif [ $# -eq 2 ]; then
  mode=unpack package=$1 dest=$2
else
  echo "usage: debian-source.sh PACKAGE DEST | --version PACKAGE" >&2
  exit 2
fi
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
if [ "$mode" = version ]; then
  # The .dsc's name is PACKAGE_VERSION.dsc (without the epoch).
  dsc=$(cd "$work/get" && "${apt[@]}" source --print-uris "$package" | grep -o "'[^']*\.dsc'" | head -n 1)
  [ -n "$dsc" ] || { echo "debian-source: no source package $package" >&2; exit 1; }
  dsc=${dsc%.dsc\'}
  dsc=${dsc##*/"${package}"_}
  printf '%b\n' "${dsc//%/\\x}"  # the URI's %2b back to +
  exit 0
fi
(cd "$work/get" && "${apt[@]}" source --download-only "$package" >/dev/null)
dsc=$(ls "$work"/get/"${package}"_*.dsc)
rm -rf "$dest"
mkdir -p "$(dirname "$dest")"
dpkg-source --no-check -x "$dsc" "$work/unpacked" >/dev/null
mv "$work/unpacked" "$dest"
echo "debian-source: $(basename "$dsc" .dsc) in $dest"
