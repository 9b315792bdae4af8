#include "applet/ops_principal.h"

#include "applet/messages.h"
#include "applet/ops_comunica.h"
#include "applet/resources.h"
#include "platform/win1252.h"

namespace applet {
namespace {

// While an arrow is held: steps of 1 from 1 second on, of 10 from 2 on.
const std::vector<dialog::SpinAccel> kAccel = {{1, 1}, {2, 10}};

}  // namespace

COpsPrincipal::COpsPrincipal(CAplConfig& config, const COpsComunica& comunica)
    : CBasePage(kMainPage, config), comunica_(comunica) {}

bool COpsPrincipal::OnInitDialog() {
  SetCheck(kAutonomyFromServerBox, config_.autonomiaServer == 1);
  SetCheck(kLowBatteryShutdownBox, config_.lowBatShutdown == 1);
  SetCheck(kTimeoutShutdownBox, config_.timeoutShutdown == 1);
  SetCheck(kSoundsBox, config_.sounds == 1);

  SetSpinBuddy(kAutonomySpin, kAutonomyEdit);
  SetSpinRange(kAutonomySpin, 1, 300);
  SetSpinAccel(kAutonomySpin, kAccel);
  SetSpinPosition(kAutonomySpin, config_.autonomiaNominal / 60);

  SetSpinBuddy(kRechargeSpin, kRechargeEdit);
  SetSpinRange(kRechargeSpin, 5, 100);
  SetSpinAccel(kRechargeSpin, kAccel);
  SetSpinPosition(kRechargeSpin, config_.tempoRecarga / 3600);
  return true;
}

void COpsPrincipal::OnShown() {
  Enable(kAutonomyFromServerBox, comunica_.NetworkBoxTicked());
  ApplyAutonomyFieldRule();
}

void COpsPrincipal::ApplyAutonomyFieldRule() {
  bool ownFigures = comunica_.SerialBoxTicked() || !IsChecked(kAutonomyFromServerBox);
  for (int id : {kAutonomyEdit, kAutonomySpin, kRechargeEdit, kRechargeSpin}) Enable(id, ownFigures);
  SetText(kHelpText, ownFigures ? "Informe nos campos abaixo a autonomia prevista para operação em bateria e o "
                                  "tempo total de recarga."_w1252
                                : "A autonomia prevista e o tempo de recarga serão controlados pelo servidor de "
                                  "notificações."_w1252);
}

void COpsPrincipal::OnClicked(int id) {
  if (id == kAutonomyFromServerBox) ApplyAutonomyFieldRule();
  // Clearing a protection asks first; only a No puts the tick back.
  if (id == kTimeoutShutdownBox && !IsChecked(id) &&
      SessionMessageBox(kStyleWarningYesNo, "%s",
                        "Atenção:  Este é um recurso importante do sistema!\nVocê tem certeza de que deseja "
                        "desativar os avisos de bateria baixa?"_w1252) == platform::kIdNo)
    SetCheck(id, true);
  if (id == kLowBatteryShutdownBox && !IsChecked(id) &&
      SessionMessageBox(kStyleWarningYesNo, "%s",
                        "Atenção:  Este é um recurso importante do sistema!\nO desligamento forçado é utilizado "
                        "para proteger seus dados quando houver falta eminente de energia.\nVocê tem certeza de "
                        "que deseja desativar o desligamento?"_w1252) == platform::kIdNo)
    SetCheck(id, true);
}

void COpsPrincipal::OnOK() {
  config_.lowBatShutdown = Ticked(IsChecked(kLowBatteryShutdownBox));
  config_.timeoutShutdown = Ticked(IsChecked(kTimeoutShutdownBox));
  config_.sounds = Ticked(IsChecked(kSoundsBox));
  config_.autonomiaNominal = SpinPosition(kAutonomySpin) * 60;
  config_.tempoRecarga = SpinPosition(kRechargeSpin) * 3600;
  config_.autonomiaServer = Ticked(IsChecked(kAutonomyFromServerBox));
}

}  // namespace applet
