#!/usr/bin/env bash
# The installer under Wine, in one fresh prefix (tests/support/wine/run.sh):
# - `alerter -install` and `vigil-web -install` run by hand first, for the
#   service values the installer must write too;
# - a silent install puts the files (the manual too), the Start-menu
#   entries, the services "Vigil20" and "VigilWeb" and the agent's and the
#   page's registry entries in place, on a machine without a UPS port (no
#   service is started by the install, so nothing can roll it back), and
#   writes no setting;
# - with the user's settings, the installed service starts, logs a mains
#   failure (DSR dropped on the line simulator) and stops; the SNMP
#   service's way to the agent (its extension-agent list, the key it names,
#   Pathname) leads to the installed agent, which answers, and a wrong
#   Pathname leads nowhere; the installed page service, on the user's "Web
#   Port" and for this computer only, serves its metrics;
# - a silent uninstall removes every file and registration but keeps the
#   settings and the event file as they were;
# - deployment properties write exactly their settings, which an uninstall
#   keeps too; the network key's subkey is to get the settings store's
#   access list.
#   msi_test.sh SOURCE_DIR BUILD_WINDOWS_DIR MSI_PROBE_EXE
set -euo pipefail
source "$(dirname "$0")/msi_common.sh" "$1" "$2" "$3" msi_test

make_msi "$(cat "$msi_source/VERSION")" Vigil20
msi=$(windows_path "$work/Vigil20.msi")
applet_agents='HKLM\SYSTEM\CurrentControlSet\Control\SNMP\Parameters\ExtensionAgents'
agent_key='HKLM\SOFTWARE\Tessaly\VigilAgent20\CurrentVersion'
# The access list the settings store puts on the key (its SDDL text).
expected_access=$(grep -o '"D:P[^"]*"' "$msi_source/platform/win32/registry.cpp" | tr -d '"')
[ -n "$expected_access" ] || fail "no access list found in platform/win32/registry.cpp"

cat >"$work/check.bat" <<BAT
@echo off
set lines=Z:%VIGIL20_SIMLINES:/=\\%
rem The service as alerter.exe installs itself, from where the installer puts it.
mkdir "$program_files"
copy "$(windows_path "$msi_build/alerter/alerter.exe")" "$program_files\\" >nul
copy "$(windows_path "$msi_build/alerter/LineTap.dll")" "$program_files\\" >nul
"$program_files\\alerter.exe" -install
echo by-hand-install=%errorlevel%
echo begin by hand
reg query "$service_key" /s
echo end by hand
"$program_files\\alerter.exe" -remove
echo by-hand-remove=%errorlevel%
reg query "$service_key" >nul 2>&1
if not errorlevel 1 echo by hand left the service
copy "$(windows_path "$msi_build/web/vigil-web.exe")" "$program_files\\" >nul
"$program_files\\vigil-web.exe" -install
echo web-by-hand-install=%errorlevel%
echo begin web by hand
reg query "$web_service_key" /s
echo end web by hand
"$program_files\\vigil-web.exe" -remove
echo web-by-hand-remove=%errorlevel%
reg query "$web_service_key" >nul 2>&1
if not errorlevel 1 echo web by hand left the service
del "$program_files\\alerter.exe" "$program_files\\LineTap.dll" "$program_files\\vigil-web.exe"
rmdir "$program_files"

start /wait msiexec /i $msi /qn
echo install=%errorlevel%
$(existing_files installed)
copy "$manual" "$(windows_path "$work/manual.pdf")" >nul
reg query "$settings_key" /s >nul 2>&1
if not errorlevel 1 echo settings written without properties
rem Wine puts the programs menu of a per-machine install in the user's profile.
echo begin shortcuts after install
dir /s /b "%ALLUSERSPROFILE%\\Microsoft\\Windows\\Start Menu\\Programs\\*.lnk" "%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs\\*.lnk" 2>nul
echo end shortcuts after install
echo begin msi
reg query "$service_key" /s
echo end msi
echo begin web msi
reg query "$web_service_key" /s
echo end web msi
$probe service VigilWeb stopped 5
echo web-not-started=%errorlevel%
reg query "$web_source" /v EventMessageFile
reg query "$agents" /v vigil_20_agent
reg query "$applet_agents" /v vigil_20_agent
reg query "$agent_key" /v Pathname
reg query "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\VIGIL 20 SNMP" /v EventMessageFile
reg query "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cpls" /v Vigil20

