#!/usr/bin/env bash
# Builds the programs without tests into build-package/ and makes the
# packages in dist/: vigil20_<version>_amd64.deb (the Linux daemon).
# The version is the one in VERSION.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(cat VERSION)
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DVIGIL_BUILD_TESTS=OFF
cmake --build build-package -j "${VIGIL_JOBS:-2}" --target vigil20
rm -f dist/vigil20_*.deb
packaging/debian/make-debs.sh build-package "$version" dist
lintian --fail-on error dist/vigil20_"$version"_amd64.deb
