#!/usr/bin/env bash
# The demonstration proper; scripts/demo.sh runs it inside its sandbox,
# where /usr/local is private, /dev/console is the file /usr/local/console
# and the power-off programs only record that they were called.
set -eu
cd /usr/local
say() { printf '\n\033[1m== %s\033[0m\n' "$*"; }
lines=/usr/local/lines
export VIGIL20_SIMLINES=$lines

# One minute of autonomy, so that the countdown can be watched.
cat > vigil20/vigil20.conf <<'CONF'
Autonomia do nobreak com carga total, em minutos = 1
Tempo de recarga completa da bateria, em horas = 1
Desligar o computador no fim da autonomia prevista (sim ou nao) = sim
Desligar o computador com bateria em nivel critico (sim ou nao) = sim
Avisos sonoros no alto-falante (sim ou nao) = sim
Mensagens tambem no console do sistema (sim ou nao) = sim
Nobreak ligado a este computador pelo cabo serial (sim ou nao) = sim
Porta serial do cabo, COM1 a COM8 = COM1
Enviar o estado do nobreak pela rede (sim ou nao) = sim
Nome desta estacao nas mensagens = demonstracao
Receber o estado de outra estacao pela rede (sim ou nao) = nao
Aceitar mensagens de qualquer estacao (sim ou nao) = nao
Estacao cujas mensagens sao aceitas = servidor
Monitorar o sinal de bypass (sim ou nao) = sim
Filtro de estabilidade dos sinais (sim ou naom) = sim
Executar um comando antes de desligar (sim ou nao) = nao
Comando executado antes de desligar = 
CONF

say "$("$VIGIL20_BIN" version)"
say "The UPS is healthy (DSR, CTS and RI active); vigil20 starts"
"$VIGIL_LINES" "$lines" set DSR CTS RI
"$VIGIL20_BIN"
echo "started; a second start is refused: exit status $("$VIGIL20_BIN" && echo 0 || echo $?)"
echo "lines: $("$VIGIL_LINES" "$lines" show | tr '\n' ' ')(RTS on, DTR off while watching)"
tail -n 0 -f console | sed -u 's/^/console: /' &
watcher=$!
sleep 1

say "Mains failure: the UPS lets DSR drop; one minute of battery"
"$VIGIL_LINES" "$lines" drop DSR
sleep 35

say "The mains are back after 35 seconds: DSR active again"
"$VIGIL_LINES" "$lines" raise DSR
sleep 2
kill "$watcher"
echo "speaker tones: $(wc -l < lines.beep)"

say "vigil20 stop"
"$VIGIL20_BIN" stop && echo "stopped; shared block left behind: $(ipcs -m | grep -c 0x00001a0a || true)"

say "vigil20 log"
"$VIGIL20_BIN" log
echo "power-off commands run: $(cat recorded 2>/dev/null | wc -l)"