rem The user's settings, then the service on the simulated line.
reg add "$settings_key" /v ComPort /t REG_DWORD /d 1 /f >nul
reg add "$settings_key" /v Interval /t REG_DWORD /d 100 /f >nul
reg add "$settings_key" /v "Signal Filter" /t REG_DWORD /d 0 /f >nul
reg add "$settings_key" /v LogStartStop /t REG_DWORD /d 1 /f >nul
reg add "$settings_key" /v "Autonomia Nominal" /t REG_DWORD /d 1234 /f >nul
reg add "$settings_key\\Web Server" /v "Web Port" /t REG_DWORD /d 28648 /f >nul
reg add "$settings_key\\Web Server" /v "Web Ctrl List" /t REG_DWORD /d 1 /f >nul
echo begin settings before uninstall
reg query "$settings_key" /s
echo end settings before uninstall
net start Vigil20 >nul 2>&1
$probe service Vigil20 running 30
echo service-started=%errorlevel%
$probe events 10 30
echo watching=%errorlevel%
$(set_lines "CTS RI")
$probe events 1 20
echo mains-failure=%errorlevel%
$probe agent 1234
echo agent=%errorlevel%
reg add "$agent_key" /v Pathname /t REG_EXPAND_SZ /d "%%SystemRoot%%\\nowhere\\VigilAgent20.dll" /f >nul
$probe agent 1234
echo wrong-agent=%errorlevel%
net stop Vigil20 >nul 2>&1
$probe service Vigil20 stopped 30
echo service-stopped=%errorlevel%
rem The page, on the user's port and for this computer only.
net start VigilWeb >nul 2>&1
$probe service VigilWeb running 30
echo web-started=%errorlevel%
$probe http 28648 /metrics "# TYPE network_ups_tools_ups_status gauge" 20
echo web-metrics=%errorlevel%
net stop VigilWeb >nul 2>&1
$probe service VigilWeb stopped 30
echo web-stopped=%errorlevel%
copy C:\\windows\\EvtVigil20.dat "$(windows_path "$work/events-before.dat")" >nul

start /wait msiexec /x $msi /qn
echo uninstall=%errorlevel%
echo begin shortcuts after uninstall
dir /s /b "%ALLUSERSPROFILE%\\Microsoft\\Windows\\Start Menu\\Programs\\*.lnk" "%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs\\*.lnk" 2>nul
echo end shortcuts after uninstall
$(existing_files left)
reg query "$service_key" >nul 2>&1
if not errorlevel 1 echo left service
reg query "$web_service_key" >nul 2>&1
if not errorlevel 1 echo left web service
reg query "$web_source" >nul 2>&1
if not errorlevel 1 echo left web event source
reg query "$agents" /v vigil_20_agent >nul 2>&1
if not errorlevel 1 echo left agent
reg query "$agent_key" >nul 2>&1
if not errorlevel 1 echo left agent key
reg query "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\VIGIL 20 SNMP" >nul 2>&1
if not errorlevel 1 echo left event source
echo begin settings after uninstall
reg query "$settings_key" /s
echo end settings after uninstall
copy C:\\windows\\EvtVigil20.dat "$(windows_path "$work/events-after.dat")" >nul

rem Deployment by properties, on a machine without settings.
reg delete "$settings_key" /f >nul
start /wait msiexec /i $msi /qn COMPORT=3 SERVERNAME=servidor NETKEY=chave-da-rede
echo deploy=%errorlevel%
echo begin deployed
reg query "$settings_key" /s
echo end deployed
$probe acl "Software\\Tessaly\\Vigil 2.0\\Seguranca"
rem With the same properties, as a deployment tool removes what it deployed:
rem the settings' components are then those being removed.
start /wait msiexec /x $msi /qn COMPORT=3 SERVERNAME=servidor NETKEY=chave-da-rede
echo undeploy=%errorlevel%
echo begin deployed after uninstall
reg query "$settings_key" /s
echo end deployed after uninstall
echo done
BAT
run_batch

