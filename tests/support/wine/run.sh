#!/usr/bin/env bash
# Runs one Windows program under Wine for the tests (the build's
# CMAKE_CROSSCOMPILING_EMULATOR), never within reach of a real serial port:
#
# - in a private mount namespace in which every /dev/ttyS* (and USB or ACM
#   serial device) is /dev/null, checked before Wine starts: Wine maps COM1
#   to /dev/ttyS0, a real UART on these machines;
# - in a fresh prefix of its own, an overlay over a template made once per
#   build folder: null graphics driver (windows and timers without a
#   display), no crash dialog, and AeDebug's Debugger naming a program that
#   does not exist, so that a crash fails the run instead of passing as a
#   status 0 from winedbg;
# - with a persistent wineserver started first, so that Wine's background
#   processes do not hold the program's output open, and ended afterwards.
#
# With VIGIL_WINE_PTY_PORT=N, COMN is a pseudo-terminal whose modem lines
# the LD_PRELOAD shim answers from the line file VIGIL_PTY_LINES (made here,
# empty: every input inactive).
#
# /sys/class/power_supply, from which Wine answers GetSystemPowerStatus, is
# an empty folder of this run (no battery), named in VIGIL_POWER_SUPPLY_TREE,
# where a test writes the supplies it wants the program to see; never this
# machine's own.
#
# With VIGIL_WINE_DRIVE_D=FOLDER, drive D: of the run's prefix is FOLDER (a
# CD's files, say), made before the program starts.
#
#   run.sh --dir WORK_DIR PROGRAM [ARGUMENT...]
#
# WORK_DIR holds the template and the helpers (build-windows/wine).
set -euo pipefail

if [ "${1:-}" != "--dir" ] || [ $# -lt 3 ]; then
  echo "usage: run.sh --dir WORK_DIR PROGRAM [ARGUMENT...]" >&2
  exit 2
fi
work=$2
shift 2

if [ -z "${VIGIL_WINE_NAMESPACE:-}" ]; then
  export VIGIL_WINE_NAMESPACE=1
  if [ "$(id -u)" -eq 0 ]; then
    exec unshare --mount --propagation private -- "$0" --dir "$work" "$@"
  fi
  exec unshare --user --map-root-user --mount --propagation private -- "$0" --dir "$work" "$@"
fi

# Inside the namespace: no real serial device is left.
null_device=$(stat -c '%t:%T' /dev/null)
for device in /dev/ttyS* /dev/ttyUSB* /dev/ttyACM*; do
  [ -e "$device" ] || continue
  mount --bind /dev/null "$device"
  if [ "$(stat -c '%t:%T' "$device")" != "$null_device" ]; then
    echo "run.sh: $device could not be replaced; not running Wine" >&2
    exit 1
  fi
done

export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs; and no menu builder, which would put
# the Start-menu entries that an installer makes into this machine's own
# desktop menus (~/.local/share/applications, ~/.config/menus).
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

template=$work/prefix-template
mkdir -p "$work"
(
  flock 9
  if [ ! -e "$template/.ready" ]; then
    rm -rf "$template"
    export WINEPREFIX=$template
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
      /d 'C:\vigil-no-debugger\none.exe' /f >/dev/null
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 1 /f >/dev/null
    wineserver -w
    touch "$template/.ready"
  fi
) 9>"$work/prefix-template.lock"

run=$(mktemp -d "${TMPDIR:-/tmp}/vigil-wine-XXXXXX")
mkdir "$run/upper" "$run/work" "$run/prefix"
cleanup() {
  WINEPREFIX=$run/prefix wineserver -k >/dev/null 2>&1 || true
  umount "$run/prefix" 2>/dev/null || true
  rm -rf "$run"
}
trap cleanup EXIT
mount -t overlay overlay -o "lowerdir=$template,upperdir=$run/upper,workdir=$run/work" "$run/prefix"
export WINEPREFIX=$run/prefix
# VIGIL_WINE_GRAPHICS=x11: this run's windows are drawn on the X display in
# DISPLAY (a test that looks at them) instead of the null driver.
if [ -n "${VIGIL_WINE_GRAPHICS:-}" ]; then
  sed -i "s/^\"Graphics\"=\"null\"/\"Graphics\"=\"$VIGIL_WINE_GRAPHICS\"/" "$WINEPREFIX/user.reg"
fi
if [ -n "${VIGIL_WINE_DRIVE_D:-}" ]; then
  [ -d "$VIGIL_WINE_DRIVE_D" ] || { echo "run.sh: no folder $VIGIL_WINE_DRIVE_D for drive D:" >&2; exit 1; }
  rm -f "$WINEPREFIX/dosdevices/d:" "$WINEPREFIX/dosdevices/d::"
  ln -s "$(cd "$VIGIL_WINE_DRIVE_D" && pwd)" "$WINEPREFIX/dosdevices/d:"
fi
if [ -d /sys/class/power_supply ]; then
  export VIGIL_POWER_SUPPLY_TREE=$run/power_supply
  mkdir "$VIGIL_POWER_SUPPLY_TREE"
  touch "$VIGIL_POWER_SUPPLY_TREE/.vigil-run"
  mount --bind "$VIGIL_POWER_SUPPLY_TREE" /sys/class/power_supply
  if [ ! -e /sys/class/power_supply/.vigil-run ]; then
    echo "run.sh: /sys/class/power_supply could not be replaced; not running Wine" >&2
    exit 1
  fi
fi
# The mark that tests/support/test_host_win32.cpp asks for.
export VIGIL_TEST_PREFIX=$run
# With VIGIL_WINE_SIMLINES set, VIGIL20_SIMLINES names a line file of this
# run (every input active), for the program and for the services it
# starts: Wine's service manager gives services the system environment of
# the registry as it read it when it started, so the variable is stored
# there first and that first session ended.
if [ -n "${VIGIL_WINE_SIMLINES:-}" ]; then
  export VIGIL20_SIMLINES=$run/simlines
  echo "DSR CTS RI" > "$VIGIL20_SIMLINES"
  wine reg add 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' \
    /v VIGIL20_SIMLINES /d "$VIGIL20_SIMLINES" /f >/dev/null
  wineserver -w
fi
wineserver -p >/dev/null 2>&1 </dev/null

status=0
if [ -n "${VIGIL_WINE_PTY_PORT:-}" ]; then
  export VIGIL_PTY_LINES=$run/pty-lines
  : > "$VIGIL_PTY_LINES"
  "$work/pty_port" "$WINEPREFIX/dosdevices/com$VIGIL_WINE_PTY_PORT" "$work/modem_shim.so" -- wine "$@" || status=$?
else
  wine "$@" || status=$?
fi
exit "$status"
