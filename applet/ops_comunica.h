// "&Comunicação" (dialog 141): how this computer learns the UPS state, by
// its own serial cable (optionally passing notifications on to the LAN) or
// by another computer's notifications. Its two connection boxes, a pair
// that excludes each other but may both be clear, also decide what the
// other pages enable: they read the boxes' live state. The port list offers
// a USB UPS beside the COM ports.
#pragma once

#include "applet/base_page.h"

namespace applet {

class COpsComunica : public CBasePage {
 public:
  static constexpr CRuntimeClass runtimeClass{"COpsComunica", &CBasePage::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  static constexpr int kSerialBox = 1006;
  static constexpr int kPortLabel = 1024;
  static constexpr int kPortList = 1025;
  static constexpr int kDistributeBox = 1007;
  static constexpr int kNetworkBox = 1008;

  explicit COpsComunica(CAplConfig& config);

  bool SerialBoxTicked() const { return IsChecked(kSerialBox); }
  bool NetworkBoxTicked() const { return IsChecked(kNetworkBox); }

  bool OnInitDialog() override;
  void OnClicked(int id) override;
  void OnOK() override;

 private:
  void ApplySerialOptionRule();
};

}  // namespace applet
