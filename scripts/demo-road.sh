#!/usr/bin/env bash
# The road demonstration; scripts/demo.sh runs it as root after the build.
# A small LAN made of network namespaces joined by a bridge, three
# computers, each in private namespaces of its own (its /usr/local, host
# name, hosts file, System V keys, PIDs, and recorders in place of the
# power-off programs and of /dev/console):
#   servidor  wired to the UPS (simulated lines): vigil20, broadcasting
#   cliente   no UPS cable: alerter as a network client, vigil20s showing
#             its status, the SNMP agent (vigil-snmp) and the status page
#             (vigil-web) beside it
#   estacao   no UPS cable: vigil20 as a network receiver
# At the end Debian's Chromium, headless inside cliente, takes a picture of
# the page's overview: build/demo/vigil-web-overview.png.
# Nothing outside these namespaces is touched (but for that picture), and
# everything ends with the script, even when it fails.
set -euo pipefail

build=$PWD/build
VIGIL20=$build/linux/vigil20
LINES=$build/tools/vigil-lines
ALERTER=$build/alerter/alerter
REG=$build/tools/vigil-reg
SUPERVISOR=$build/tools/vigil20s/vigil20s
SNMP=$build/tools/vigil-snmp
AGENT=$build/agent/libVigilAgent20.so
WEB=$build/web/vigil-web
PICTURE=$build/demo/vigil-web-overview.png
NS_INIT=$build/tests/support/ns_init

bold() { printf '\n\033[1m%s\033[0m\n' "$*"; }
say() { printf '%s\n' "$*"; }

id=$$
lan=vigil-demo-$id
work=$(mktemp -d /tmp/vigil-demo-XXXXXX)
chmod 755 "$work"
names=(servidor cliente estacao)
declare -A holder launcher

