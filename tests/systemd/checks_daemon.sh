# Sourced by systemd_test.sh: the container of vigil20 with vigil-gateway,
# the server of the stations that follow it on the test's link
# (checks_lan.sh). The daemon on the simulator's lines (/srv/sim/lines,
# written from here), the gateways on their packaged settings; a critical
# battery makes the daemon tell its followers, run the user's script and
# power the guest off through systemd, and each follower power its own
# guest off; then the end of a short autonomy powers the guest off again.

daemon_units=(vigil20 vigil-web vigil-nut)
daemon_conf=/usr/local/vigil20/vigil20.conf

# The daemon's settings: the packaged sample, broadcasting the UPS state
# (line 9) as the station "servidor" (line 10; the guest's host name is the
# tree's), with the user's script before the power-off (lines 16 and 17).
daemon_settings() { # CONTAINER
  local conf=$daemon_conf
  container_run "$1" sed -i -e '9s/= nao$/= sim/' -e '10s/= .*$/= servidor/' -e '16s/= nao$/= sim/' -e '17s|= .*$|= /usr/local/vigil20/antes-de-desligar|' "$conf"
  container_run "$1" sh -c 'printf "#!/bin/sh\necho \"o script do usuario\" | systemd-cat -t antes-de-desligar\n" >/usr/local/vigil20/antes-de-desligar &&
    chmod 0755 /usr/local/vigil20/antes-de-desligar'
  container_run "$1" mkdir -p /etc/systemd/system/vigil20.service.d
  container_run "$1" sh -c 'printf "[Service]\nEnvironment=VIGIL20_SIMLINES=/srv/sim/lines\nReadWritePaths=/srv/sim\n" >/etc/systemd/system/vigil20.service.d/simulator.conf'
}

