// The applet's sheet (dialog 148): the tab control with the pages in tab
// order, "Aplicar" and "Cancelar". Apply asks first, then every page, in
// tab order, copies its controls into the settings object and the sheet
// ends with 1; Cancel ends it with 2 and leaves the settings untouched.
#pragma once

#include <memory>
#include <vector>

#include "applet/base_page.h"
#include "framework/dialog/tab_sheet.h"

namespace applet {

class COpsPrincipal;
class COpsComunica;
class COpsRede;
class COpsConfig;
class COpsAvancado;
class CPageSnmp;
class ServerList;

struct SheetOptions {
  bool ntPlatform = true;  // adds the scripts page
  bool snmpPage = false;   // adds the SNMP page: the agent is registered
};

class CBaseDialog : public dialog::CTabSheet {
 public:
  static constexpr CRuntimeClass runtimeClass{"CBaseDialog", &dialog::CTabSheet::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  static constexpr int kTabControl = 1045;
  static constexpr int kApplyButton = 1;
  static constexpr int kCancelButton = 2;

  // `listening` is the listening socket's ready flag; `servers` the list it
  // fills. Both outlive the sheet.
  CBaseDialog(CAplConfig& config, const ServerList& servers, const bool& listening, SheetOptions options);
  ~CBaseDialog() override;

  bool OnInitDialog() override;
  void OnApply() override;
  void OnCancel() override;

  COpsPrincipal& Principal() { return *principal_; }
  COpsComunica& Comunica() { return *comunica_; }
  COpsRede& Rede() { return *rede_; }
  COpsConfig& Config() { return *config_page_; }
  COpsAvancado* Avancado() { return avancado_.get(); }  // NT platform only
  CPageSnmp* Snmp() { return snmp_.get(); }             // agent registered only

 private:
  CAplConfig& config_;
  SheetOptions options_;
  std::unique_ptr<COpsComunica> comunica_;
  std::unique_ptr<COpsPrincipal> principal_;
  std::unique_ptr<COpsRede> rede_;
  std::unique_ptr<COpsConfig> config_page_;
  std::unique_ptr<COpsAvancado> avancado_;
  std::unique_ptr<CPageSnmp> snmp_;
};

}  // namespace applet
