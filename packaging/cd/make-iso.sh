#!/usr/bin/env bash
# Makes the installation CD's image from the cross-build:
#   make-iso.sh BUILD_WINDOWS_DIR VERSION OUT_DIR
# into OUT_DIR/Vigil20-VERSION.iso (ISO 9660 with Joliet names for Windows
# and Rock Ridge for Unix readers). Its root holds autorun.inf, whose menu
# runs "launcher.exe instalar", launcher.exe, arquivos.txt and the files
# that arquivos.txt names: the installer, the manual and the read-me.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd) version=$2 out=$3
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree=$work/cd
mkdir "$tree"
fail() { echo "make-iso: $*" >&2; exit 1; }

# Windows reads these two files: CRLF line ends, and the read-me in
# Windows-1252, which Notepad shows without being told the encoding.
crlf() { sed 's/\r*$/\r/'; }
sed "s/@VERSION@/$version/g" "$here/arquivos.txt.in" | crlf >"$tree/arquivos.txt"
crlf <"$here/autorun.inf.in" >"$tree/autorun.inf"
iconv -f UTF-8 -t WINDOWS-1252 "$here/leiame.txt" | crlf >"$tree/leiame.txt" ||
  fail "leiame.txt does not fit Windows-1252"
cp "$build/launcher/launcher.exe" "$tree/launcher.exe"
"$here/../windows/make-msi.sh" "$build" "$version" "$tree" >/dev/null
"$here/../manual/make-manual.sh" "$tree/manual.pdf"

# The launcher keeps a value only when it begins with a letter, and opens
# it from the CD's root: every one must name a file at that root.
while IFS= read -r line || [ -n "$line" ]; do
  line=${line%$'\r'}
  [[ $line == *:* ]] || fail "arquivos.txt: no key in \"$line\""
  value=${line#*:}
  [[ $value =~ ^[A-Za-z] ]] || fail "arquivos.txt: the launcher ignores \"$line\""
  [ -f "$tree/$value" ] || fail "arquivos.txt names $value, which is not on the CD"
done <"$tree/arquivos.txt"

iso=$out/Vigil20-$version.iso
rm -f "$iso" "$iso.tmp"
chmod -R a+rX,go-w "$tree"
xorriso -no_rc -report_about SORRY -outdev "$iso.tmp" -volid VIGIL20 -joliet on -rockridge on \
  -map "$tree" / -commit >"$work/xorriso.log" 2>&1 || {
  cat "$work/xorriso.log" >&2
  rm -f "$iso.tmp"
  fail "xorriso failed"
}
mv "$iso.tmp" "$iso"
echo "$iso"
