#include "core/event_kinds.h"

namespace core {

// Windows-1252 bytes: \xE7 ç, \xE1 á, \xED í, \xE3 ã, \xE9 é. A hex escape is
// cut off with "" where a hex digit follows it.
const EventKind kEventKinds[] = {
    {1, "Falta de rede"},
    {2, "Retorno da rede"},
    {4, "Bateria baixa - desligando"},
    {5, "Desligamento aceito"},
    {6,
     "Desligamento for\xE7"
     "ado"},
    {7, "Usu\xE1rio cancelou"},
    {8, "Desligamento falhou"},
    {10,
     "In\xED"
     "cio da monitora\xE7\xE3o"},
    {11, "T\xE9rmino da monitora\xE7\xE3o"},
    {12, "Aviso de rede rejeitado"},
    {20, "T\xE9rmino da autonomia prevista"},
    {21, "T\xE9rmino da autonomia prevista"},
    {30, "Entrada em Bypass"},
    {31,
     "Sa\xED"
     "da de Bypass"},
    {50, "User Logon"},
    {0, ""},
};

const char* EventKindText(int32_t code) {
  for (const EventKind* kind = kEventKinds; kind->code != 0; ++kind)
    if (kind->code == code) return kind->text;
  return nullptr;
}

}  // namespace core
