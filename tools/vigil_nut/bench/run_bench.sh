#!/usr/bin/env bash
# vigil-nut against NUT's own upsd (with the dummy-ups driver), in the same
# run: GET VAR requests per second with 10 clients, the worst answer time,
# and resident memory; and the replies of both to the same requests, side
# by side. Not a test: a measurement. Needs root (a private network and
# mount namespace: both servers listen on that namespace's loopback only)
# and nut-server.
#
#   tools/vigil_nut/bench/run_bench.sh BUILD_DIR [SECONDS]
# upsd and the driver detach: they end with the private PID namespace.
source "$(dirname "$0")/../../../tests/support/bench_namespaces.sh" "$@"
trap 'kill $(jobs -p) $(cat /run/nut/*.pid 2>/dev/null) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
# NUT keeps its sockets and pid files in /run/nut: a private one here.
mkdir -p /run/nut && mount -t tmpfs tmpfs /run/nut && chown root:root /run/nut
export NUT_CONFPATH=$work NUT_STATEPATH=/run/nut NUT_ALTPIDPATH=/run/nut

# upsd with dummy-ups serving one UPS named as the Vigil station.
cat > "$work/estacao1.dev" <<'DEV'
battery.charge: 98
battery.runtime: 590
device.mfr: Tessaly
device.model: Vigil 2.0
device.serial: estacao1
device.type: ups
ups.status: OB
DEV
cat > "$work/ups.conf" <<CONF
[estacao1]
  driver = dummy-ups
  port = $work/estacao1.dev
  desc = "Nobreak de estacao1"
CONF
printf 'LISTEN 127.0.0.1 3494\nMAXAGE 15\n' > "$work/upsd.conf"
printf '[monuser]\n  password = secret\n  upsmon secondary\n' > "$work/upsd.users"
printf 'MODE=netserver\n' > "$work/nut.conf"
chmod 600 "$work"/*.conf "$work/upsd.users"
/lib/nut/dummy-ups -a estacao1 -u root >"$work/dummy.log" 2>&1
/lib/nut/upsd -u root >"$work/upsd.log" 2>&1
# vigil-nut on the same loopback, fed once a second as a server would.
printf 'LISTEN 127.0.0.1 3493\nUSER monuser secret\n' > "$work/vigil-nut.conf"
chmod 600 "$work/vigil-nut.conf"
"$build/tools/vigil_nut/vigil-nut" -c "$work/vigil-nut.conf" 2>"$work/gateway.log" &
gateway=$!
"$build/tests/support/vigil-dgram" send 127.0.0.1 1000 0 estacao1 1 0 0 0 0 600 600 590 10 >/dev/null 2>&1 &
sleep 2
upsd_pid=$(cat /run/nut/upsd.pid)

rss() { awk '/^VmRSS|^VmHWM/ {printf "%s %s kB  ", $1, $2}' "/proc/$1/status"; echo; }
echo "== resident memory before the load"
echo "upsd:      $(rss "$upsd_pid")"
echo "vigil-nut: $(rss "$gateway")"
for round in 1 2; do
  echo "== round $round: GET VAR estacao1 ups.status, 10 clients, $seconds s"
  echo "upsd:      $("$build/tools/vigil_nut/bench/nut_load" 127.0.0.1 3494 estacao1 ups.status 10 "$seconds")"
  echo "vigil-nut: $("$build/tools/vigil_nut/bench/nut_load" 127.0.0.1 3493 estacao1 ups.status 10 "$seconds")"
done
echo "== resident memory after the load"
echo "upsd:      $(rss "$upsd_pid")"
echo "vigil-nut: $(rss "$gateway")"

# One request each, to both: their answers side by side.
ask() {
  exec 3<>"/dev/tcp/127.0.0.1/$1"
  printf '%s\n' "$2" >&3
  local n=0 line out=""
  while [ "$n" -lt "$3" ] && IFS= read -r -t 1 line <&3; do out+="$line~"; n=$((n + 1)); done
  exec 3<&-
  printf '%s' "$out"
}
echo "== the same requests to both (upsd | vigil-nut)"
for request in "GET VAR estacao1 ups.status" "GET VAR nada ups.status" "GET VAR estacao1 input.voltage" \
    "GET TYPE estacao1 ups.status" "GET DESC estacao1 battery.charge" "LIST CMD estacao1" "NETVER" "HELP" \
    "STARTTLS" "LOGIN estacao1" "FSD estacao1" "FROB" "GET VAR estacao1" "LOGOUT"; do
  lines=1; case "$request" in LIST*) lines=2 ;; esac
  a=$(ask 3494 "$request" $lines | tr '\n' '~'); b=$(ask 3493 "$request" $lines | tr '\n' '~')
  printf '%-34s %s %s | %s\n' "$request" "$([ "$a" = "$b" ] && echo same || echo DIFF)" "$a" "$b"
done
