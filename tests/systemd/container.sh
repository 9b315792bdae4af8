# Sourced by the systemd tests: boots the cached Debian 12 tree with
# systemd-nspawn, through an overlay whose upper layer is the container's
# own folder of this run (the cached tree is never written, and what the
# guest wrote, its journal included, outlives a power-off for the next boot
# and for the checks). The overlay is mounted in a mount namespace that
# only nspawn holds: it is gone with nspawn. The guest is driven from
# outside with nsenter and ended with a clean power-off. Every container
# started here is ended when the test exits, however it exits; one left by
# an interrupted run is ended by the next.
#
# The host runs no systemd of its own: nspawn is told not to register with
# machined (--register=no) and to stay in the cgroup it is started from
# (--keep-unit), a cgroup of each container's own, since two containers
# started from one cgroup collide.

# Cgroup folders of ours are named after this prefix, the test's PID and
# the container's name.
container_prefix=vigil-systemd
container_hierarchies=(/sys/fs/cgroup/systemd /sys/fs/cgroup/unified)
declare -A container_pid1=() container_nspawn=()
# The process that holds the network namespace of this run's virtual link
# (container_link_up), empty while there is none.
container_link_pid=""

container_log() { echo "container: $*" >&2; }

# The processes of one of our cgroups, in every hierarchy we made it in.
container_cgroup_pids() { # CGROUP_NAME
  local hierarchy
  for hierarchy in "${container_hierarchies[@]}"; do
    [ -d "$hierarchy/$1" ] || continue
    find "$hierarchy/$1" -name cgroup.procs -exec cat {} + 2>/dev/null
  done | sort -u
}

# Makes a cgroup of ours in every hierarchy we use.
container_cgroup_make() { # CGROUP_NAME
  local hierarchy
  for hierarchy in "${container_hierarchies[@]}"; do
    mkdir -p "$hierarchy/$1"
  done
}

# Moves the calling (sub)shell into a cgroup of ours, in every hierarchy.
container_cgroup_join() { # CGROUP_NAME
  local hierarchy
  for hierarchy in "${container_hierarchies[@]}"; do
    echo "$BASHPID" >"$hierarchy/$1/cgroup.procs"
  done
}

# Kills whatever is left in a cgroup of ours and removes its folders.
container_cgroup_clear() { # CGROUP_NAME
  local name=$1 hierarchy pids
  for _ in $(seq 50); do
    pids=$(container_cgroup_pids "$name")
    [ -z "$pids" ] && break
    kill -9 $pids 2>/dev/null || true
    sleep 0.1
  done
  for hierarchy in "${container_hierarchies[@]}"; do
    [ -d "$hierarchy/$name" ] || continue
    find "$hierarchy/$name" -depth -type d -exec rmdir {} \; 2>/dev/null || true
  done
}

# Containers of an earlier run whose test is gone: ended now.
container_clear_stale() {
  local hierarchy folder name owner
  for hierarchy in "${container_hierarchies[@]}"; do
    for folder in "$hierarchy/$container_prefix"-*; do
      [ -d "$folder" ] || continue
      name=${folder##*/}
      owner=${name#"$container_prefix"-}
      owner=${owner%%-*}
      if [ "$owner" != $$ ] && ! kill -0 "$owner" 2>/dev/null; then
        container_log "ending a container left by an earlier run ($name)"
        container_cgroup_clear "$name"
      fi
    done
  done
  # The files of those runs (guests' layers, packages).
  for folder in /tmp/"$container_prefix"-*; do
    [ -d "$folder" ] || continue
    owner=${folder#/tmp/"$container_prefix"-}
    owner=${owner%%-*}
    if [ "$owner" != $$ ] && ! kill -0 "$owner" 2>/dev/null; then rm -rf "$folder"; fi
  done
}

# container_boot NAME TREE [nspawn options...]: boots TREE as NAME and
# waits until its systemd has finished starting up.
container_boot() {
  local name=$1 tree=$2
  shift 2
  local cgroup=$container_prefix-$$-$name log=$container_dir/$name.console
  local layers=$container_dir/$name enter=()
  # Started from the link's namespace when there is one, where
  # --network-bridge finds the bridge for the container's end of its veth.
  [ -z "$container_link_pid" ] || enter=(nsenter --net="/proc/$container_link_pid/ns/net")
  # A journal on disk (journald keeps one where this folder exists): read
  # after the guest powered itself off.
  mkdir -p "$layers/upper/var/log/journal" "$layers/work" "$layers/root"
  container_cgroup_make "$cgroup"
  (
    container_cgroup_join "$cgroup"
    exec "${enter[@]}" unshare --mount --propagation private /bin/sh -c '
      mount -t overlay overlay -o "lowerdir=$1,upperdir=$2/upper,workdir=$2/work" "$2/root" || exit 1
      shift 2
      exec systemd-nspawn "$@"' overlay "$tree" "$layers" \
      --quiet --register=no --keep-unit --boot --directory="$layers/root" --machine="$name" --hostname="$name" \
      "$@" </dev/null >>"$log" 2>&1
  ) &
  container_nspawn[$name]=$!
  # The guest's PID 1: the process of our cgroup that is PID 1 of its own
  # PID namespace.
  local pid status
  for _ in $(seq 100); do
    for pid in $(container_cgroup_pids "$cgroup"); do
      status=$(awk '/^NSpid:/ { print $NF, NF }' "/proc/$pid/status" 2>/dev/null) || continue
      if [ "$status" = "1 3" ]; then
        container_pid1[$name]=$pid
        break 2
      fi
    done
    kill -0 "${container_nspawn[$name]}" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "${container_pid1[$name]:-}" ]; then
    container_log "$name did not boot: $(tail -20 "$log")"
    return 1
  fi
  local state=""
  for _ in $(seq 120); do
    state=$(container_run "$name" systemctl is-system-running 2>/dev/null) || true
    case $state in running|degraded) break ;; esac
    sleep 0.25
  done
  case $state in
    running) ;;
    degraded) container_log "$name booted degraded: $(container_run "$name" systemctl --failed --no-legend)" ;;
    *) container_log "$name did not finish booting ($state): $(tail -20 "$log")"; return 1 ;;
  esac
}

