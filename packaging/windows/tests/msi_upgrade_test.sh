#!/usr/bin/env bash
# A newer installer replaces an older one in place, under Wine in one fresh
# prefix (tests/support/wine/run.sh), three versions of this build's
# installer (same UpgradeCode, new ProductCode each):
# - on a machine whose UPS port cannot be opened (no line file), an upgrade
#   still succeeds: the service it starts afterwards fails on its own,
#   without undoing the install;
# - with the port back and the service running after a mains failure and
#   its return, the upgrade to this version leaves one product installed,
#   its files in place, the settings as they were, the event file's records
#   as they were (the service's own stop and new start appended), and the
#   service running; the page's service ("VigilWeb") is started again after
#   each upgrade too, and serves (stopped by hand before the last one: see
#   the batch).
#   msi_upgrade_test.sh SOURCE_DIR BUILD_WINDOWS_DIR MSI_PROBE_EXE
set -euo pipefail
source "$(dirname "$0")/msi_common.sh" "$1" "$2" "$3" msi_upgrade

version=$(cat "$msi_source/VERSION")
make_msi 1.8.0 oldest
make_msi 1.9.0 older
make_msi "$version" newest
uninstall_list='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

cat >"$work/check.bat" <<BAT
@echo off
set lines=Z:%VIGIL20_SIMLINES:/=\\%
rem The page, started after each upgrade, on a port of its own and for this
rem computer only.
reg add "$settings_key\\Web Server" /v "Web Port" /t REG_DWORD /d 28649 /f >nul
reg add "$settings_key\\Web Server" /v "Web Ctrl List" /t REG_DWORD /d 1 /f >nul
rem No port: the line file is missing.
del "%lines%"
start /wait msiexec /i $(windows_path "$work/oldest.msi") /qn
echo oldest=%errorlevel%
reg add "$settings_key" /v ComPort /t REG_DWORD /d 1 /f >nul
reg add "$settings_key" /v Interval /t REG_DWORD /d 100 /f >nul
reg add "$settings_key" /v "Signal Filter" /t REG_DWORD /d 0 /f >nul
reg add "$settings_key" /v LogStartStop /t REG_DWORD /d 1 /f >nul
start /wait msiexec /i $(windows_path "$work/older.msi") /qn
echo upgrade-without-port=%errorlevel%
rem The service started after the upgrade, and failed to open the port.
$probe service Vigil20 stopped 30 1066
echo failed-start=%errorlevel%
$probe service VigilWeb running 30
echo web-after-first-upgrade=%errorlevel%
echo begin products without port
reg query "$uninstall_list" /s
echo end products without port

rem The port back, the service running through a mains failure and its return.
$(set_lines "DSR CTS RI")
net start Vigil20 >nul 2>&1
$probe service Vigil20 running 30
echo running-before=%errorlevel%
$probe events 10 30
$(set_lines "CTS RI")
$probe events 1 20
$(set_lines "DSR CTS RI")
$probe events 2 20
echo events-before=%errorlevel%
echo begin settings before
reg query "$settings_key" /s
echo end settings before
copy C:\\windows\\EvtVigil20.dat "$(windows_path "$work/events-before.dat")" >nul

