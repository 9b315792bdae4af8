#!/usr/bin/env bash
# The installation CD: its image holds exactly the launcher, autorun.inf,
# arquivos.txt and the files that arquivos.txt names, under Joliet names;
# then, under Wine in a fresh prefix (tests/support/wine/run.sh) with the
# CD's files as drive D:, the autorun command "launcher.exe instalar" run
# from D:\ installs the suite through the MSI's association, and
# "launcher.exe manual" opens the manual on D: with the program registered
# for .pdf files.
#   cd_test.sh SOURCE_DIR BUILD_WINDOWS_DIR
set -euo pipefail
source=$1 build=$(cd "$2" && pwd)
version=$(cat "$source/VERSION")
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "cd_test: $*" >&2; exit 1; }
windows_path() { echo "Z:${1//\//\\}"; }

"$source/packaging/cd/make-iso.sh" "$build" "$version" "$work/out" >/dev/null
iso=$work/out/Vigil20-$version.iso
[ -f "$iso" ] || fail "make-iso made no $iso"
# The installer and the manual that make-iso makes go onto the CD, not beside it.
made=$(cd "$work/out" && find . -mindepth 1 | sed 's|^\./||')
[ "$made" = "Vigil20-$version.iso" ] || fail "make-iso left other files: $(tr '\n' ' ' <<<"$made")"

cd_dir=$work/cd
xorriso -no_rc -report_about SORRY -osirrox on -indev "$iso" -extract / "$cd_dir" >/dev/null 2>&1 ||
  fail "xorriso could not extract the image"

# The launcher's configuration and what it names.
[ -f "$cd_dir/arquivos.txt" ] || fail "no arquivos.txt on the CD"
entries=$(tr -d '\r' <"$cd_dir/arquivos.txt")
[ "$(cut -d: -f1 <<<"$entries" | sort | tr '\n' ' ')" = "instalar leiame manual " ] ||
  fail "arquivos.txt's keys are not instalar, leiame and manual: $(cut -d: -f1 <<<"$entries" | tr '\n' ' ')"
value() { sed -n "s/^$1://p" <<<"$entries"; }
[ "$(value instalar)" = "Vigil20-$version-x64.msi" ] || fail "instalar names $(value instalar), not the MSI"
[[ "$(value manual)" == *.pdf ]] || fail "manual names $(value manual), not a PDF"
[[ "$(value leiame)" == *.txt ]] || fail "leiame names $(value leiame), not a text file"
expected=$({ printf '%s\n' arquivos.txt autorun.inf launcher.exe; cut -d: -f2- <<<"$entries"; } | sort)
held=$(cd "$cd_dir" && find . -mindepth 1 | sed 's|^\./||' | sort)
[ "$held" = "$expected" ] || fail "the CD holds $(tr '\n' ' ' <<<"$held")instead of $(tr '\n' ' ' <<<"$expected")"

cmp -s "$cd_dir/launcher.exe" "$build/launcher/launcher.exe" || fail "launcher.exe is not the build's"
[ "$(head -c 5 "$cd_dir/$(value manual)")" = "%PDF-" ] || fail "the manual is not a PDF"
msiinfo suminfo "$cd_dir/$(value instalar)" >/dev/null 2>&1 || fail "the installer is not an MSI"

# Files that Windows reads: CRLF line ends throughout; the read-me is the
# repository's text in Windows-1252.
for file in arquivos.txt autorun.inf leiame.txt; do
  if LC_ALL=C grep -qv $'\r$' "$cd_dir/$file" || [ "$(tail -c 2 "$cd_dir/$file" | od -An -tx1 | tr -d ' ')" != 0d0a ]; then
    fail "$file has lines without CRLF"
  fi
done
[ "$(sed -n 1p "$cd_dir/autorun.inf" | tr -d '\r')" = "[autorun]" ] || fail "autorun.inf does not begin with [autorun]"
[ "$(grep -i '^open=' "$cd_dir/autorun.inf" | tr -d '\r')" = "open=launcher.exe instalar" ] ||
  fail "autorun.inf's open line is not \"open=launcher.exe instalar\""
iconv -f WINDOWS-1252 -t UTF-8 "$cd_dir/leiame.txt" | tr -d '\r' | cmp -s - "$source/packaging/cd/leiame.txt" ||
  fail "leiame.txt is not the read-me in Windows-1252"

