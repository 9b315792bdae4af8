#!/usr/bin/env bash
# Builds and runs every test: the normal build, the AddressSanitizer and
# UndefinedBehaviorSanitizer build, the agent's tests under ThreadSanitizer,
# the fuzz targets under libFuzzer, and the
# Windows cross-build with its tests under Wine.
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
# Two jobs at most: the machines have two cores, shared with other work.
jobs=2

echo "== build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== sanitizer build and test"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVIGIL_SANITIZE=ON
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== ThreadSanitizer build of the agent tests"
# The poller's thread and the SNMP service's thread share the counters and
# the trap queue; only the agent's tests, to keep the step short.
tsan=-fsanitize=thread
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=$tsan -DCMAKE_C_FLAGS=$tsan \
  -DCMAKE_EXE_LINKER_FLAGS=$tsan -DCMAKE_SHARED_LINKER_FLAGS=$tsan
cmake --build build-tsan --target agent_tests -j "$jobs"
TSAN_OPTIONS=halt_on_error=1 build-tsan/agent/tests/agent_tests

echo "== fuzz targets"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIGIL_FUZZ=ON
cmake --build build-fuzz --target fuzz_targets -j "$jobs"
ctest --test-dir build-fuzz --output-on-failure -L fuzz

echo "== Windows cross-build and its tests under Wine"
# Tests on, even when scripts/package.sh made build-windows/ without them.
VIGIL_JOBS=$jobs scripts/build-windows.sh -DVIGIL_BUILD_TESTS=ON
# Now and then Wine fails to start a program at all (it exits with an error
# before the program prints a line); a failed test runs once more, so that
# only a test that fails twice fails the run.
ctest --test-dir build-windows --output-on-failure -j "$jobs" --repeat until-pass:2
