#!/usr/bin/env bash
# Installs, on Debian 12, what the build, the tests and the demonstration
# need; with the argument "windows" also the cross-build and Wine.
# Packages already present are left alone; CI always refreshes the lists.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  ccache                            # the test run's compiler cache, kept on the machine between runs
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev          # fuzz targets (libFuzzer)
  iproute2 util-linux mount hostname  # test sandboxes: ip netns, unshare, nsenter
  libfaketime                         # a wall-clock step under one daemon
  libssl-dev                          # HMAC-SHA256 of the signed datagram (libcrypto, also its static archive)
  libncurses-dev tmux                 # the applet's terminal sheet and its test
  libsnmp-dev snmp snmpd snmptrapd    # vigil-snmp on net-snmp's agent library; its clients for the tests
  smitools                            # smilint for the MIB module
  nut-client nut-server               # NUT's clients against vigil-nut; upsd and dummy-ups for its benchmark
  dpkg-dev lintian binutils patchelf  # the Debian packages (scripts/package.sh) and their checks
  groff                               # the user's manual as PDF (gropdf; groff-base lacks it) and its test
  libcivetweb-dev nlohmann-json3-dev  # vigil-web: HTTP and JSON (for Windows, CivetWeb's source package: scripts/civetweb-source.sh)
  chromium curl                       # vigil-web's page in a real browser (headless), and plain requests
  prometheus                          # promtool on packaging/prometheus; a real Prometheus scraping vigil-web
  debootstrap systemd-container       # the packages under a real systemd: a cached Debian 12 tree booted with systemd-nspawn
  libcurl4-openssl-dev                # vigil-web's notifications: e-mail over SMTP and webhooks
  python3-aiosmtpd openssl            # the notifications' tests: a real SMTP server, and a CA of the test's own
)
if [ "${1:-}" = "windows" ]; then
  packages+=(
    g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64  # the -posix compilers have std::thread
    googletest                                       # its sources, built for Windows
    wine wine64                                      # runs the Windows tests
    xvfb xauth                                       # a display for the applet's real sheet
    wixl msitools                                    # the Windows installer (scripts/package.sh)
    xorriso                                          # the installation CD's image (scripts/package.sh)
  )
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done

if [ "${#missing[@]}" -eq 0 ] && [ "${CI:-}" != "true" ]; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages: ${missing[*]}; run as root" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${packages[@]}"
