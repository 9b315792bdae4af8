#!/usr/bin/env bash
# The demonstration proper; scripts/demo.sh runs it inside its sandbox,
# where /usr/local is private and /dev/console is the file /usr/local/console.
set -eu
cd /usr/local
say() { printf '\n\033[1m== %s\033[0m\n' "$*"; }
lines=/usr/local/lines
export VIGIL20_SIMLINES=$lines

cat > vigil20/vigil20.conf <<'CONF'
Autonomia em minutos = 1
Tempo de recarga em horas = 1
Desligar no fim da autonomia (sim/nao) = sim
Desligar com bateria em nivel critico (sim/nao) = sim
Avisos sonoros (sim/nao) = sim
Mensagens no console (sim/nao) = sim
Nobreak ligado a este computador (sim/nao) = sim
Porta serial (COM1 a COM8) = COM2
Enviar o estado pela rede (sim/nao) = sim
Nome desta estacao = demonstracao
Receber o estado pela rede (sim/nao) = nao
Aceitar qualquer servidor (sim/nao) = nao
Servidor aceito = servidor
Sinal de bypass (sim/nao) = sim
Filtro de estabilidade (sim/naom) = sim
Executar comando antes de desligar (sim/nao) = nao
Comando = 
CONF

say "vigil20 version"
"$VIGIL20_BIN" version

say "UPS healthy: DSR, CTS and RI active; the daemon starts"
"$VIGIL_LINES" "$lines" set DSR CTS RI
"$VIGIL20_BIN"
echo "started; a second start is refused with status $("$VIGIL20_BIN"; echo $?)"
sleep 1

say "vigil20 stop"
"$VIGIL20_BIN" stop && echo "stopped"
ipcs -m | grep -q 0x00001a0a && echo "shared block left behind!" || echo "no shared block left"

say "vigil20 log"
"$VIGIL20_BIN" log || true
