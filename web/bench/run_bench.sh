#!/usr/bin/env bash
# vigil-web under load: answers per second and the worst answer time of
# /metrics and /api/status with 10 clients and 50 stations heard; resident
# memory with those 50 stations and 7 days of history each; the history's
# size on disk for 7 days of a station that fails once an hour. Not a
# test: a measurement. Needs root (a private network, mount and PID
# namespace: vigil-web listens on that namespace's loopback only).
#
#   web/bench/run_bench.sh BUILD_DIR [SECONDS]
source "$(dirname "$0")/../../tests/support/bench_namespaces.sh" "$@"
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT

echo "== history on disk: 7 days of one station that fails once an hour"
"$build/web/bench/history_fill" "$work/one" 1 7

echo "== 50 stations with 7 days of history each"
"$build/web/bench/history_fill" "$work/state" 50 7
printf 'LISTEN 127.0.0.1 2648\nSTATE %s\n' "$work/state" > "$work/vigil-web.conf"
VIGIL20_HOST_ROOT=$work/root "$build/web/vigil-web" -c "$work/vigil-web.conf" 2>"$work/web.log" &
web=$!
# The 50 stations heard, each every 5 seconds as a server repeats itself;
# every fifth on battery.
for n in $(seq 1 50); do
  pf=$((n % 5 == 0 ? 1 : 0))
  "$build/tests/support/vigil-dgram" send 127.0.0.1 5000 0 "estacao$n" $pf 0 0 0 0 600 600 590 $((pf * 10)) \
    >/dev/null 2>&1 &
done
sleep 3
rss() { awk '/^VmRSS|^VmHWM/ {printf "%s %s kB  ", $1, $2}' "/proc/$1/status"; echo; }
echo "vigil-web, 50 stations heard, before the load: $(rss "$web")"
printf 'stations in /api/status: %s\n' "$(curl -s http://127.0.0.1:2648/api/status | grep -o '"name"' | wc -l)"
curl -s http://127.0.0.1:2648/station/estacao1 >/dev/null
echo "vigil-web after a station page (7 days read and drawn): $(rss "$web")"

echo "== 10 clients, keep-alive, ${seconds} s each"
for path in /metrics /api/status; do
  "$build/web/bench/web_load" 127.0.0.1 2648 "$path" 10 "$seconds"
done
echo "vigil-web after the load: $(rss "$web")"
echo "== sizes of the answers"
for path in /metrics /api/status /station/estacao5 /events.csv; do
  printf '%-18s %s bytes\n' "$path" "$(curl -s http://127.0.0.1:2648$path | wc -c)"
done
