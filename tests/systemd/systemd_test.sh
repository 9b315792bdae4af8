#!/usr/bin/env bash
# The packages of this build under a real systemd: Debian 12 booted with
# systemd-nspawn from a cached root tree (made here when missing), the
# packages installed with apt as a user would, each unit checked at work,
# and the power-off carried out by systemd, alone and across the LAN. One
# container per package set, booted again only for the start at boot and
# after each power-off, every check made in it, the two sets side by side:
#   - vigil20 with vigil-gateway, the server of the LAN;
#   - a vigil20 receiver beside it, on a virtual link of the test's own;
#   - vigil-suite with vigil-gateway.
# The daemon and alerter run on the line simulator through a drop-in (the
# simulator writes the output lines into its file, as the port takes them:
# the drop-in lets them write there); the guests have no serial device and
# no network but their loopback and the test's link, which reaches nothing
# of the host's.
#   systemd_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source=$(cd "$1" && pwd) build=$(cd "$2" && pwd)
here=$source/tests/systemd
tree=${VIGIL_SYSTEMD_TREE:-/var/cache/vigil20-systemd/bookworm}

[ "$(id -u)" -eq 0 ] || { echo "systemd_test: needs root (namespaces, nspawn)" >&2; exit 1; }
for tool in systemd-nspawn debootstrap nsenter unshare ip curl upsc; do
  command -v "$tool" >/dev/null || { echo "systemd_test: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

# shellcheck source=container.sh
source "$here/container.sh"
container_setup
container_link_up

failures=0
fail() { echo "systemd_test: FAIL: $*" >&2; failures=$((failures + 1)); }
note() { echo "-- $*"; }
# expect CONTAINER DESCRIPTION COMMAND...: a check inside the guest.
expect() {
  local name=$1 what=$2
  shift 2
  container_run "$name" "$@" >/dev/null 2>&1 || fail "$name: $what"
}
# wait_for SECONDS COMMAND...: true once COMMAND succeeds within SECONDS.
wait_for() {
  local seconds=$1
  shift
  for _ in $(seq $((seconds * 5))); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  return 1
}

note "the cached tree ($tree)"
"$here/make-tree.sh" "$tree"

# relabel DEB VERSION OUT: the same package under another version.
relabel() {
  local tree
  tree=$(mktemp -d "$container_dir/relabel.XXXXXX")
  dpkg-deb -R "$1" "$tree"
  sed -i "s/^Version: .*/Version: $2/" "$tree/DEBIAN/control"
  dpkg-deb --root-owner-group -Zgzip -z1 --build "$tree" "$3" >/dev/null
  rm -rf "$tree"
}

# The packages of this build; the previous release is this build's
# packages under a lower version, so that the upgrade replaces the program
# by a file of its own while the service runs.
version=$(cat "$source/VERSION")
previous=$version~previous
debs=$container_dir/debs
mkdir -p "$debs"
chmod 0755 "$container_dir" "$debs"
"$source/packaging/debian/make-debs.sh" "$build" "$version" "$debs" vigil20 vigil-suite vigil-gateway >/dev/null
for package in vigil20 vigil-suite vigil-gateway; do
  relabel "$debs/${package}_${version}_amd64.deb" "$previous" "$debs/${package}_${previous}_amd64.deb"
done

# A time span as systemctl shows it ("1min 30s", "30s", "500ms", "0") in
# whole seconds, rounded up.
seconds_of() {
  awk -v span="$1" 'BEGIN {
    total = 0; n = split(span, parts, " ")
    for (i = 1; i <= n; i++) {
      value = parts[i] + 0; unit = parts[i]; sub(/^[0-9.]+/, "", unit)
      if (unit == "min") total += value * 60
      else if (unit == "h") total += value * 3600
      else if (unit == "ms") total += value / 1000
      else if (unit == "us") total += value / 1000000
      else total += value
    }
    printf "%d\n", (total == int(total)) ? total : int(total) + 1 }'
}

show() { # CONTAINER UNIT PROPERTY
  container_run "$1" systemctl show -P "$3" "$2"
}
is_active() { [ "$(container_run "$1" systemctl is-active "$2")" = active ]; }
# The command name of a guest process.
comm_of() { container_run "$1" cat "/proc/$2/comm" 2>/dev/null; }
# The guest's processes whose command is PROGRAM.
running() { # CONTAINER PROGRAM
  container_run "$1" sh -c 'for p in /proc/[0-9]*; do [ "$(cat $p/comm 2>/dev/null)" = "$1" ] && echo ${p#/proc/}; done; true' sh "$2"
}

# After the install: nothing enabled nor started (a monitor whose port is
# not set yet must not act on it).
check_installed_idle() { # CONTAINER UNIT...
  local name=$1 unit
  shift
  for unit in "$@"; do
    [ "$(container_run "$name" systemctl is-enabled "$unit" 2>/dev/null)" = disabled ] || fail "$name: the install enabled $unit"
    is_active "$name" "$unit" && fail "$name: the install started $unit"
  done
  return 0
}

# The most that systemd-analyze security may rate each unit (10 is a unit
# without any confinement).
declare -A exposure_aims=([vigil20]=5.0 [alerter]=5.0 [vigil-snmp]=4.0 [vigil-web]=2.5 [vigil-nut]=2.5)

