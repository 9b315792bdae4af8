# Sourced by systemd_test.sh: the container of vigil-suite with
# vigil-gateway. alerter on the simulator's lines (/srv/sim/lines, written
# from here), vigil-snmp answering, vigil-web reading the suite's event
# file; the gateways purged while they run; at the end a critical battery,
# then the end of a short autonomy, each make alerter run the user's script
# and power the guest off through systemd.

suite_units=(alerter vigil-snmp vigil-web)
suite_region=.1.3.6.1.4.1.7491.1.1.1

suite_setting() { # CONTAINER NAME TYPE VALUE
  container_run "$1" env VIGIL20_HOST_ROOT=/var/lib/vigil20 vigil-reg add 'HKLM\Software\Tessaly\Vigil 2.0' \
    /v "$2" /t "$3" /d "$4" /f >/dev/null || fail "$1: the setting $2 $4"
}

suite_settings() { # CONTAINER
  local setting
  for setting in "ComPort 1" "Interval 200" "Signal Filter 0"; do
    suite_setting "$1" "${setting% *}" REG_DWORD "${setting##* }"
  done
  # The user's script before the power-off.
  container_run "$1" sh -c 'printf "#!/bin/sh\necho \"o script do usuario\" | systemd-cat -t antes-de-desligar\n" >/usr/local/sbin/antes-de-desligar &&
    chmod 0755 /usr/local/sbin/antes-de-desligar'
  suite_setting "$1" RunLtScript REG_DWORD 1
  suite_setting "$1" LtScript REG_SZ /usr/local/sbin/antes-de-desligar
  container_run "$1" mkdir -p /etc/systemd/system/alerter.service.d
  container_run "$1" sh -c 'printf "[Service]\nEnvironment=VIGIL20_SIMLINES=/srv/sim/lines\nReadWritePaths=/srv/sim\n" >/etc/systemd/system/alerter.service.d/simulator.conf'
}

