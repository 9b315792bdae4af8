// On Windows the settings are the registry's, as the control panel keeps
// them; a missing value keeps its default.
#include "config/apl_config.h"
#include "platform/directories.h"
#include "platform/registry.h"
#include "web/web_settings.h"

namespace web {

bool LoadWebSettings(const std::string&, WebSettings* settings, std::string* error) {
  CAplConfig config;
  config.SetRootKey(platform::kLocalMachine, kAplConfigKey);
  config.RegisterValues();
  config.Load();
  char windows[260];
  uint32_t length = platform::GetWindowsDir(windows, sizeof windows);
  if (length == 0 || length >= sizeof windows) {
    *error = "the Windows folder is not known";
    return false;
  }
  *settings = SettingsFromRegistry(config, windows);
  return true;
}

bool ReportsToEventLog() { return true; }

}  // namespace web
