// "&Scripts" (dialog 146, NT platform only): the script run before an
// automatic shutdown.
#pragma once

#include "applet/base_page.h"

namespace applet {

class COpsAvancado : public CBasePage {
 public:
  static constexpr CRuntimeClass runtimeClass{"COpsAvancado", &CBasePage::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  static constexpr int kRunScriptBox = 1036;
  static constexpr int kBrowseButton = 1037;
  static constexpr int kPathLabel = 1038;
  static constexpr int kPathEdit = 1035;

  explicit COpsAvancado(CAplConfig& config);

  bool OnInitDialog() override;
  void OnClicked(int id) override;
  void OnOK() override;

 private:
  void ApplyScriptRule();
};

}  // namespace applet
