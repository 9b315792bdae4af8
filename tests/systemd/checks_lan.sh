# Sourced by systemd_test.sh: the stations that follow the vigil20 server
# (checks_daemon.sh) across the LAN, each a guest of its own on the test's
# link: a vigil20 receiver, and alerter (vigil-suite) as a client. Booted
# and installed while the server's checks run, started before its critical
# battery, which must power each of them off by systemd, each told before
# the server's own power-off. Both follow the station "servidor" only.

declare -A lan_apt_pid=() lan_ready=()
# What each follower logs on the server's mains failure, and on the
# shutdown it starts for the server's critical battery.
declare -A lan_heard=([receiver]='vigil20\[.*servidor: Falta de Rede' [client]='alerter\[.*Falta de rede')
declare -A lan_told=([receiver]='vigil20\[.*Desligamento iniciado' [client]='alerter\[.*Bateria baixa')
lan_power_off='Powering off|Reached target.*Power|System is powering down|systemd\[1\]: Shutting down'

lan_boot() { # NAME ADDRESS PACKAGE
  container_boot "$1" "$tree" --network-bridge=lan --bind-ro="$debs:/srv/debs" || { fail "$1: no boot"; return; }
  container_address "$1" "$2" || fail "$1: no address on the link"
  container_run "$1" apt-get install -y --no-install-recommends "/srv/debs/${3}_${version}_amd64.deb" \
    >"$container_dir/$1.apt" 2>&1 &
  lan_apt_pid[$1]=$!
}

lan_followers_boot() {
  note "receiver, client: boot on the link beside vigil20, install vigil20 and vigil-suite with apt"
  lan_boot receiver 10.26.48.2/24 vigil20
  lan_boot client 10.26.48.3/24 vigil-suite
}

# The receiver: not wired to the UPS (line 7), receiving (line 11) from
# that station only (lines 12 and 13).
lan_start_receiver() {
  container_run receiver sed -i -e '7s/= sim$/= nao/' -e '11s/= nao$/= sim/' -e '12s/= .*$/= nao/' \
    -e '13s/= .*$/= servidor/' "$daemon_conf"
  container_run receiver systemctl start vigil20 || { fail "receiver: vigil20 did not start"; return 1; }
}

# The client: listening (Net Mode 5), its UPS the network's (ComMode 2),
# its monitor ticking as often as the suite's.
lan_start_client() {
  suite_setting client Interval REG_DWORD 200
  suite_setting client "Net Mode" REG_DWORD 5
  suite_setting client ComMode REG_DWORD 2
  suite_setting client AcceptAll REG_DWORD 0
  suite_setting client HostName REG_SZ servidor
  container_run client systemctl start alerter || { fail "client: alerter did not start"; return 1; }
}

# Each follower, once installed, set and started; lan_ready names those
# that started.
lan_followers_start() {
  local name
  for name in "${!lan_apt_pid[@]}"; do
    if ! wait "${lan_apt_pid[$name]}"; then
      fail "$name: apt install failed: $(tail -20 "$container_dir/$name.apt")"
      continue
    fi
    "lan_start_$name" && lan_ready[$name]=1
  done
}

lan_followers_heard() {
  local name
  for name in "${!lan_ready[@]}"; do
    heard() { container_journal "$name" -o short | grep -qi "${lan_heard[$name]}"; }
    wait_for 30 heard || fail "$name: did not hear the server's mains failure: $(container_journal "$name" -n 10 -o cat)"
  done
}

# Each follower's guest ended by systemd's power-off, its shutdown line in
# its journal before the server's power-off (the guests share the host's
# clock).
check_lan_followers_off() { # SERVER
  local name off told journal
  off=$(container_journal "$1" -b 0 -o short-unix 2>/dev/null | grep -E 'Reached target.*(Power-Off|System Power Off)' |
    head -1 | cut -d' ' -f1 || true)
  for name in "${!lan_ready[@]}"; do
    container_wait_end "$name" 60 || fail "$name: the server's critical battery did not power the guest off"
    journal=$(container_journal "$name" -b 0 -o short-unix 2>/dev/null)
    told=$(grep "${lan_told[$name]}" <<<"$journal" | head -1 | cut -d' ' -f1 || true)
    if [ -z "$told" ] || [ -z "$off" ] || ! awk -v told="$told" -v off="$off" 'BEGIN { exit !(told < off) }'; then
      fail "$name: its shutdown ($told) is not before the server's power-off ($off): $(tail -10 <<<"$journal")"
    else
      note "$name: its shutdown $(awk -v told="$told" -v off="$off" 'BEGIN { printf "%.2f", off - told }') s before the server's power-off"
    fi
    grep -q -E "$lan_power_off" <<<"$journal" || fail "$name: its guest did not end by systemd's power-off: $(tail -10 <<<"$journal")"
    container_end "$name"
  done
}
