#!/usr/bin/env bash
# Builds vigil20 and shows it at work on the line simulator, in a private
# sandbox (its own /usr/local, IPC keys, network and PIDs, recorders in
# place of the power-off programs and of /dev/console), so that nothing of
# this machine is touched.
set -euo pipefail
cd "$(dirname "$0")/.."

# The sandbox needs root; started by another user, it runs itself again
# through sudo.
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then exec sudo -E "$0" "$@"; fi
  echo "demo: the sandbox needs root; run it as root" >&2
  exit 1
fi
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
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
