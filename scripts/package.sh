#!/usr/bin/env bash
# Builds the programs without tests into build-package/ and makes the
# Debian packages in dist/: vigil20_<version>_amd64.deb (the Linux daemon),
# vigil-suite_<version>_amd64.deb (the Windows suite's programs built for
# Linux) and vigil-gateway_<version>_amd64.deb (vigil-nut and vigil-web,
# beside either), Vigil20-<version>-x64.msi (the Windows installer, from the
# cross-build in build-windows/, made without tests when that folder is
# new) and Vigil20-<version>.iso (the installation CD: that installer, the
# manual, the read-me and the CD's launcher). The version is the one in
# VERSION.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(cat VERSION)
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DVIGIL_BUILD_TESTS=OFF
cmake --build build-package -j "${VIGIL_JOBS:-2}" --target vigil20 alerter vigil-snmp vigil-reg vigil-control \
  Vigil20 vigil20s vigil-nut vigil-web vigil-lines vigil-sc vigil-session vigil-msg VigilAgent20 LineTap
rm -f dist/vigil20_*.deb dist/vigil-suite_*.deb dist/vigil-gateway_*.deb
packaging/debian/make-debs.sh build-package "$version" dist vigil20 vigil-suite vigil-gateway
lintian --fail-on error,warning dist/vigil20_"$version"_amd64.deb dist/vigil-suite_"$version"_amd64.deb \
  dist/vigil-gateway_"$version"_amd64.deb

if [ -f build-windows/CMakeCache.txt ]; then
  VIGIL_JOBS=${VIGIL_JOBS:-2} scripts/build-windows.sh
else
  VIGIL_JOBS=${VIGIL_JOBS:-2} scripts/build-windows.sh -DVIGIL_BUILD_TESTS=OFF
fi
rm -f dist/Vigil20-*-x64.msi
packaging/windows/make-msi.sh build-windows "$version" dist
rm -f dist/Vigil20-*.iso
packaging/cd/make-iso.sh build-windows "$version" dist
