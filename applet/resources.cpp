#include "applet/resources.h"

#include "platform/win1252.h"

namespace applet {
namespace {

using dialog::ControlTemplate;
using dialog::DialogTemplate;
using dialog::Frame;
using dialog::kNoId;
using K = dialog::Kind;
using namespace dialog;  // the style flags

constexpr uint32_t kBox = kTabStop | kAutoCheck;
constexpr uint32_t kSpinStyle = kSetBuddyInt | kArrowKeys | kAlignRight;

constexpr const char* kPageFont = "MS Sans Serif";

const ControlTemplate kSheetControls[] = {
    {K::kTabControl, 1045, "", 4, 25, 287, 167, kTabStop},
    {K::kPushButton, 1, "Aplicar", 80, 195, 50, 15, kTabStop | kDefaultButton},
    {K::kPushButton, 2, "Cancelar", 164, 195, 50, 15, kTabStop},
};

const ControlTemplate kMainControls[] = {
    {K::kGroupBox, 1054, "Autonomia do sistema", 7, 3, 263, 82, 0},
    {K::kCheckBox, 1059, "Obter informações de autonomia do aplicativo servidor"_w1252, 14, 14, 248, 10, kBox},
    {K::kStatic, 1052, "Texto de ajuda", 14, 27, 248, 18, 0},
    {K::kStatic, kNoId, "&Autonomia prevista (em minutos):", 14, 49, 212, 8, 0},
    {K::kEdit, 1016, "", 228, 47, 28, 12, kTabStop | kReadOnly | kDigitsOnly | kCentred | kBorder | kGroupStart},
    {K::kSpin, 1020, "", 256, 47, 10, 12, kSpinStyle | kNoThousands},
    {K::kStatic, kNoId, "&Tempo para recarga completa das baterias (em horas):", 14, 66, 212, 8, 0},
    {K::kEdit, 1017, "", 228, 64, 28, 12, kTabStop | kReadOnly | kDigitsOnly | kCentred | kBorder | kGroupStart},
    {K::kSpin, 1023, "", 256, 64, 10, 12, kSpinStyle | kNoThousands},
    {K::kGroupBox, kNoId, "Ações de monitoração"_w1252, 7, 90, 263, 58, 0},
    {K::kCheckBox, 1002, "&Desligar o sistema no término da autonomia prevista."_w1252, 14, 102, 248, 10,
     kBox | kGroupStart},
    {K::kCheckBox, 1021, "Desligar o sistema quando a &Bateria estiver crítica."_w1252, 14, 116, 248, 10, kBox},
    {K::kCheckBox, 1022, "&Gerar avisos sonoros na ocorrência de eventos."_w1252, 14, 130, 248, 10, kBox},
};

const ControlTemplate kCommunicationControls[] = {
    {K::kGroupBox, 1054, "", 7, 3, 263, 80, 0},
    {K::kCheckBox, 1006, "Conexão ao nobreak por cabo &Serial"_w1252, 14, 3, 148, 10, kBox | kGroupStart},
    {K::kStatic, 1023,
     "Escolha esta opção se este PC estiver ligado ao nobreak por uma porta serial. Lembre-se de utilizar "
     "apenas o cabo fornecido junto com o equipamento."_w1252,
     14, 16, 248, 26, 0},
    {K::kStatic, 1024, "&Porta serial:", 14, 48, 56, 8, 0},
    {K::kDropDownList, 1025, "", 72, 46, 60, 60, kTabStop | kGroupStart},
    {K::kCheckBox, 1007, "&Distribuir avisos pela rede local ", 14, 64, 200, 10, kBox | kGroupStart},
    {K::kGroupBox, 1013, "", 7, 90, 263, 58, 0},
    {K::kCheckBox, 1008, "Conexão ao nobreak pela &Rede local"_w1252, 14, 90, 148, 10, kBox | kGroupStart},
    {K::kStatic, kNoId,
     "Escolha esta opção se este PC deve receber notificações pela rede local de outro PC conectado ao "
     "nobreak por uma porta serial."_w1252,
     14, 104, 248, 26, 0},
};

const ControlTemplate kNetworkControls[] = {
    {K::kGroupBox, 1054, "Origem da Notificação"_w1252, 7, 3, 263, 145, 0},
    {K::kStatic, 1030,
     "Se você tiver mais de um nobreak monitorado em sua rede local, você poderá configurar esta máquina "
     "para aceitar notificações de energia apenas de um computador selecionado."_w1252,
     14, 15, 248, 26, 0},
    {K::kCheckBox, 1027, "&Aceitar notificações de qualquer computador. "_w1252, 14, 44, 248, 10, kBox | kGroupStart},
    {K::kCheckBox, 1008, "Aceitar &notificações apenas deste computador: "_w1252, 14, 57, 248, 10, kBox},
    {K::kEdit, 1028, "", 26, 70, 140, 12, kTabStop | kBorder | kGroupStart},
    {K::kStatic, 1043, "&Lista de servidores detectados:", 14, 88, 150, 8, 0},
    {K::kListView, 1042, "", 26, 98, 140, 44, kTabStop | kBorder | kSmallIcons | kSortAscending | kGroupStart},
    {K::kCheckBox, 1033, "Realizar efetivamente os desligamentos", 174, 132, 92, 10, kBox | kHidden},
    {K::kStatic, 1071, "&Chave da rede:", 174, 88, 88, 8, 0},
    {K::kEdit, 1070, "", 174, 98, 88, 12, kTabStop | kBorder | kMasked | kGroupStart},
};

const ControlTemplate kTechnicalControls[] = {
    {K::kGroupBox, 1054, "Configurações técnicas"_w1252, 7, 3, 263, 145, 0},
    {K::kStatic, 1031,
     "As duas opções abaixo permitem selecionar o tipo de sinalização disponível em seu nobreak. Em caso de "
     "dúvida, consulte o manual de seu equipamento sobre o tipo de sinalização disponível."_w1252,
     14, 15, 248, 34, 0},
    {K::kCheckBox, 1039, "Equipamento &sem sinalização de Bypass."_w1252, 14, 54, 220, 10, kBox | kGroupStart},
    {K::kCheckBox, 1040, "Equipamento &com sinalização de Bypass."_w1252, 14, 67, 220, 10, kBox},
    {K::kCheckBox, 1058, "Inverter a sinalizaçao de Bypass."_w1252, 30, 80, 200, 10, kBox},
    {K::kStatic, 1030,
     "A opção abaixo permite ativar filtragem digital da sinalização, e pode ser útil para remover "
     "instabilidades ocasionadas por cabos de sinalização longos."_w1252,
     14, 98, 248, 26, 0},
    {K::kCheckBox, 1041, "&Ativar filtragem dos sinais de entrada.", 14, 128, 220, 10, kBox | kGroupStart},
};

const ControlTemplate kScriptControls[] = {
    {K::kGroupBox, 1054, "Script de desligamento", 7, 3, 263, 145, 0},
    {K::kStatic, kNoId,
     "É possível definir um arquivo de script que será executado sempre que o sistema for desligado pelo "
     "serviço de nobreak."_w1252,
     14, 16, 248, 18, 0},
    {K::kCheckBox, 1036, "&Rodar script no desligamento", 14, 42, 150, 10, kBox | kGroupStart},
    {K::kStatic, 1038, "Path do Script de desligamento:", 14, 60, 150, 8, 0},
    {K::kEdit, 1035, "", 14, 71, 196, 12, kTabStop | kBorder | kGroupStart},
    {K::kPushButton, 1037, "&Procurar...", 214, 70, 50, 14, kTabStop | kGroupStart},
};

const ControlTemplate kSnmpControls[] = {
    {K::kGroupBox, 1026, "Agente SNMP", 7, 3, 263, 145, 0},
    {K::kStatic, 1055, "Número máximo de eventos retornados na recuperação de eventos por SNMP:"_w1252, 14, 16, 248, 18,
     0},
    {K::kStatic, 1056, "&Máximo de eventos:"_w1252, 14, 42, 80, 8, 0},
    {K::kEdit, 1046, "", 96, 40, 28, 12, kTabStop | kDigitsOnly | kBorder | kGroupStart},
    {K::kSpin, 1048, "", 124, 40, 10, 12, kSpinStyle},
    {K::kStatic, 1057, "registros.", 140, 42, 60, 8, 0},
    {K::kCheckBox, 1047, "&Enviar alarmes SNMP (\"Traps\") na ocorrência de eventos no nobreak."_w1252, 14, 62, 248, 18,
     kBox | kGroupStart},
};

}  // namespace

const DialogTemplate kSheetDialog{148, Frame::kModalPopup,     "Vigil 2.0", 294,
                                  214, "Microsoft Sans Serif", 8,           kSheetControls};
const DialogTemplate kCommunicationPage{141, Frame::kChildPage, "", 277, 153, kPageFont, 8, kCommunicationControls};
const DialogTemplate kMainPage{142, Frame::kChildPage, "", 277, 153, kPageFont, 8, kMainControls};
const DialogTemplate kNetworkPage{145, Frame::kChildPage, "", 277, 153, kPageFont, 8, kNetworkControls};
const DialogTemplate kScriptPage{146, Frame::kChildPage, "", 277, 153, kPageFont, 8, kScriptControls};
const DialogTemplate kTechnicalPage{147, Frame::kChildPage, "", 277, 153, kPageFont, 8, kTechnicalControls};
const DialogTemplate kSnmpPage{149, Frame::kChildPage, "", 277, 153, kPageFont, 8, kSnmpControls};

const DialogTemplate* const kAllDialogs[7] = {&kSheetDialog, &kCommunicationPage, &kMainPage, &kNetworkPage,
                                              &kScriptPage,  &kTechnicalPage,     &kSnmpPage};

}  // namespace applet