cleanup() {
  set +e
  for name in "${names[@]}"; do
    # The first process of a computer's PID namespace: with it goes
    # everything that computer ran.
    [ -n "${holder[$name]:-}" ] && kill -9 "${holder[$name]}" 2>/dev/null
    [ -n "${launcher[$name]:-}" ] && wait "${launcher[$name]}" 2>/dev/null
    ip netns del "$lan-$name" 2>/dev/null
  done
  ip netns del "$lan-sw" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Runs a command on one computer, in its /usr/local.
on() {
  local name=$1
  shift
  nsenter --target "${holder[$name]}" --mount --uts --ipc --net --pid -- /bin/sh -c "cd /usr/local && $*"
}

bold "Building a LAN of three computers in network namespaces (192.168.77.0/24)"
ip netns add "$lan-sw"
ip -n "$lan-sw" link add br0 type bridge
ip -n "$lan-sw" link set br0 up
hosts="127.0.0.1 localhost"$'\n'
for i in 0 1 2; do hosts+="192.168.77.$((10 + i)) ${names[$i]}"$'\n'; done
for i in 0 1 2; do
  name=${names[$i]}
  ns=$lan-$name
  ip netns add "$ns"
  ip link add "vd$id$i" type veth peer name "vs$id$i"
  ip link set "vd$id$i" netns "$ns"
  ip link set "vs$id$i" netns "$lan-sw"
  ip -n "$lan-sw" link set "vs$id$i" master br0 up
  ip -n "$ns" link set lo up
  ip -n "$ns" addr add "192.168.77.$((10 + i))/24" brd + dev "vd$id$i"
  ip -n "$ns" link set "vd$id$i" up
  ip -n "$ns" route add default dev "vd$id$i"

  root=$work/$name
  mkdir -p "$root/sbin" "$root/vigil20"
  for program in poweroff shutdown init; do
    printf '#!/bin/sh\necho "$0 $*" >> /usr/local/recorded\n' > "$root/sbin/$program"
    chmod 755 "$root/sbin/$program"
  done
  : > "$root/console"
  printf '%s' "$hosts" > "$root/hosts"
  echo "hosts: files" > "$root/nsswitch.conf"
  ip netns exec "$ns" unshare --mount --uts --ipc --pid --fork --propagation private /bin/sh -c "
    set -e
    hostname $name
    mount --bind '$root' /usr/local
    mount --bind /usr/local/sbin \"\$(readlink -f /sbin)\"
    mount --bind /usr/local/console /dev/console
    mount --bind /usr/local/hosts /etc/hosts
    mount --bind /usr/local/nsswitch.conf /etc/nsswitch.conf
    mount -t tmpfs -o size=8m tmpfs /dev/shm
    if command -v systemctl >/dev/null; then mount --bind /usr/local/sbin/poweroff \"\$(command -v systemctl)\"; fi
    exec '$NS_INIT' /usr/local/holder.pid /usr/local/exits" 2> "$work/$name.err" &
  launcher[$name]=$!
  for _ in $(seq 100); do [ -s "$root/holder.pid" ] && break; sleep 0.1; done
  [ -s "$root/holder.pid" ] || { cat "$work/$name.err" >&2; echo "demo: $name did not start" >&2; exit 1; }
  holder[$name]=$(cat "$root/holder.pid")
  say "  ${names[$i]}: 192.168.77.$((10 + i))"
done

daemon_conf() {  # station, wired to the UPS (sim/nao), sends, receives
  cat <<CONF
Autonomia em minutos = 1
Tempo de recarga em horas = 1
Desligar no fim da autonomia (sim/nao) = sim
Desligar com bateria em nivel critico (sim/nao) = sim
Avisos sonoros (sim/nao) = sim
Mensagens no console (sim/nao) = sim
Nobreak ligado a este computador (sim/nao) = $2
Porta serial (COM1 a COM8) = COM1
Enviar o estado pela rede (sim/nao) = $3
Nome desta estacao = $1
Receber o estado pela rede (sim/nao) = $4
Aceitar qualquer servidor (sim/nao) = nao
Servidor aceito = servidor
Sinal de bypass (sim/nao) = sim
Filtro de estabilidade (sim/naom) = sim
Executar comando antes de desligar (sim/nao) = nao
Comando = 
CONF
}

bold "servidor: vigil20 watches the UPS (one minute of battery) and broadcasts its state"
daemon_conf servidor sim sim nao > "$work/servidor/vigil20/vigil20.conf"
"$LINES" "$work/servidor/lines" set DSR CTS RI
on servidor "VIGIL20_SIMLINES=/usr/local/lines $VIGIL20"
say "  the UPS lines: $("$LINES" "$work/servidor/lines" show | tr '\n' ' ')(all active: mains present)"

bold "estacao: vigil20 as a network receiver of servidor"
daemon_conf estacao nao nao sim > "$work/estacao/vigil20/vigil20.conf"
"$LINES" "$work/estacao/lines" set DSR CTS RI
on estacao "VIGIL20_SIMLINES=/usr/local/lines $VIGIL20"

bold "cliente: alerter as a network client of servidor, and vigil20s showing its status"
reg() { on cliente "VIGIL20_HOST_ROOT=/usr/local/root $REG add 'HKLM\\Software\\Tessaly\\Vigil 2.0' $*" >/dev/null; }
reg "/v ComMode /t REG_DWORD /d 2 /f"
reg "/v 'Net Mode' /t REG_DWORD /d 5 /f"
reg "/v AcceptAll /t REG_DWORD /d 0 /f"
reg "/v HostName /t REG_SZ /d servidor /f"
reg "/v Interval /t REG_DWORD /d 500 /f"
reg "/v BadServerDelay /t REG_DWORD /d 15 /f"
reg "/v 'Autonomia Server' /t REG_DWORD /d 1 /f"
on cliente "VIGIL20_HOST_ROOT=/usr/local/root VIGIL20_POWEROFF=/usr/local/sbin/poweroff $ALERTER -normal > alerter.log 2>&1 &"
for _ in $(seq 100); do
  on cliente "VIGIL20_HOST_ROOT=/usr/local/root $SUPERVISOR" >/dev/null 2>&1 && break
  sleep 0.2
done
# vigil20s writes the whole status at every change; a line of it here, when
# the mains change and every ten seconds of autonomy.
# (The shell's note on its end, when the LAN goes, is not shown.)
{ on cliente "VIGIL20_HOST_ROOT=/usr/local/root $SUPERVISOR -normal" 2>&1 | {
  shown=
  while IFS= read -r line; do
    case $line in
      "Rede eletrica:"*) power=${line#*: }; power=${power#"${power%%[! ]*}"} ;;
      "Autonomia restante:"*) left=${line##* } ;;
      "Tempo em bateria:"*)
        if [ "$power" != "$shown" ] || [ "${left##*:}" = "00" ] || [ "${left##*:}" = "10" ] ||
           [ "${left##*:}" = "20" ] || [ "${left##*:}" = "30" ] || [ "${left##*:}" = "40" ] || [ "${left##*:}" = "50" ]; then
          echo "  [cliente, vigil20s] mains: $power   autonomy left: $left   on battery: ${line##* }"
        fi
        shown=$power ;;
    esac
  done
}; } 2>/dev/null &
say "  alerter and vigil20s started"

bold "cliente: vigil-web, the status page, on the same UDP port as alerter (http://127.0.0.1:2648/ there)"
# Its history in /usr/local/web; alerter's event file (host root
# /usr/local/root) joins the station that cliente follows.
mkdir -p "$work/cliente/web"
printf 'LISTEN 127.0.0.1\nSTATE /usr/local/web/state\n' > "$work/cliente/web/vigil-web.conf"
chmod 600 "$work/cliente/web/vigil-web.conf"
on cliente "VIGIL20_HOST_ROOT=/usr/local/root $WEB -c /usr/local/web/vigil-web.conf > web/vigil-web.log 2>&1 &"

