// "Opções de &Rede" (dialog 145): from which computers a network client
// accepts notifications, with the list of the servers heard while the
// sheet is open (a double click copies a name into the field).
#pragma once

#include "applet/base_page.h"

namespace applet {

class COpsComunica;
class ServerList;

class COpsRede : public CBasePage {
 public:
  static constexpr CRuntimeClass runtimeClass{"COpsRede", &CBasePage::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  static constexpr int kAcceptAllBox = 1027;
  static constexpr int kOnlyThisOneBox = 1008;
  static constexpr int kHostNameEdit = 1028;
  static constexpr int kServerListView = 1042;
  static constexpr int kShutdownBox = 1033;  // never shown
  static constexpr int kNetKeyEdit = 1070;   // "Net Key", masked
  static constexpr int kRefreshTimer = 101;
  static constexpr int kRefreshMs = 1000;

  // `listening` is the listening socket's ready flag.
  COpsRede(CAplConfig& config, const COpsComunica& comunica, const ServerList& servers, const bool& listening);

  bool OnInitDialog() override;
  void OnShown() override;
  void OnHidden() override;
  void OnTimer(int id) override;
  void OnClicked(int id) override;
  void OnListDoubleClick(int id, int row) override;
  void OnOK() override;

 private:
  void ApplyOptionRule();
  void ShowNewServers();

  const COpsComunica& comunica_;
  const ServerList& servers_;
  const bool& listening_;
  size_t shown_ = 0;  // entries of the server list already in the list view
};

}  // namespace applet
