#!/usr/bin/env bash
# Builds and runs every test: the normal build, the AddressSanitizer and
# UndefinedBehaviorSanitizer build, and the fuzz targets under libFuzzer.
# Needs root: the daemon's tests run it in private Linux namespaces.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
if [ "$(id -u)" -ne 0 ]; then
  echo "test: the process tests need root for their namespaces; run with sudo" >&2
  exit 1
fi
jobs=$(nproc)

echo "== build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== sanitizer build and test"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVIGIL_SANITIZE=ON
cmake --build build-asan
ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== fuzz targets"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIGIL_FUZZ=ON
cmake --build build-fuzz --target fuzz_targets
ctest --test-dir build-fuzz --output-on-failure -L fuzz