# The programs' own -install and the installer, value by value.
# The programs print their result without a line break: the marker may
# follow it on the same line.
grep -Eq '(^|[^-])by-hand-install=0$' <<<"$out" || fail "alerter -install failed"
grep -Eq '(^|[^-])by-hand-remove=0$' <<<"$out" || fail "alerter -remove failed"
! grep -q '^by hand left the service' <<<"$out" || fail "alerter -remove left the service"
grep -q 'web-by-hand-install=0$' <<<"$out" || fail "vigil-web -install failed"
grep -q 'web-by-hand-remove=0$' <<<"$out" || fail "vigil-web -remove failed"
! grep -q '^web by hand left the service' <<<"$out" || fail "vigil-web -remove left the service"
# same_service BY_HAND_SECTION MSI_SECTION PROGRAM
same_service() {
  local by_hand by_msi line name msi_line
  by_hand=$(values "$1") by_msi=$(values "$2")
  [ -n "$by_hand" ] || fail "$3 -install wrote no service values"
  tolerated() {
    # Windows Installer quotes the path of the service's program; Wine's msi
    # does not (dlls/msi/action.c, ITERATE_InstallService: the image path is
    # the file's target path as it is), while the programs quote a path with
    # blanks so that the manager does not cut it there.
    local name=${1%%|*} hand=${1#*|} msi=${2#*|}
    [ "$name" = ImagePath ] && [ "${hand%%|*}" = "${msi%%|*}" ] && [ "${hand#*|}" = "\"${msi#*|}\"" ] &&
      [ "${msi#*|}" = "C:\Program Files\Vigil 2.0\\$3" ]
  }
  while IFS= read -r line; do
    name=${line%%|*}
    msi_line=$(awk -F'|' -v n="$name" '$1 == n' <<<"$by_msi")
    [ "$msi_line" = "$line" ] && continue
    tolerated "$line" "$msi_line" "$3" && { echo "msi_test: tolerated: $line / $msi_line"; continue; }
    fail "service value $name: $3 -install wrote '$line', the installer '$msi_line'"
  done <<<"$by_hand"
  while IFS= read -r line; do
    awk -F'|' -v n="${line%%|*}" '$1 == n { found = 1 } END { exit !found }' <<<"$by_hand" ||
      fail "service value only the installer writes: $line"
  done <<<"$by_msi"
}
same_service 'by hand' msi alerter.exe
same_service 'web by hand' 'web msi' vigil-web.exe

grep -qx 'install=0' <<<"$out" || fail "the install failed"
[ "$(grep -c '^installed ' <<<"$out")" = "${#installed[@]}" ] ||
  fail "files are missing: $(grep '^installed ' <<<"$out" | tr '\n' ' ')"
[ "$(head -c 5 "$work/manual.pdf")" = '%PDF-' ] && [ "$(stat -c %s "$work/manual.pdf")" -gt 1000 ] ||
  fail "the installed manual is not a PDF"
vigil20_msi=$(section msi)
grep -q 'DisplayName *REG_SZ *Vigil 2.0$' <<<"$vigil20_msi" || fail "no service Vigil 2.0"
grep -q 'Start *REG_DWORD *0x2$' <<<"$vigil20_msi" || fail "the service does not start automatically"
grep -q 'Type *REG_DWORD *0x110$' <<<"$vigil20_msi" || fail "the service is not an interactive own process"
grep -q 'ErrorControl *REG_DWORD *0x1$' <<<"$vigil20_msi" || fail "the service's error control is not normal"
grep -q 'ImagePath .*C:\\Program Files\\Vigil 2.0\\alerter.exe' <<<"$vigil20_msi" || fail "the service does not run the installed alerter.exe"
[ "$(grep -c 'vigil_20_agent *REG_SZ *SOFTWARE\\Tessaly\\VigilAgent20\\CurrentVersion$' <<<"$out")" = 2 ] ||
  fail "the agent is not in both extension-agent lists"
grep -q 'Pathname .*C:\\Program Files\\Vigil 2.0\\VigilAgent20.dll$' <<<"$out" || fail "the agent's Pathname is not the installed DLL"
grep -q 'EventMessageFile .*VigilAgent20.dll$' <<<"$out" || fail "no event source VIGIL 20 SNMP"
grep -q 'Vigil20 .*Vigil20.cpl$' <<<"$out" || fail "the applet is not registered with Control Panel"
# The page's service: registered as "Vigil20" is, not started.
web_msi=$(section 'web msi')
grep -q 'DisplayName *REG_SZ *Vigil 2.0 Web$' <<<"$web_msi" || fail "no service Vigil 2.0 Web"
grep -q 'Start *REG_DWORD *0x2$' <<<"$web_msi" || fail "the page's service does not start automatically"
grep -q 'Type *REG_DWORD *0x10$' <<<"$web_msi" || fail "the page's service is not an own process"
grep -q 'ImagePath .*C:\\Program Files\\Vigil 2.0\\vigil-web.exe' <<<"$web_msi" || fail "the page's service does not run the installed vigil-web.exe"
grep -qx 'web-not-started=0' <<<"$out" || fail "the install started the page's service"
grep -q 'EventMessageFile .*vigil-web.exe$' <<<"$out" || fail "no event source VigilWeb"
! grep -q '^settings written without properties' <<<"$out" || fail "an install without properties wrote settings"
after_install=$(section 'shortcuts after install')
after_uninstall=$(section 'shortcuts after uninstall')
LC_ALL=C grep -aq 'Start Menu\\Programs\\Vigil 2.0\\Vigil 2.0.lnk$' <<<"$after_install" || fail "no Start-menu entry for the supervisor"
LC_ALL=C grep -aq 'Start Menu\\Programs\\Vigil 2.0\\Configura.*\.lnk$' <<<"$after_install" || fail "no Start-menu entry for the settings"
LC_ALL=C grep -aq 'Start Menu\\Programs\\Vigil 2.0\\Manual do Vigil 2.0.lnk$' <<<"$after_install" || fail "no Start-menu entry for the manual"

# The installed service on the simulated line.
grep -qx 'service-started=0' <<<"$out" || fail "the installed service did not start"
grep -qx 'watching=0' <<<"$out" || fail "the service did not log the start of monitoring"
grep -qx 'mains-failure=0' <<<"$out" || fail "the service did not log event 1 when DSR dropped"
grep -qx 'service-stopped=0' <<<"$out" || fail "the service did not stop"
grep -qx 'web-started=0' <<<"$out" || fail "the installed page's service did not start"
grep -qx 'web-metrics=0' <<<"$out" || fail "the installed page's service did not serve its metrics on the user's port"
grep -qx 'web-stopped=0' <<<"$out" || fail "the page's service did not stop"
# The agent, found as the SNMP service finds it.
grep -qx 'agent=0' <<<"$out" || fail "the registered agent was not found or did not answer"
grep -q '^agent vigil_20_agent: C:\\Program Files\\Vigil 2.0\\VigilAgent20.dll, region 1.3.6.1.4.1.7491' <<<"$out" ||
  fail "the registered agent is not the installed DLL serving its region"
grep -q '^agent vigil_20_agent: .*, nominal autonomy 1234, event rows 2$' <<<"$out" ||
  fail "the agent does not read the user's settings and the two events the service logged"
grep -qx 'wrong-agent=1' <<<"$out" || fail "a wrong Pathname still led to an agent"

# The uninstall: every file and registration gone, the user's things kept.
grep -qx 'uninstall=0' <<<"$out" || fail "the uninstall failed"
! grep -q '^left ' <<<"$out" || fail "the uninstall left: $(grep '^left ' <<<"$out" | tr '\n' ' ')"
! LC_ALL=C grep -aq 'Vigil 2.0\\' <<<"$after_uninstall" || fail "the uninstall left Start-menu entries"
[ -n "$(values 'settings before uninstall')" ] || fail "the user's settings were not written"
[ "$(values 'settings after uninstall')" = "$(values 'settings before uninstall')" ] ||
  fail "the uninstall changed the settings: $(values 'settings after uninstall' | tr '\n' ' ')"
[ -s "$work/events-before.dat" ] || fail "no event file before the uninstall"
cmp -s "$work/events-before.dat" "$work/events-after.dat" || fail "the uninstall changed or removed EvtVigil20.dat"

# Deployment properties.
grep -qx 'deploy=0' <<<"$out" || fail "the install with deployment properties failed"
expected=$(printf '%s\n' 'ComPort|REG_DWORD|0x3' 'HostName|REG_SZ|servidor' 'Net Key|REG_SZ|chave-da-rede' | LC_ALL=C sort)
[ "$(values deployed)" = "$expected" ] || fail "the deployment wrote: $(values deployed | tr '\n' ' ')"
grep -qx 'undeploy=0' <<<"$out" || fail "the uninstall after the deployment failed"
[ "$(values 'deployed after uninstall')" = "$expected" ] ||
  fail "the uninstall removed deployed settings: $(values 'deployed after uninstall' | tr '\n' ' ')"
# The access list of the network key's subkey: in the package for Windows
# Installer to apply. Wine's msi reads no MsiLockPermissionsEx (nor
# LockPermissions) table, so under Wine the key keeps what it inherits.
lock=$(msiinfo export "$work/Vigil20.msi" MsiLockPermissionsEx | tr -d '\r' | sed 1,3d)
[ "$lock" = "$(printf 'SegurancaAccess\tNetKey\tRegistry\t%s\t' "$expected_access")" ] ||
  fail "the package's access list for Seguranca is: $lock"
msiinfo export "$work/Vigil20.msi" Registry | awk -F'\t' '$1 == "NetKey" && $2 == 2 && $3 == "Software\\Tessaly\\Vigil 2.0\\Seguranca"' |
  grep -q . || fail "the access list's row names no registry row of the Seguranca key"
grep -q '^acl: ' <<<"$out" || fail "the access list of Seguranca could not be read"
echo "msi_test: Seguranca's access list under Wine: $(grep '^acl: ' <<<"$out")"
echo "msi_test: passed"