check_suite_container() {
  local name=suite sim=$container_dir/sim-suite
  mkdir -p "$sim"
  echo "DSR CTS RI" >"$sim/lines"
  local options=(--private-network --bind-ro="$debs:/srv/debs" --bind="$sim:/srv/sim")
  note "$name: boot, install $previous of vigil-suite and vigil-gateway with apt"
  container_boot "$name" "$tree" "${options[@]}" || { fail "$name: no boot"; return; }
  container_run "$name" apt-get install -y --no-install-recommends "/srv/debs/vigil-suite_${previous}_amd64.deb" \
    "/srv/debs/vigil-gateway_${previous}_amd64.deb" >"$container_dir/$name.apt" 2>&1 ||
    { fail "$name: apt install failed: $(tail -20 "$container_dir/$name.apt")"; return; }
  check_installed_idle "$name" "${suite_units[@]}" vigil-nut
  suite_settings "$name"
  container_run "$name" systemctl enable "${suite_units[@]}" 2>/dev/null || fail "$name: enable failed"

  note "$name: power off, boot again: the enabled units start at boot"
  container_end "$name"
  container_boot "$name" "$tree" "${options[@]}" || { fail "$name: no second boot"; return; }
  check_ready "$name" alerter alerter
  check_ready "$name" vigil-snmp vigil-snmp
  check_ready "$name" vigil-web vigil-web

  note "$name: vigil-snmp answers, vigil-web reads the suite's event file"
  answers() { container_net "$name" snmpgetnext -v 2c -c public -On -t 1 -r 2 127.0.0.1 "$suite_region" | grep -q "^$suite_region\."; }
  wait_for 10 answers || fail "$name: vigil-snmp does not answer: $(container_journal "$name" -u vigil-snmp -n 10 -o cat)"
  echo "CTS RI" >"$sim/lines"
  in_events() { container_net "$name" curl -fsS http://127.0.0.1:2648/events.csv | grep -qi 'Falta de rede'; }
  wait_for 20 in_events || fail "$name: vigil-web's events lack alerter's mains failure"
  echo "DSR CTS RI" >"$sim/lines"

  check_watchdog "$name" "${suite_units[@]}"
  check_restart "$name" "${suite_units[@]}"
  check_journal "$name" "${suite_units[@]}"

  note "$name: upgrade to $version while the services run"
  declare -A before=()
  local unit
  for unit in "${suite_units[@]}"; do before[$unit]=$(show "$name" "$unit" MainPID); done
  container_run "$name" cp /etc/vigil20/vigil-web.conf /root/web-before
  container_run "$name" sh -c 'echo "# a line of the user" >>/etc/vigil20/vigil-web.conf && cp /etc/vigil20/vigil-web.conf /root/web-before'
  container_run "$name" apt-get install -y -o Dpkg::Options::=--force-confold "/srv/debs/vigil-suite_${version}_amd64.deb" \
    "/srv/debs/vigil-gateway_${version}_amd64.deb" >"$container_dir/$name.apt" 2>&1 ||
    fail "$name: the upgrade failed: $(tail -20 "$container_dir/$name.apt")"
  expect "$name" "the upgrade changed the user's vigil-web.conf" cmp /root/web-before /etc/vigil20/vigil-web.conf
  for unit in "${suite_units[@]}"; do
    new_program() { is_active "$name" "$unit" && [ "$(show "$name" "$unit" MainPID)" != "${before[$unit]}" ]; }
    wait_for 20 new_program || fail "$name: $unit was not restarted on the new program by the upgrade"
  done
  container_run "$name" env VIGIL20_HOST_ROOT=/var/lib/vigil20 vigil-reg query 'HKLM\Software\Tessaly\Vigil 2.0' /v Interval \
    2>/dev/null | grep -q 0xc8 || fail "$name: the upgrade lost the user's setting"

  check_stop "$name" vigil-snmp vigil-snmp

  note "$name: the gateways removed while vigil-web runs, then purged"
  container_run "$name" apt-get remove -y vigil-gateway >"$container_dir/$name.apt" 2>&1 || fail "$name: the removal failed"
  [ -z "$(running "$name" vigil-web)" ] || fail "$name: vigil-web runs after the removal"
  container_run "$name" apt-get purge -y vigil-gateway >"$container_dir/$name.apt" 2>&1 || fail "$name: the purge failed"
  local left
  left=$(cd "$(container_upper "$name")" && find . -path ./var/log/journal -prune -o -path ./srv -prune -o -print |
    grep -i -e 'vigil-web' -e 'vigil-nut' -e 'vigil-gateway' -e '/web$' || true)
  [ -z "$left" ] || fail "$name: the gateways' purge left: $left"

  note "$name: a critical battery: alerter runs the user's script and has systemd power the guest off"
  echo "RI" >"$sim/lines"
  container_wait_end "$name" 60 || fail "$name: the critical battery did not power the guest off"
  local journal
  journal=$(container_journal "$name" -b 0 -o short-monotonic 2>/dev/null)
  local event script off
  event=$(grep -n 'alerter\[.*Bateria baixa' <<<"$journal" | head -1 | cut -d: -f1 || true)
  script=$(grep -n 'o script do usuario' <<<"$journal" | head -1 | cut -d: -f1 || true)
  off=$(suite_power_off_line <<<"$journal")
  if [ -z "$event" ] || [ -z "$script" ] || [ -z "$off" ] || [ "$event" -gt "$script" ] || [ "$script" -gt "$off" ]; then
    fail "$name: not alerter's critical battery, the user's script, then the power-off ($event, $script, $off): $(tail -40 <<<"$journal")"
  fi
  container_end "$name"

  note "$name: the end of a short autonomy: alerter runs the user's script and has systemd power the guest off"
  echo "DSR CTS RI" >"$sim/lines"
  container_boot "$name" "$tree" "${options[@]}" || { fail "$name: no boot for the end of autonomy"; return; }
  # Two seconds of autonomy, taken at alerter's start.
  suite_setting "$name" "Autonomia Nominal" REG_DWORD 2
  container_run "$name" systemctl restart alerter || fail "$name: alerter did not start again on its short autonomy"
  echo "CTS RI" >"$sim/lines"
  container_wait_end "$name" 60 || fail "$name: the end of the autonomy did not power the guest off"
  journal=$(container_journal "$name" -b 0 -o short-monotonic 2>/dev/null)
  local over accepted
  over=$(grep -n 'alerter\[.*rmino da autonomia prevista' <<<"$journal" | head -1 | cut -d: -f1 || true)
  accepted=$(grep -n 'alerter\[.*Desligamento' <<<"$journal" | head -1 | cut -d: -f1 || true)
  script=$(grep -n 'o script do usuario' <<<"$journal" | head -1 | cut -d: -f1 || true)
  off=$(suite_power_off_line <<<"$journal")
  if [ -z "$over" ] || [ -z "$accepted" ] || [ -z "$script" ] || [ -z "$off" ] ||
    [ "$over" -gt "$accepted" ] || [ "$accepted" -gt "$script" ] || [ "$script" -gt "$off" ]; then
    fail "$name: not alerter's end of the autonomy, its shutdown, the user's script, then the power-off ($over, $accepted, $script, $off): $(tail -40 <<<"$journal")"
  fi
  grep -q 'alerter\[.*Bateria baixa' <<<"$journal" && fail "$name: a critical battery was announced on the end of the autonomy"
  container_end "$name"
}

# The first line of systemd's power-off in a journal read from the
# standard input. After a critical battery alerter's power-off is forced,
# as on Windows: systemd stops no unit, and its "Shutting down" is the
# power-off.
suite_power_off_line() {
  grep -n -e 'Powering off' -e 'Reached target.*Power' -e 'System is powering down' -e 'systemd\[1\]: Shutting down' |
    head -1 | cut -d: -f1 || true
}