check_daemon_container() {
  local name=vigil20 sim=$container_dir/sim-vigil20
  mkdir -p "$sim"
  echo "DSR CTS RI" >"$sim/lines"
  note "$name: boot, install $previous of vigil20 and vigil-gateway with apt"
  local options=(--network-bridge=lan --bind-ro="$debs:/srv/debs" --bind="$sim:/srv/sim")
  container_boot "$name" "$tree" "${options[@]}" || { fail "$name: no boot"; return; }
  container_run "$name" apt-get install -y --no-install-recommends "/srv/debs/vigil20_${previous}_amd64.deb" \
    "/srv/debs/vigil-gateway_${previous}_amd64.deb" >"$container_dir/$name.apt" 2>&1 ||
    { fail "$name: apt install failed: $(tail -20 "$container_dir/$name.apt")"; return; }
  check_installed_idle "$name" "${daemon_units[@]}"
  daemon_settings "$name"
  container_run "$name" systemctl enable "${daemon_units[@]}" 2>/dev/null || fail "$name: enable failed"

  note "$name: power off, boot again: the enabled units start at boot"
  container_end "$name"
  container_boot "$name" "$tree" "${options[@]}" || { fail "$name: no second boot"; return; }
  container_address "$name" 10.26.48.1/24 || fail "$name: no address on the link"
  lan_followers_boot
  check_ready "$name" vigil20 vigil20
  check_ready "$name" vigil-web vigil-web
  check_ready "$name" vigil-nut vigil-nut

  note "$name: the gateways at work beside the daemon"
  echo "CTS RI" >"$sim/lines"
  in_events() { container_net "$name" curl -fsS http://127.0.0.1:2648/events.csv | grep -q 'Falta de Rede'; }
  wait_for 20 in_events || fail "$name: vigil-web's events lack the daemon's mains failure"
  container_net "$name" upsc -l 127.0.0.1 >/dev/null 2>&1 || fail "$name: vigil-nut does not answer upsc"
  echo "DSR CTS RI" >"$sim/lines"

  check_watchdog "$name" "${daemon_units[@]}"
  check_restart "$name" "${daemon_units[@]}"
  check_journal "$name" "${daemon_units[@]}"

  note "$name: upgrade to $version while the services run"
  declare -A before=()
  local unit
  for unit in "${daemon_units[@]}"; do before[$unit]=$(show "$name" "$unit" MainPID); done
  container_run "$name" cp /usr/local/vigil20/vigil20.conf /root/settings-before
  container_run "$name" apt-get install -y "/srv/debs/vigil20_${version}_amd64.deb" "/srv/debs/vigil-gateway_${version}_amd64.deb" \
    >"$container_dir/$name.apt" 2>&1 || fail "$name: the upgrade failed: $(tail -20 "$container_dir/$name.apt")"
  expect "$name" "the upgrade changed the user's settings" cmp /root/settings-before /usr/local/vigil20/vigil20.conf
  for unit in "${daemon_units[@]}"; do
    new_program() { is_active "$name" "$unit" && [ "$(show "$name" "$unit" MainPID)" != "${before[$unit]}" ]; }
    wait_for 20 new_program || fail "$name: $unit was not restarted on the new program by the upgrade"
  done

  check_stop "$name" vigil-web vigil-web
  check_stop "$name" vigil-nut vigil-nut
  check_stop "$name" vigil20 vigil20
  container_run "$name" systemctl start vigil20 || fail "$name: vigil20 did not start again"

  lan_followers_start

  note "$name: a critical battery: its followers told, the user's script, then systemd's power-off of all"
  echo "CTS RI" >"$sim/lines"
  # The followers announce the mains failure they were sent: the link
  # works, and the server has acted on it before the battery goes critical.
  lan_followers_heard
  echo "RI" >"$sim/lines"
  container_wait_end "$name" 60 || fail "$name: the critical battery did not power the guest off"
  local journal
  journal=$(container_journal "$name" -b 0 -o short-monotonic 2>/dev/null)
  local started script off
  started=$(grep -n 'Desligamento iniciado' <<<"$journal" | head -1 | cut -d: -f1 || true)
  script=$(grep -n 'o script do usuario' <<<"$journal" | head -1 | cut -d: -f1 || true)
  off=$(grep -n -e 'Reached target.*Power-Off' -e 'Reached target.*System Power Off' <<<"$journal" | head -1 | cut -d: -f1 || true)
  if [ -z "$started" ] || [ -z "$script" ] || [ -z "$off" ] || [ "$started" -gt "$script" ] || [ "$script" -gt "$off" ]; then
    fail "$name: not 'Desligamento iniciado', the user's script, then the power-off ($started, $script, $off): $(tail -40 <<<"$journal")"
  fi
  check_lan_followers_off "$name"
  container_end "$name"

  note "$name: the end of a short autonomy: the user's script, then systemd's power-off"
  # No autonomy at all (line 1): the estimate runs out at the mains failure.
  # The guest is off: its settings are changed in what it wrote.
  sed -i '1s/= .*$/= 0/' "$(container_upper "$name")$daemon_conf"
  echo "DSR CTS RI" >"$sim/lines"
  container_boot "$name" "$tree" "${options[@]}" || { fail "$name: no boot for the end of autonomy"; return; }
  wait_for 20 is_active "$name" vigil20 || fail "$name: vigil20 did not start for the end of autonomy"
  echo "CTS RI" >"$sim/lines"
  container_wait_end "$name" 60 || fail "$name: the end of the autonomy did not power the guest off"
  journal=$(container_journal "$name" -b 0 -o short-monotonic 2>/dev/null)
  local over
  over=$(grep -n 'Termino da autonomia prevista' <<<"$journal" | head -1 | cut -d: -f1 || true)
  started=$(grep -n 'Desligamento iniciado' <<<"$journal" | head -1 | cut -d: -f1 || true)
  script=$(grep -n 'o script do usuario' <<<"$journal" | head -1 | cut -d: -f1 || true)
  off=$(grep -n -e 'Reached target.*Power-Off' -e 'Reached target.*System Power Off' <<<"$journal" | head -1 | cut -d: -f1 || true)
  if [ -z "$over" ] || [ -z "$started" ] || [ -z "$script" ] || [ -z "$off" ] ||
    [ "$over" -gt "$started" ] || [ "$started" -gt "$script" ] || [ "$script" -gt "$off" ]; then
    fail "$name: not the end of the autonomy, 'Desligamento iniciado', the user's script, then the power-off ($over, $started, $script, $off): $(tail -40 <<<"$journal")"
  fi
  grep -q 'Bateria em nivel critico' <<<"$journal" && fail "$name: a critical battery was announced on the end of the autonomy"
  container_end "$name"

  note "$name: boot on mains again; remove while they run, then purge"
  echo "DSR CTS RI" >"$sim/lines"
  container_boot "$name" "$tree" "${options[@]}" || { fail "$name: no last boot"; return; }
  wait_for 20 is_active "$name" vigil20 || fail "$name: vigil20 did not start on the last boot"
  container_run "$name" apt-get remove -y vigil20 vigil-gateway >"$container_dir/$name.apt" 2>&1 || fail "$name: the removal failed"
  for unit in "${daemon_units[@]}"; do
    [ -z "$(running "$name" "$unit")" ] || fail "$name: $unit runs after the removal"
  done
  # The test's own files (the user's script, the drop-in) are not the
  # packages' to remove.
  container_run "$name" rm -rf /etc/systemd/system/vigil20.service.d /usr/local/vigil20/antes-de-desligar
  container_run "$name" apt-get purge -y vigil20 vigil-gateway >"$container_dir/$name.apt" 2>&1 || fail "$name: the purge failed"
  local left
  left=$(cd "$(container_upper "$name")" && find . -path ./var/log/journal -prune -o -path ./srv -prune -o -print | grep -i vigil || true)
  [ -z "$left" ] || fail "$name: the purge left: $left"
  container_end "$name"
}

