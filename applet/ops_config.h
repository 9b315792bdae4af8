// "Opções de Cone&xão" (dialog 147): the UPS's kind of bypass signalling
// and the input filter.
#pragma once

#include "applet/base_page.h"

namespace applet {

class COpsConfig : public CBasePage {
 public:
  static constexpr CRuntimeClass runtimeClass{"COpsConfig", &CBasePage::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  static constexpr int kWithoutBypassBox = 1039;
  static constexpr int kWithBypassBox = 1040;
  static constexpr int kInvertBypassBox = 1058;
  static constexpr int kFilterBox = 1041;

  explicit COpsConfig(CAplConfig& config);

  bool OnInitDialog() override;
  void OnClicked(int id) override;
  void OnOK() override;

 private:
  void ApplyBypassRule();
};

}  // namespace applet
