#!/usr/bin/env bash
# Builds and runs every test: the normal build, the AddressSanitizer and
# UndefinedBehaviorSanitizer build, the threaded programs' tests under
# ThreadSanitizer, the fuzz targets under libFuzzer, and the Windows
# cross-build with its tests under Wine; then checks that the tests left no
# program running.
# Needs root: the daemon's tests run it in private Linux namespaces, and the
# Wine runs each happen in a private mount namespace. Started by another
# user, it runs itself again through sudo.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then exec sudo -E "$0" "$@"; fi
  echo "test: needs root (namespaces for the process tests and for Wine); run it as root" >&2
  exit 1
fi
scripts/install-deps.sh windows

# Five builds of one tree (plain, sanitizers, threads, fuzz, Windows): a
# compiler cache kept on the machine lets a run reuse what an earlier run,
# in any clone, compiled from the same sources and flags. A fresh machine
# compiles everything once. CMake takes the launcher from the environment
# for each build folder it configures the first time.
export CCACHE_DIR=${CCACHE_DIR:-/var/cache/vigil20-ccache} CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true
export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-6G}
export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache

# At the end, whatever happened: no program of ours may be left running. A
# test's programs carry its host root, its line file or its Wine run in
# their environment; the suite's own programs are also known by name.
ours='^(vigil20|alerter|alerter\.exe|vigil-snmp|vigil-session|vigil-nut|vigil-web|vigil-web\.exe|prometheus|vigil20s|vigil-control|linetap_peer|agent_host.*)$'
leftovers() {
  local pid comm
  for pid in $(ls /proc | grep -E '^[0-9]+$'); do
    [ "$pid" = $$ ] && continue
    comm=$(cat /proc/$pid/comm 2>/dev/null) || continue
    if [[ $comm =~ $ours ]] ||
      tr '\0' '\n' 2>/dev/null < /proc/$pid/environ |
        grep -qE '^(VIGIL20_HOST_ROOT|VIGIL20_SIMLINES|VIGIL_TEST_PREFIX|VIGIL_WINE_NAMESPACE)='; then
      echo "$pid $(tr '\0' ' ' 2>/dev/null < /proc/$pid/cmdline)"
    fi
  done
}
# Those that ran before the tests (a developer's own) are not the tests'.
already=" $(leftovers | cut -d' ' -f1 | tr '\n' ' ') "
new_leftovers() {
  leftovers | while read -r pid rest; do
    [[ $already == *" $pid "* ]] || echo "$pid $rest"
  done
}
check_leftovers() {
  local status=$1 left=""
  # A program told to end may take a moment to go.
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    left=$(new_leftovers)
    [ -z "$left" ] && break
    sleep 1
  done
  if [ -n "$left" ]; then
    echo "test: programs left running by the tests:" >&2
    echo "$left" >&2
    exit 1
  fi
  exit $status
}
# Each step says how long it took, so that the run's time can be kept
# under CI's limit step by step.
step_name="" step_started=$SECONDS
end_step() {
  if [ -n "$step_name" ]; then
    echo "== $step_name: $((SECONDS - step_started)) s (run so far: $SECONDS s)"
  fi
  step_name=""
}
step() {
  end_step
  step_name=$1 step_started=$SECONDS
  echo "== $1"
}
systemd_pid=""
end_background() {
  if [ -n "$systemd_pid" ]; then
    kill -TERM -- "-$systemd_pid" 2>/dev/null || true
    wait "$systemd_pid" 2>/dev/null || true
  fi
}
trap 'status=$?; end_step; end_background; check_leftovers $status' EXIT
# Two jobs at most: the machines have two cores, shared with other work.
jobs=2
# CTest starts the longest tests first only when it knows their times from
# an earlier run; a fresh clone has none, and a two-minute test drawn last
# holds the step two minutes longer. tests/costs/ keeps the long ones' times.
seed_costs() {
  local build=$1 costs=$2 known=$1/Testing/Temporary/CTestCostData.txt
  [ -f "$known" ] && return 0
  mkdir -p "$(dirname "$known")"
  cp "tests/costs/$costs.txt" "$known"
}

step "build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
seed_costs build plain
# No test takes ten minutes: one that does is hung, and fails instead of
# holding CI (CTest has no default timeout here).
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 600 -LE systemd