bold "cliente: the SNMP agent (vigil-snmp with VigilAgent20) answers on 127.0.0.1:1161"
# The SNMP service's list of extension agents names the agent's key, whose
# Pathname is the library.
on cliente "VIGIL20_HOST_ROOT=/usr/local/root $REG add 'HKLM\\System\\CurrentControlSet\\Control\\SNMP\\Parameters\\ExtensionAgents' /v vigil_20_agent /t REG_SZ /d 'SOFTWARE\\Tessaly\\VigilAgent20\\CurrentVersion' /f" >/dev/null
on cliente "VIGIL20_HOST_ROOT=/usr/local/root $REG add 'HKLM\\SOFTWARE\\Tessaly\\VigilAgent20\\CurrentVersion' /v Pathname /t REG_SZ /d '$AGENT' /f" >/dev/null
on cliente "mkdir -p snmp && echo 'rocommunity public 127.0.0.1' > vigil-snmp.conf"
on cliente "VIGIL20_HOST_ROOT=/usr/local/root SNMP_PERSISTENT_DIR=/usr/local/snmp $SNMP -f -Le -c /usr/local/vigil-snmp.conf udp:127.0.0.1:1161 > vigil-snmp.log 2>&1 &"

# The consoles of the two vigil20, as they write them.
for _ in $(seq 100); do
  on cliente "VIGIL20_HOST_ROOT=/usr/local/root $SUPERVISOR" 2>/dev/null | grep -q 'Autonomia nominal: *1:00' && break
  sleep 0.2
done
say "  cliente heard servidor: it now shows the server's figures (one minute of battery)"

{ on servidor "tail -n 0 -f console" | sed -u 's/^/  [servidor console] /'; } 2>/dev/null &
{ on estacao "tail -n 0 -f console" | sed -u 's/^/  [estacao console] /'; } 2>/dev/null &
sleep 3

events() {  # the event codes of the cliente's event file, with their names
  od -An -v -t d4 -w28 "$work/cliente/root/windows/EvtVigil20.dat" 2>/dev/null | awk '{
    code = $7
    name = code == 1 ? "Falta de rede" : code == 2 ? "Retorno da rede" : code == 20 ? "Fim da autonomia" : code == 5 ? "Desligamento" : ""
    printf "  event %d %s\n", code, name }'
}

bold "The mains fail: the UPS lets DSR go inactive on servidor's serial port"
"$LINES" "$work/servidor/lines" drop DSR
start=$(date +%s%N)
for _ in $(seq 100); do [ "$(events | grep -c 'event 1 ')" -ge 1 ] && break; sleep 0.05; done
say "  cliente logged the failure in its event file $(( ($(date +%s%N) - start) / 1000000 )) ms later"
say "  servidor, cliente and estacao now count the server's minute of battery down"
sleep 12

bold "cliente: snmpwalk of the agent: no serial lines here (no cable), and the events of this computer"
on cliente "SNMP_PERSISTENT_DIR=/usr/local/snmp snmpwalk -v 2c -c public -M +$PWD/agent/mib -m +VIGIL20-MIB -t 1 -r 1 udp:127.0.0.1:1161 1.3.6.1.4.1.7491.1.1.1 2>/dev/null" |
  grep -E 'LinesAvailable|EventCount|EventCode|EventTime' | grep -v 'No more variables' | sed 's/^/  /' || true
sleep 10

bold "The mains are back after about 25 seconds: DSR active again, before the battery ran out"
"$LINES" "$work/servidor/lines" raise DSR
for _ in $(seq 100); do [ "$(events | grep -c 'event 2 ')" -ge 1 ] && break; sleep 0.05; done
sleep 3

bold "cliente: its event file read back"
events
bold "servidor: vigil20 log"
on servidor "$VIGIL20 log" | sed 's/^/  /'
bold "estacao: vigil20 log (the server's name before each line)"
on estacao "$VIGIL20 log" | sed 's/^/  /'

bold "cliente: the status page after the failure"
on cliente "curl -s -m 5 http://127.0.0.1:2648/metrics" |
  grep -E '^network_ups_tools_(ups_status\{flag="O[LB]"|battery_runtime)|^vigil_events_total' | sed 's/^/  /' || true
# Debian's Chromium, headless, in cliente's namespaces, with a profile of its
# own that goes with the LAN; no connection but to the page.
mkdir -p "$(dirname "$PICTURE")"
rm -f "$PICTURE"
on cliente "HOME=/usr/local/browser chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync --user-data-dir=/usr/local/browser \
  --hide-scrollbars --window-size=1100,420 --screenshot=/usr/local/web/overview.png http://127.0.0.1:2648/" \
  > "$work/chromium.log" 2>&1 || true
if [ -s "$work/cliente/web/overview.png" ]; then
  cp "$work/cliente/web/overview.png" "$PICTURE"
  say "  the overview, as Chromium shows it: ${PICTURE#"$PWD/"}"
else
  say "  Chromium took no picture of the page: $(tail -n 3 "$work/chromium.log")"
fi

bold "Power-off commands run: $(cat "$work"/*/recorded 2>/dev/null | wc -l) (the mains came back in time)"
on servidor "$VIGIL20 stop" >/dev/null
on estacao "$VIGIL20 stop" >/dev/null
say "Everything stops with the LAN."