# Windows reads the Joliet names; without them it would see the plain
# ISO 9660 ones, in capitals and cut.
joliet=$(xorriso -no_rc -report_about SORRY -read_fs norock -indev "$iso" -find / -type f 2>/dev/null |
  sed -n "s|^'/\(.*\)'$|\1|p" | sort)
[ "$joliet" = "$expected" ] || fail "the Joliet names are $(tr '\n' ' ' <<<"$joliet")"
volume=$(xorriso -no_rc -report_about SORRY -indev "$iso" -pvd_info 2>/dev/null | sed -n 's/^Volume Id *: //p')
[ "$volume" = VIGIL20 ] || fail "the volume id is \"$volume\""

# Under Wine, from D:\ as the autorun menu would.
cp "$build/launcher/tests/launcher_recorder.exe" "$work/recorder.exe"
recorder_dir='C:\vigil-cd-test'
printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CLASSES_ROOT\.pdf]' '@="VigilCdTest.Pdf"' '' \
  '[HKEY_CLASSES_ROOT\VigilCdTest.Pdf\shell\open\command]' \
  "@=\"\\\"${recorder_dir//\\/\\\\}\\\\recorder.exe\\\" \\\"%1\\\"\"" '' >"$work/pdf.reg"
cat >"$work/cd.bat" <<BAT
@echo off
mkdir $recorder_dir
set VIGIL_RECORDER_LOG=$recorder_dir\\recorded.txt
D:
cd \\
launcher.exe instalar
set /a tries=0
:install
reg query "HKLM\\SYSTEM\\CurrentControlSet\\Services\\Vigil20" >nul 2>&1
if not errorlevel 1 if exist "C:\\Program Files\\Vigil 2.0\\alerter.exe" goto installed
set /a tries+=1
if %tries% geq 120 goto not_installed
ping -n 2 127.0.0.1 >nul
goto install
:not_installed
echo not installed
goto manual
:installed
echo installed
set /a tries=0
:msiexec
rem Wine's tasklist lists nothing and its find cannot read wmic's UTF-16;
rem cmd's for /f can.
set running=
for /f %%p in ('wmic process get name') do if /i "%%p"=="msiexec.exe" set running=1
if not defined running goto msiexec_ended
echo msiexec running
set /a tries+=1
if %tries% geq 60 goto msiexec_running
ping -n 2 127.0.0.1 >nul
goto msiexec
:msiexec_running
echo msiexec still running
goto manual
:msiexec_ended
echo msiexec ended
:manual
copy /y "$(windows_path "$work/recorder.exe")" "$recorder_dir\\recorder.exe" >nul
reg import "$(windows_path "$work/pdf.reg")" >nul 2>&1
echo pdf association=%errorlevel%
launcher.exe manual
set /a tries=0
:record
if exist "$recorder_dir\\recorded.txt" goto recorded
set /a tries+=1
if %tries% geq 20 goto not_recorded
ping -n 2 127.0.0.1 >nul
goto record
:not_recorded
echo nothing recorded
goto end
:recorded
rem The recorder may still be writing its one line.
ping -n 2 127.0.0.1 >nul
echo recorded:
type "$recorder_dir\\recorded.txt"
echo end of record
:end
echo done
BAT
status=0
out=$(VIGIL_WINE_DRIVE_D=$cd_dir "$source/tests/support/wine/run.sh" --dir "$build/wine" \
  cmd /c "$(windows_path "$work/cd.bat")" 2>&1) || status=$?
out=$(tr -d '\r' <<<"$out")
echo "$out"
echo "cd_test: Wine's cmd ended with status $status"
grep -qx 'done' <<<"$out" || fail "the check under Wine did not run to its end"
grep -qx 'installed' <<<"$out" ||
  fail "launcher.exe instalar did not install the suite (no service Vigil20 or no alerter.exe) after a wait of 2 minutes"
grep -qx 'msiexec ended' <<<"$out" || fail "msiexec did not end within a minute of the install"
grep -qx 'pdf association=0' <<<"$out" || fail "the recorder could not be registered for .pdf files"
! grep -qx 'nothing recorded' <<<"$out" || fail "launcher.exe manual opened nothing through the .pdf association"
record=$(sed -n '/^recorded:$/,/^end of record$/p' <<<"$out" | sed '1d;$d')
manual_on_d="D:\\$(value manual)"
[ "$record" = "ran \"$manual_on_d\"" ] || [ "$record" = "ran $manual_on_d" ] ||
  fail "launcher.exe manual opened \"$record\", not $manual_on_d once"
echo "cd_test: passed"