# container_upper NAME: the folder that holds what the guest wrote.
container_upper() { echo "$container_dir/$1/upper"; }

# container_journal NAME [journalctl options...]: the guest's journal, read
# from its files (also after it powered off).
container_journal() {
  local name=$1
  shift
  journalctl --no-pager -D "$(container_upper "$name")/var/log/journal" "$@"
}

# container_run NAME COMMAND...: runs COMMAND inside NAME, in all its
# namespaces, with a clean environment.
container_run() {
  local name=$1
  shift
  nsenter -t "${container_pid1[$name]}" -a /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"
}

# container_net NAME COMMAND...: runs a host COMMAND in NAME's network only
# (the host's tools against the guest's services).
container_net() {
  local name=$1
  shift
  nsenter -t "${container_pid1[$name]}" -n "$@"
}

# container_link_up: one virtual link of this run's own, a bridge named
# "lan" in a network namespace that a process of ours holds (in a cgroup of
# ours, so that an interrupted run's holder is ended like its containers).
# Containers booted with --network-bridge=lan sit on it; nothing on it
# reaches the host's network.
container_link_up() {
  local cgroup=$container_prefix-$$-link
  container_cgroup_make "$cgroup"
  (
    container_cgroup_join "$cgroup"
    exec unshare --net /bin/sh -c 'ip link set lo up && ip link add lan type bridge && ip link set lan up && exec sleep infinity'
  ) </dev/null >>"$container_dir/link.log" 2>&1 &
  container_link_pid=$!
  # Ended by a kill (container_link_down): no job report of it.
  disown "$container_link_pid"
  for _ in $(seq 50); do
    nsenter --net="/proc/$container_link_pid/ns/net" ip link show lan 2>/dev/null | grep -q 'state UP\|,UP' && return 0
    kill -0 "$container_link_pid" 2>/dev/null || break
    sleep 0.1
  done
  container_log "the virtual link did not come up: $(cat "$container_dir/link.log")"
  return 1
}

# container_link_down: the link's holder ended (after its containers).
container_link_down() {
  [ -n "$container_link_pid" ] || return 0
  container_cgroup_clear "$container_prefix-$$-link"
  container_link_pid=""
}

# container_address NAME ADDRESS/PREFIX: the guest's end of the link up with
# that address, and a route for the whole IPv4 space through it: without
# one, a datagram to 255.255.255.255 has nowhere to go. Set with the host's
# ip inside the guest's network (the tree has no ip of its own, and no
# networkd runs there to undo it).
container_address() {
  container_net "$1" ip addr add "$2" dev host0 &&
    container_net "$1" ip link set host0 up &&
    container_net "$1" ip route add default dev host0
}

# container_wait_end NAME SECONDS: true when NAME's nspawn ended in time.
container_wait_end() {
  local name=$1 seconds=$2 nspawn=${container_nspawn[$1]}
  for _ in $(seq $((seconds * 10))); do
    kill -0 "$nspawn" 2>/dev/null || { wait "$nspawn" 2>/dev/null || true; return 0; }
    sleep 0.1
  done
  return 1
}

# container_end NAME: a clean power-off (SIGRTMIN+4 to its PID 1), then
# whatever is left is killed and its cgroup removed.
container_end() {
  local name=$1
  [ -n "${container_nspawn[$name]:-}" ] || return 0
  kill -s RTMIN+4 "${container_pid1[$name]:-0}" 2>/dev/null || true
  container_wait_end "$name" 20 || container_log "$name did not power off in time: killed"
  container_cgroup_clear "$container_prefix-$$-$name"
  wait "${container_nspawn[$name]}" 2>/dev/null || true
  unset "container_nspawn[$name]" "container_pid1[$name]"
}

# container_end_guests: every container this shell booted, powered off.
container_end_guests() {
  local name
  for name in "${!container_nspawn[@]}"; do
    container_end "$name"
  done
}

# container_end_all: this shell's containers powered off, then whatever is
# left in any cgroup of this run (a container of a subshell that could not
# end its own) killed, and the link ended.
container_end_all() {
  local hierarchy folder
  container_end_guests
  for hierarchy in "${container_hierarchies[@]}"; do
    for folder in "$hierarchy/$container_prefix-$$-"*; do
      [ -d "$folder" ] || continue
      [ "${folder##*/}" = "$container_prefix-$$-link" ] || container_cgroup_clear "${folder##*/}"
    done
  done
  container_link_down
}

# container_setup: the folder of this run's files, stale containers ended,
# and the traps that end ours.
container_setup() {
  container_clear_stale
  container_dir=$(mktemp -d "/tmp/$container_prefix-$$-XXXXXX")
  trap 'container_end_all; rm -rf "$container_dir"' EXIT
  container_signal_traps
}

# The signals end the shell, through its EXIT trap. A subshell starts
# without them: one that boots containers sets them again, with an EXIT
# trap that ends its own (container_end_guests).
container_signal_traps() {
  trap 'exit 130' INT
  trap 'exit 143' TERM HUP
}