rem The page's service stopped first: upgraded while it runs, under Wine,
rem it was lost in about half the runs (present just after the upgrade, gone
rem seconds later: the older product's deletion of it completed once its
rem process had ended, and took the newer product's registration along).
net stop VigilWeb >nul 2>&1
$probe service VigilWeb stopped 30
echo web-stopped-before=%errorlevel%
start /wait msiexec /i $(windows_path "$work/newest.msi") /qn
echo upgrade=%errorlevel%
$probe service Vigil20 running 30
echo running-after=%errorlevel%
$probe events 10 30
echo restarted=%errorlevel%
$probe service VigilWeb running 30
echo web-running-after=%errorlevel%
$probe http 28649 /metrics "# TYPE network_ups_tools_ups_status gauge" 20
echo web-metrics-after=%errorlevel%
copy C:\\windows\\EvtVigil20.dat "$(windows_path "$work/events-after.dat")" >nul
$(existing_files installed)
echo begin settings after
reg query "$settings_key" /s
echo end settings after
echo begin products
reg query "$uninstall_list" /s
echo end products
net stop Vigil20 >nul 2>&1
net stop VigilWeb >nul 2>&1
echo done
BAT
run_batch

# products SECTION: "name|version" of each product in the Uninstall list
# that section shows.
products() {
  section "$1" | awk '/^HKEY_/ { if (name != "") print name "|" version; name = ""; version = ""; next }
    /^    DisplayName    REG_SZ    / { sub(/^    DisplayName    REG_SZ    /, ""); name = $0 }
    /^    DisplayVersion    REG_SZ    / { sub(/^    DisplayVersion    REG_SZ    /, ""); version = $0 }
    END { if (name != "") print name "|" version }' | grep '^Vigil 2.0|' || true
}

grep -qx 'oldest=0' <<<"$out" || fail "the install of 1.8.0 failed"
grep -qx 'upgrade-without-port=0' <<<"$out" || fail "the upgrade to 1.9.0 failed on a machine whose port cannot be opened"
grep -qx 'failed-start=0' <<<"$out" || fail "the service was not started after the upgrade (or did not fail with 1066)"
[ "$(products 'products without port')" = 'Vigil 2.0|1.9.0' ] ||
  fail "installed after the upgrade to 1.9.0: $(products 'products without port' | tr '\n' ' ')"

grep -qx 'running-before=0' <<<"$out" || fail "the service of 1.9.0 did not run"
grep -qx 'events-before=0' <<<"$out" || fail "the service of 1.9.0 did not log the mains failure and return"
grep -qx 'upgrade=0' <<<"$out" || fail "the upgrade to $version failed"
[ "$(products products)" = "Vigil 2.0|$version" ] ||
  fail "installed after the upgrade to $version: $(products products | tr '\n' ' ')"
[ "$(grep -c '^installed ' <<<"$out")" = "${#installed[@]}" ] ||
  fail "files are missing after the upgrade: $(grep '^installed ' <<<"$out" | tr '\n' ' ')"
[ -n "$(values 'settings before')" ] || fail "the user's settings were not written"
[ "$(values 'settings after')" = "$(values 'settings before')" ] ||
  fail "the upgrade changed the settings: $(values 'settings after' | tr '\n' ' ')"
grep -qx 'running-after=0' <<<"$out" || fail "the service is not running after the upgrade"
grep -qx 'restarted=0' <<<"$out" || fail "the service did not log its new start after the upgrade"
grep -qx 'web-after-first-upgrade=0' <<<"$out" || fail "the page's service was not started after the upgrade to 1.9.0"
grep -qx 'web-stopped-before=0' <<<"$out" || fail "the page's service did not stop before the upgrade to $version"
grep -qx 'web-running-after=0' <<<"$out" || fail "the page's service is not running after the upgrade to $version"
grep -qx 'web-metrics-after=0' <<<"$out" || fail "the upgraded page's service does not serve its metrics"
# The records from before, unchanged, then the older service's stop (11)
# and the newer one's start (10).
size=$(stat -c %s "$work/events-before.dat")
[ "$size" -gt 0 ] || fail "no event file before the upgrade"
cmp -s -n "$size" "$work/events-before.dat" "$work/events-after.dat" || fail "the upgrade changed EvtVigil20.dat's records"
appended=$(tail -c +$((size + 1)) "$work/events-after.dat" | od -An -v -t d4 -w28 | awk '{ printf "%s%s", sep, $7; sep = " " }')
[ "$appended" = "11 10" ] || fail "records appended across the upgrade: $appended"
echo "msi_upgrade: passed"
