// On Linux the settings are the configuration file's.
#include "web/web_settings.h"

namespace web {

bool LoadWebSettings(const std::string& path, WebSettings* settings, std::string* error) {
  return ReadWebConfig(path, settings, error);
}

bool ReportsToEventLog() { return false; }

}  // namespace web