step "sanitizer build and test"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVIGIL_SANITIZE=ON
cmake --build build-asan -j "$jobs"
seed_costs build-asan asan
ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 600

step "ThreadSanitizer build of the threaded programs' tests"
# The agent's poller and SNMP service threads; alerter's status pipe threads
# and service threads, in its unit tests and in its process tests, which run
# the ThreadSanitizer build of alerter. Every report, from whichever
# process, lands in the reports folder and fails the step.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVIGIL_TSAN=ON
cmake --build build-tsan --target agent_tests alerter_unit_tests alerter_process_tests -j "$jobs"
reports=$PWD/build-tsan/tsan-reports
rm -rf "$reports" && mkdir -p "$reports"
export TSAN_OPTIONS="halt_on_error=1 log_path=$reports/report suppressions=$PWD/tests/support/tsan_suppressions.txt"
tsan_failed=0
build-tsan/agent/tests/agent_tests || tsan_failed=1
build-tsan/alerter/tests/alerter_unit_tests || tsan_failed=1
build-tsan/tests/alerter_process_tests || tsan_failed=1
unset TSAN_OPTIONS
if [ -n "$(ls -A "$reports")" ]; then
  cat "$reports"/* >&2
  tsan_failed=1
fi
if [ "$tsan_failed" -ne 0 ]; then
  echo "test: the ThreadSanitizer step failed" >&2
  exit 1
fi

step "fuzz targets, beside the packages under a real systemd"
# The plain build's programs packaged and installed in Debian 12 containers
# booted with systemd-nspawn (the root tree cached in /var/cache; the first
# run on a machine makes it from Debian's mirror, about 70 s more). The
# containers mostly wait (boots, the watchdog's idle half-minute), and the
# fuzz targets run for a set time whatever else runs, so the two go side by
# side. The containers' run is a process group of its own, ended with the
# script whatever happens (its harness powers its guests off on TERM).
systemd_log=$PWD/build/systemd-units.log
setsid ctest --test-dir build --output-on-failure -L systemd --timeout 600 > "$systemd_log" 2>&1 &
systemd_pid=$!
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIGIL_FUZZ=ON
cmake --build build-fuzz --target fuzz_targets -j "$jobs"
# Each target runs for a set time on one core: two at once take half as long.
ctest --test-dir build-fuzz --output-on-failure -L fuzz -j "$jobs"
systemd_status=0
wait "$systemd_pid" || systemd_status=$?
systemd_pid=""
cat "$systemd_log"
if [ "$systemd_status" -ne 0 ]; then
  echo "test: the packages under a real systemd failed" >&2
  exit 1
fi

step "Windows cross-build and its tests under Wine"
# Tests on, even when scripts/package.sh made build-windows/ without them.
# The LAN tests' Linux programs are the plain build's, built above, rather
# than a second Linux build made inside this one.
VIGIL_JOBS=$jobs scripts/build-windows.sh -DVIGIL_BUILD_TESTS=ON -DVIGIL_HOST_BUILD="$PWD/build"
seed_costs build-windows windows
# Now and then Wine fails to start a program at all (it exits with an error
# before the program prints a line); a failed test runs once more, so that
# only a test that fails twice fails the run. Wine has also been seen to hang
# a program before its first line: no test of that build needs five minutes,
# so one that takes them is ended and run again instead of holding CI for
# CTest's default 25.
ctest --test-dir build-windows --output-on-failure -j "$jobs" --repeat until-pass:2 --timeout 300
# A Wine run cleans up after itself (tests/support/wine/run.sh ends its
# wineserver), unless CTest killed it on its time-out: the Wine programs
# of such a run outlive it. Every test has ended here, so what is left of
# a run is of a killed one: ended now and said, not taken for a leak.
for prefix in /tmp/vigil-wine-*/prefix; do
  [ -d "$prefix" ] || continue
  left=$(grep -lsz "^WINEPREFIX=$prefix\$" /proc/[0-9]*/environ | cut -d/ -f3 | tr '\n' ' ' || true)
  [ -n "$left" ] || continue
  echo "test: ending the Wine programs of a run that CTest killed on its time-out ($prefix): $left"
  WINEPREFIX=$prefix timeout 20 wineserver -k >/dev/null 2>&1 || true
  sleep 1
  kill -9 $left 2>/dev/null || true
  rm -rf "${prefix%/prefix}"
done
