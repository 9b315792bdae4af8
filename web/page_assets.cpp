#include "web/page_assets.h"

namespace web {

const char kStyleSheet[] = R"CSS(
body { font-family: sans-serif; margin: 1.5em; color: #222; background: #fff; }
h1 { font-size: 1.5em; margin: 0 0 .5em; }
h2 { font-size: 1.2em; margin: 1.2em 0 .4em; }
table { border-collapse: collapse; width: 100%; }
th, td { text-align: left; padding: .4em .6em; border-bottom: 1px solid #ddd; }
th { background: #f0f0f0; }
a { color: #1f3a93; }
.estado { display: inline-block; padding: .15em .6em; border-radius: .8em; font-weight: bold; color: #fff; background: #777; }
.estado-normal { background: #3c8d3c; }
.estado-mains_failure { background: #d9822b; }
.estado-battery_critical { background: #c9302c; }
.estado-bypass { background: #2a8fb0; }
.estado-autonomy_end { background: #8b1e1e; }
.estado-signal_fault { background: #8e44ad; }
.estado-silent { background: #8a8a8a; }
tr.silenciosa td { color: #777; }
.aviso { color: #a94442; min-height: 1.2em; }
.rodape { color: #666; font-size: .85em; margin-top: 1.5em; }
svg.linha-do-tempo { width: 100%; max-width: 960px; height: auto; display: block; }
.legenda span { display: inline-block; margin-right: 1em; }
.legenda i { display: inline-block; width: .9em; height: .9em; margin-right: .3em; vertical-align: middle; }
.medida { white-space: nowrap; font-size: .9em; color: #444; }
td, dd, h1 { overflow-wrap: anywhere; }
dl.resumo { margin: 0 0 1em; }
dl.resumo div { display: flex; flex-wrap: wrap; gap: 0 .5em; padding: .25em 0; }
dl.resumo dt { font-weight: bold; min-width: 12.5em; }
dl.resumo dt::after { content: ":"; }
dl.resumo dd { margin: 0; }
svg.linha-do-tempo.estreita { display: none; }

/* A phone: each station a card of label and value lines, the timelines
   drawn narrow, nothing wider than the screen. */
@media (max-width: 40em) {
  body { margin: .75em; }
  table.cartoes, table.cartoes tbody, table.cartoes tr, table.cartoes td { display: block; width: auto; }
  table.cartoes thead { position: absolute; width: 1px; height: 1px; overflow: hidden; clip: rect(0 0 0 0); }
  table.cartoes tr { border: 1px solid #ccc; border-radius: .4em; margin: 0 0 .8em; padding: .3em .6em; }
  table.cartoes td { display: flex; justify-content: space-between; align-items: center; gap: .5em;
    padding: .35em 0; border-bottom: 1px solid #eee; text-align: right; }
  table.cartoes td:last-child { border-bottom: none; }
  table.cartoes td::before { content: attr(data-rotulo); font-weight: bold; color: #444; text-align: left; }
  table.cartoes td[data-campo="nome"] { display: block; font-size: 1.15em; font-weight: bold; text-align: left; }
  th, td { padding: .35em .4em; }
  dl.resumo dt { min-width: 0; }
  svg.linha-do-tempo.larga { display: none; }
  svg.linha-do-tempo.estreita { display: block; }
}
)CSS";

const char kPageScript[] = R"JS(
"use strict";
(function () {
  var corpo = document.getElementById("estacoes");
  var aviso = document.getElementById("aviso");
  if (!corpo) return;
  var ultimo = null, recebidoEm = 0;

  function duracao(s) {
    s = Math.max(0, Math.floor(s));
    function dois(n) { return (n < 10 ? "0" : "") + n; }
    if (s >= 3600) return Math.floor(s / 3600) + " h " + dois(Math.floor(s / 60) % 60) + " min";
    if (s >= 60) return Math.floor(s / 60) + " min " + dois(s % 60) + " s";
    return s + " s";
  }
  // The words written before each value where a station is shown as a
  // card (a narrow screen); the same as the server's.
  var rotulos = { estado: "Estado", autonomia: "Autonomia restante", bateria: "Na bateria h\u00e1",
                  ouvida: "\u00daltimo sinal", assinatura: "Assinada" };
  function celula(linha, texto, campo) {
    var td = document.createElement("td");
    td.textContent = texto;
    if (campo) td.setAttribute("data-campo", campo);
    if (rotulos[campo]) td.setAttribute("data-rotulo", rotulos[campo]);
    linha.appendChild(td);
    return td;
  }
  function desenhar() {
    if (!ultimo) return;
    var passou = (Date.now() - recebidoEm) / 1000;
    var linhas = document.createDocumentFragment();
    ultimo.stations.forEach(function (e) {
      var tr = document.createElement("tr");
      tr.setAttribute("data-estacao", e.name);
      if (e.silent) tr.className = "silenciosa";
      var nome = celula(tr, "", "nome");
      var a = document.createElement("a");
      a.href = e.url;
      a.textContent = e.name;
      nome.appendChild(a);
      var estado = celula(tr, "", "estado");
      var marca = document.createElement("span");
      var conhecido = /^(normal|mains_failure|battery_critical|bypass|autonomy_end|signal_fault|silent)$/.test(e.state);
      marca.className = "estado " + (conhecido ? "estado-" + e.state : "estado-desconhecido");
      marca.textContent = e.state_text || e.state;
      estado.appendChild(marca);
      var medida = e.measured && e.measured.charge_percent;
      if (typeof medida === "number") {
        var carga = document.createElement("span");
        carga.className = "medida";
        carga.textContent = "carga " + String(Math.round(medida * 10) / 10).replace(".", ",") + " %";
        estado.appendChild(document.createTextNode(" "));
        estado.appendChild(carga);
      }
      var naBateria = e.heard && e.flags && e.flags.power_failure;
      var contando = naBateria && !e.silent;
      if (e.heard && e.autonomy) {
        celula(tr, duracao(e.autonomy.remaining_seconds - (contando ? passou : 0)), "autonomia");
        celula(tr, naBateria ? duracao(e.on_battery_seconds + (contando ? passou : 0)) : "\u2014", "bateria");
        celula(tr, "h\u00e1 " + duracao(e.last_heard_seconds + passou), "ouvida");
      } else {
        celula(tr, "\u2014", "autonomia");
        celula(tr, "\u2014", "bateria");
        celula(tr, "n\u00e3o ouvida desde o in\u00edcio", "ouvida");
      }
      var assinatura = { verified: "Sim", unchecked: "Sim (n\u00e3o verificada)" };
      celula(tr, assinatura[e.signature] || "N\u00e3o", "assinatura");
      linhas.appendChild(tr);
    });
    corpo.textContent = "";
    corpo.appendChild(linhas);
    corpo.setAttribute("data-atualizado", String(Date.now()));
  }
  function buscar() {
    fetch("/api/status", { cache: "no-store" })
      .then(function (r) { if (!r.ok) throw new Error(r.status); return r.json(); })
      .then(function (j) { ultimo = j; recebidoEm = Date.now(); aviso.textContent = ""; desenhar(); })
      .catch(function () { aviso.textContent = "Sem resposta do servidor; mostrando os \u00faltimos dados recebidos."; });
  }
  buscar();
  setInterval(buscar, 2000);
  setInterval(desenhar, 1000);
})();
)JS";

}  // namespace web
