#!/usr/bin/env bash
# Builds the Linux programs, then plays one mains failure on a small LAN of
# network namespaces (scripts/demo-road.sh): vigil20 on the UPS's simulated
# lines broadcasting, alerter and vigil20 as network clients, vigil20s
# showing the client's status, the SNMP agent walked; about a minute. It
# ends with the status page's overview as Debian's Chromium shows it, in
# build/demo/vigil-web-overview.png.
#
#   scripts/demo.sh                the LAN
#   scripts/demo.sh --daemon-only  vigil20 alone, in one private sandbox
#                                  (its countdown, the return, its log)
#
# Every computer lives in namespaces of its own (/usr/local, IPC keys,
# network, PIDs, recorders in place of the power-off programs and of
# /dev/console), so that nothing of this machine is touched.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=lan
case "${1:-}" in
  "") ;;
  --daemon-only) mode=daemon ;;
  *) echo "usage: scripts/demo.sh [--daemon-only]" >&2; exit 2 ;;
esac

# The namespaces need root; started by another user, it runs itself again
# through sudo.
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then exec sudo -E "$0" "$@"; fi
  echo "demo: the namespaces need root; run it as root" >&2
  exit 1
fi
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

if [ "$mode" = lan ]; then
  cmake --build build --target vigil20 vigil-lines alerter vigil-reg vigil20s vigil-snmp VigilAgent20 vigil-web ns_init
  exec bash scripts/demo-road.sh
fi

cmake --build build --target vigil20 vigil-lines

sandbox=$(mktemp -d /tmp/vigil-demo-XXXXXX)
trap 'rm -rf "$sandbox"' EXIT
chmod 755 "$sandbox"
mkdir -p "$sandbox/vigil20" "$sandbox/sbin"
for program in poweroff shutdown init; do
  printf '#!/bin/sh\necho "$0 $*" >> /usr/local/recorded\n' > "$sandbox/sbin/$program"
  chmod 755 "$sandbox/sbin/$program"
done
: > "$sandbox/console"

unshare --mount --ipc --net --pid --fork --propagation private \
  env VIGIL20_BIN="$PWD/build/linux/vigil20" VIGIL_LINES="$PWD/build/tools/vigil-lines" \
  /bin/sh -c "
    mount --bind '$sandbox' /usr/local &&
    mount --bind /usr/local/sbin \"\$(readlink -f /sbin)\" &&
    mount --bind /usr/local/console /dev/console &&
    exec /bin/bash '$PWD/scripts/demo-inside.sh'"
