#!/usr/bin/env bash
# The installer under Wine, in a fresh prefix (tests/support/wine/run.sh):
# a silent install puts the files, the service and the agent's registry
# entries in place, on a machine without a UPS port (the service is not
# started by the install, so nothing can roll it back), and a silent
# uninstall removes them; without deployment properties no setting is
# written, and with some of them exactly those are.
#   msi_test.sh SOURCE_DIR BUILD_WINDOWS_DIR
set -euo pipefail
source=$1 build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$source/packaging/windows/make-msi.sh" "$build" "$(cat "$source/VERSION")" "$work" >/dev/null
mv "$work"/Vigil20-*-x64.msi "$work/Vigil20.msi"
msi="Z:${work//\//\\}\\Vigil20.msi"
agents='HKLM\SYSTEM\CurrentControlSet\Services\SNMP\Parameters\ExtensionAgents'
applet_agents='HKLM\SYSTEM\CurrentControlSet\Control\SNMP\Parameters\ExtensionAgents'
program_files='C:\Program Files\Vigil 2.0' system='C:\windows\system32'
installed=("$program_files\alerter.exe" "$program_files\LineTap.dll" "$program_files\VigilAgent20.dll"
  "$program_files\VIGIL20-MIB.txt" "$system\Vigil20.cpl" "$system\vigil20s.exe")
checks_after_install=$(for file in "${installed[@]}"; do echo "if exist \"$file\" echo installed $file"; done)
checks_after_uninstall=$(for file in "${installed[@]}"; do echo "if exist \"$file\" echo left $file"; done)
cat >"$work/check.bat" <<BAT
@echo off
start /wait msiexec /i $msi /qn
echo install=%errorlevel%
$checks_after_install
reg query "HKLM\\Software\\Tessaly\\Vigil 2.0" /s >nul 2>&1
if not errorlevel 1 echo settings written without properties
rem Wine puts the programs menu of a per-machine install in the user's profile.
echo shortcuts after install:
dir /s /b "C:\\ProgramData\\*.lnk" "C:\\users\\*.lnk" 2>nul
echo end of shortcuts
reg query "HKLM\\SYSTEM\\CurrentControlSet\\Services\\Vigil20"
reg query "$agents" /v vigil_20_agent
reg query "$applet_agents" /v vigil_20_agent
reg query "HKLM\\SOFTWARE\\Tessaly\\VigilAgent20\\CurrentVersion" /v Pathname
reg query "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\VIGIL 20 SNMP" /v EventMessageFile
reg query "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cpls" /v Vigil20
start /wait msiexec /x $msi /qn
echo uninstall=%errorlevel%
echo shortcuts after uninstall:
dir /s /b "C:\\ProgramData\\*.lnk" "C:\\users\\*.lnk" 2>nul
echo end of shortcuts
$checks_after_uninstall
reg query "HKLM\\SYSTEM\\CurrentControlSet\\Services\\Vigil20" >nul 2>&1
if not errorlevel 1 echo left service
reg query "$agents" /v vigil_20_agent >nul 2>&1
if not errorlevel 1 echo left agent
reg query "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\VIGIL 20 SNMP" >nul 2>&1
if not errorlevel 1 echo left event source
start /wait msiexec /i $msi /qn COMPORT=3 SERVERNAME=servidor NETKEY=chave-da-rede
echo deploy=%errorlevel%
reg query "HKLM\\Software\\Tessaly\\Vigil 2.0" /s
echo done
BAT
status=0
out=$("$source/tests/support/wine/run.sh" --dir "$build/wine" cmd /c "Z:${work//\//\\}\\check.bat" 2>&1) || status=$?
out=$(tr -d '\r' <<<"$out")
echo "$out"
echo "msi_test: Wine's cmd ended with status $status"
fail() { echo "msi_test: $*" >&2; exit 1; }
grep -qx 'done' <<<"$out" || fail "the check did not run to its end"
grep -qx 'install=0' <<<"$out" || fail "the install failed"
[ "$(grep -c '^installed ' <<<"$out")" = 6 ] || fail "files are missing"
grep -q 'DisplayName *REG_SZ *Vigil 2.0$' <<<"$out" || fail "no service Vigil 2.0"
grep -q 'Start *REG_DWORD *0x2$' <<<"$out" || fail "the service does not start automatically"
grep -q 'Type *REG_DWORD *0x110$' <<<"$out" || fail "the service is not an interactive own process"
grep -q 'ErrorControl *REG_DWORD *0x1$' <<<"$out" || fail "the service's error control is not normal"
grep -q 'ImagePath .*C:\\Program Files\\Vigil 2.0\\alerter.exe' <<<"$out" || fail "the service does not run the installed alerter.exe"
[ "$(grep -c 'vigil_20_agent *REG_SZ *SOFTWARE\\Tessaly\\VigilAgent20\\CurrentVersion$' <<<"$out")" = 2 ] ||
  fail "the agent is not in both extension-agent lists"
grep -q 'Pathname .*C:\\Program Files\\Vigil 2.0\\VigilAgent20.dll$' <<<"$out" || fail "the agent's Pathname is not the installed DLL"
grep -q 'EventMessageFile .*VigilAgent20.dll$' <<<"$out" || fail "no event source VIGIL 20 SNMP"
grep -q 'Vigil20 .*Vigil20.cpl$' <<<"$out" || fail "the applet is not registered with Control Panel"
grep -qx 'uninstall=0' <<<"$out" || fail "the uninstall failed"
! grep -q '^left ' <<<"$out" || fail "the uninstall left: $(grep '^left ' <<<"$out" | tr '\n' ' ')"
after_install=$(sed -n '/^shortcuts after install:/,/^end of shortcuts/p' <<<"$out")
after_uninstall=$(sed -n '/^shortcuts after uninstall:/,/^end of shortcuts/p' <<<"$out")
LC_ALL=C grep -aq 'Start Menu\\Programs\\Vigil 2.0\\Vigil 2.0.lnk$' <<<"$after_install" || fail "no Start-menu entry for the supervisor"
LC_ALL=C grep -aq 'Start Menu\\Programs\\Vigil 2.0\\Configura.*\.lnk$' <<<"$after_install" || fail "no Start-menu entry for the settings"
! LC_ALL=C grep -aq 'Vigil 2.0\\' <<<"$after_uninstall" || fail "the uninstall left Start-menu entries"
! grep -q '^settings written without properties' <<<"$out" || fail "an install without properties wrote settings"
grep -qx 'deploy=0' <<<"$out" || fail "the install with deployment properties failed"
deployed=$(sed -n '/^deploy=/,$p' <<<"$out" | grep -E '^ +[A-Za-z ]+ +REG_' | sed -E 's/ +/ /g; s/^ //' | sort)
expected=$(printf '%s\n' 'ComPort REG_DWORD 0x3' 'HostName REG_SZ servidor' 'Net Key REG_SZ chave-da-rede' | sort)
[ "$deployed" = "$expected" ] || fail "the deployment wrote: $deployed"
echo "msi_test: passed"
