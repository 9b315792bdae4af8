#!/usr/bin/env bash
# Cross-builds the Windows files into build-windows/ with mingw-w64:
# LineTap.dll and the Windows test programs (run them with
# `ctest --test-dir build-windows`, under Wine). Installs what the
# cross-build and Wine need first (Debian 12; needs root when something is
# missing). Extra arguments go to the CMake configuration.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh windows
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake "$@"
cmake --build build-windows -j "${VIGIL_JOBS:-2}"

# alerter.exe, with LineTap.dll beside it, is among what was built.
test -f build-windows/alerter/alerter.exe -a -f build-windows/alerter/LineTap.dll

# The SNMP agent and its Windows host test (agent_tests.exe, which loads the
# DLL and drives its exports under Wine) are part of that build.
test -f build-windows/agent/VigilAgent20.dll && test -f build-windows/agent/tests/agent_tests.exe
