#include "applet/base_dialog.h"

#include "applet/messages.h"
#include "applet/ops_avancado.h"
#include "applet/ops_comunica.h"
#include "applet/ops_config.h"
#include "applet/ops_principal.h"
#include "applet/ops_rede.h"
#include "applet/page_snmp.h"
#include "applet/resources.h"
#include "platform/win1252.h"

namespace applet {

CBaseDialog::CBaseDialog(CAplConfig& config, const ServerList& servers, const bool& listening, SheetOptions options)
    : CTabSheet(kSheetDialog, kTabControl, kApplyButton, kCancelButton), config_(config), options_(options) {
  // Every page is reachable by the others: the communication page first,
  // since the others read its boxes.
  comunica_ = std::make_unique<COpsComunica>(config);
  principal_ = std::make_unique<COpsPrincipal>(config, *comunica_);
  rede_ = std::make_unique<COpsRede>(config, *comunica_, servers, listening);
  config_page_ = std::make_unique<COpsConfig>(config);
  if (options.ntPlatform) avancado_ = std::make_unique<COpsAvancado>(config);
  if (options.snmpPage) snmp_ = std::make_unique<CPageSnmp>(config, *comunica_);
}

CBaseDialog::~CBaseDialog() = default;

bool CBaseDialog::OnInitDialog() {
  SetCaption("Vigil 2.0 - Configurações da Supervisão do No-Break"_w1252);
  AddPage(principal_.get(), "&Principal");
  AddPage(comunica_.get(), "&Comunicação"_w1252);
  AddPage(rede_.get(), "Opções de &Rede"_w1252);
  AddPage(config_page_.get(), "Opções de Cone&xão"_w1252);
  if (avancado_) AddPage(avancado_.get(), "&Scripts");
  if (snmp_) AddPage(snmp_.get(), "S&NMP");
  ShowFirstPage();
  return true;
}

void CBaseDialog::OnApply() {
  if (SessionMessageBox(kStyleQuestion, "%s", "Fechar esta janela e salvar as alterações?"_w1252) != platform::kIdYes)
    return;
  for (int i = 0; i < PageCount(); ++i) Page(i)->OnOK();
  EndDialog(1);
}

void CBaseDialog::OnCancel() { EndDialog(2); }

}  // namespace applet
