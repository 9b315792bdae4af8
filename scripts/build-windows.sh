#!/usr/bin/env bash
# Cross-builds the Windows files into build-windows/ with mingw-w64:
# LineTap.dll and the Windows test programs (run them with
# `ctest --test-dir build-windows`, under Wine). Installs what the
# cross-build and Wine need first (Debian 12; needs root when something is
# missing). Extra arguments go to the CMake configuration.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh windows
# vigil-web's notifications: libcurl with Schannel, from Debian's source
# package, built once per curl version (a few minutes) and cached.
curl_prefix=$(scripts/build-windows-curl.sh)
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DVIGIL_MINGW_CURL="$curl_prefix" "$@"
cmake --build build-windows -j "${VIGIL_JOBS:-2}"

# The suite's Windows files built above; the test programs only when the
# configuration (this run's or an earlier one's) builds tests.
files=(alerter/alerter.exe alerter/LineTap.dll applet/Vigil20.cpl launcher/launcher.exe tools/vigil20s/vigil20s.exe
  agent/VigilAgent20.dll)
if grep -q '^VIGIL_BUILD_TESTS:BOOL=ON$' build-windows/CMakeCache.txt; then
  files+=(agent/tests/agent_tests.exe)
fi
for file in "${files[@]}"; do
  [ -f "build-windows/$file" ] || { echo "build-windows: $file is missing" >&2; exit 1; }
done

# The applet's component puts the applet and the supervisor it starts in
# the system directory under the prefix (the Windows directory).
windir=$(mktemp -d)
trap 'rm -rf "$windir"' EXIT
cmake --install build-windows --prefix "$windir" --component applet >/dev/null
for file in system32/Vigil20.cpl system32/vigil20s.exe; do
  [ -f "$windir/$file" ] || { echo "build-windows: the applet's install has no $file" >&2; exit 1; }
done
