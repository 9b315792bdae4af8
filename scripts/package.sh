#!/usr/bin/env bash
# Builds the programs without tests into build-package/ and makes the
# Debian packages in dist/: vigil20_<version>_amd64.deb (the Linux daemon)
# and vigil-suite_<version>_amd64.deb (the Windows suite's programs built
# for Linux). The version is the one in VERSION.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(cat VERSION)
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DVIGIL_BUILD_TESTS=OFF
cmake --build build-package -j "${VIGIL_JOBS:-2}" --target vigil20 alerter vigil-snmp vigil-reg vigil-control \
  Vigil20 vigil20s vigil-nut vigil-lines vigil-sc vigil-session vigil-msg VigilAgent20 LineTap
rm -f dist/vigil20_*.deb dist/vigil-suite_*.deb
packaging/debian/make-debs.sh build-package "$version" dist vigil20 vigil-suite
lintian --fail-on error dist/vigil20_"$version"_amd64.deb dist/vigil-suite_"$version"_amd64.deb
