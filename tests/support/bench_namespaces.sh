# Sourced by a benchmark's run_bench.sh with its arguments (BUILD_DIR
# [SECONDS]): sets $build and $seconds, runs the script again in private
# network, mount and PID namespaces (what it leaves running, such as
# daemons that detach, ends with the PID namespace), brings loopback up
# there and makes $work, a folder the script's own EXIT trap removes.
set -euo pipefail
build=$(cd "${1:?build directory}" && pwd)
seconds=${2:-5}
if [ -z "${VIGIL_BENCH_INSIDE:-}" ]; then
  exec env VIGIL_BENCH_INSIDE=1 unshare --net --mount --pid --fork --mount-proc "$0" "$@"
fi

ip link set lo up
work=$(mktemp -d)