# Started at boot, ready as Type=notify, its main PID the program itself,
# systemd-analyze verify silent.
check_ready() { # CONTAINER UNIT PROGRAM
  local name=$1 unit=$2 program=$3 pid
  wait_for 20 is_active "$name" "$unit" || { fail "$name: $unit is not active after boot: $(container_run "$name" systemctl status --no-pager "$unit" 2>&1 | tail -15)"; return; }
  [ "$(show "$name" "$unit" Type)" = notify ] || fail "$name: $unit is not Type=notify"
  pid=$(show "$name" "$unit" MainPID)
  [ "$(comm_of "$name" "$pid")" = "$program" ] || fail "$name: $unit's main PID $pid is '$(comm_of "$name" "$pid")', not $program"
  local exposure
  exposure=$(container_run "$name" systemd-analyze security --no-pager "$unit.service" 2>&1 | sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p')
  note "$name: $unit's exposure by systemd-analyze security: ${exposure:-none} (aim ${exposure_aims[$unit]})"
  [ -n "$exposure" ] && awk -v got="$exposure" -v aim="${exposure_aims[$unit]}" 'BEGIN { exit !(got <= aim) }' ||
    fail "$name: $unit's exposure ${exposure:-unknown} is above ${exposure_aims[$unit]}"
  local verify
  verify=$(container_run "$name" systemd-analyze verify --man=no "$unit.service" 2>&1) || fail "$name: systemd-analyze verify $unit failed"
  [ -z "$verify" ] || fail "$name: systemd-analyze verify $unit says: $verify"
}

# Every unit keeps its main process through an idle time longer than its
# WatchdogSec (one wait for all of them).
check_watchdog() { # CONTAINER UNIT...
  local name=$1 unit longest=0 seconds
  shift
  declare -A before=()
  for unit in "$@"; do
    before[$unit]=$(show "$name" "$unit" MainPID)
    seconds=$(seconds_of "$(show "$name" "$unit" WatchdogUSec)")
    [ "$seconds" -gt 0 ] || { fail "$name: $unit has no watchdog"; continue; }
    [ "$seconds" -gt "$longest" ] && longest=$seconds
  done
  note "$name: idle for $((longest + 3)) s, past the longest WatchdogSec ($longest s)"
  sleep $((longest + 3))
  for unit in "$@"; do
    [ "$(show "$name" "$unit" MainPID)" = "${before[$unit]}" ] && [ "$(show "$name" "$unit" NRestarts)" = 0 ] ||
      fail "$name: $unit did not survive the idle time: $(container_journal "$name" -u "$unit" -n 5 -o cat)"
  done
  container_journal "$name" -o cat | grep -i 'watchdog timeout' && fail "$name: a watchdog timeout in the journal"
  return 0
}

# kill -9 of each main process: systemd starts a new one.
check_restart() { # CONTAINER UNIT...
  local name=$1 unit
  shift
  declare -A before=()
  for unit in "$@"; do
    before[$unit]=$(show "$name" "$unit" MainPID)
    container_run "$name" sh -c "kill -9 ${before[$unit]}"
  done
  for unit in "$@"; do
    restarted() { [ "$(show "$name" "$unit" NRestarts)" -ge 1 ] && is_active "$name" "$unit" && [ "$(show "$name" "$unit" MainPID)" != "${before[$unit]}" ]; }
    wait_for 20 restarted || fail "$name: $unit was not started again after kill -9"
  done
}

# Each unit's own processes wrote to the journal (vigil-nut speaks only of
# what it refuses and of errors: its unit's lines are systemd's).
check_journal() { # CONTAINER UNIT...
  local name=$1 unit field
  shift
  for unit in "$@"; do
    field=_SYSTEMD_UNIT
    [ "$unit" = vigil-nut ] && field=UNIT
    [ -n "$(container_journal "$name" "$field=$unit.service" -o cat)" ] || fail "$name: no line of $unit in the journal"
  done
}

# systemctl stop ends it within its stop timeout and leaves no process.
check_stop() { # CONTAINER UNIT PROGRAM
  local name=$1 unit=$2 program=$3 limit started
  limit=$(seconds_of "$(show "$name" "$unit" TimeoutStopUSec)")
  started=$SECONDS
  container_run "$name" systemctl stop "$unit" || fail "$name: systemctl stop $unit failed"
  [ $((SECONDS - started)) -le "$limit" ] || fail "$name: stopping $unit took $((SECONDS - started)) s (limit $limit s)"
  [ "$(container_run "$name" systemctl is-active "$unit")" = inactive ] || fail "$name: $unit is not inactive after its stop"
  [ "$(show "$name" "$unit" Result)" = success ] || fail "$name: $unit stopped with $(show "$name" "$unit" Result)"
  [ -z "$(running "$name" "$program")" ] || fail "$name: $program is left running after the stop"
}

source "$here/checks_daemon.sh"
source "$here/checks_suite.sh"
source "$here/checks_lan.sh"

# The suite's container runs beside the daemon's and its followers (their
# checks mostly wait on guests: idle past the watchdog, booting, powering
# off), in a subshell that ends its own guests however it ends and whose
# status is its number of failed checks.
(
  trap container_end_guests EXIT
  container_signal_traps
  check_suite_container
  exit $((failures > 100 ? 100 : failures))
) &
suite_pid=$!
check_daemon_container
suite_failures=0
wait "$suite_pid" || suite_failures=$?
failures=$((failures + suite_failures))

if [ "$failures" -ne 0 ]; then
  echo "systemd_test: $failures checks failed" >&2
  exit 1
fi
echo "systemd_test: passed"
