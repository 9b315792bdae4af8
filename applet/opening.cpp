#include "applet/opening.h"

#include "applet/messages.h"
#include "applet/server_list.h"
#include "config/apl_config.h"
#include "framework/win1252.h"
#include "platform/module.h"
#include "platform/registry.h"

namespace applet {

bool SnmpAgentRegistered(int majorVersion) {
  const char* path = majorVersion == 5 ? kSnmpAgentsKeyNt5 : majorVersion == 6 ? kSnmpAgentsKeyNt6 : nullptr;
  if (!path) return false;
  platform::RegKeyHandle agents;
  if (platform::OpenRegKey(platform::kLocalMachine, path, platform::kKeyQueryValue, agents.out()) != platform::kRegOk)
    return false;
  // The value counts whatever its type.
  return platform::QueryRegValue(agents.get(), kAgentValue, nullptr, nullptr, nullptr) == platform::kRegOk;
}

namespace {

bool ServiceInstalled() {
  platform::RegKeyHandle service;
  return platform::OpenRegKey(platform::kLocalMachine, kServiceKey, platform::kKeyQueryValue, service.out()) ==
         platform::kRegOk;
}

}  // namespace

void RunOpeningSequence(void* parent, const SheetRunner& runSheet) {
  platform::OsVersion version;
  platform::GetOsVersion(&version);
  SetMessageTitle(kSettingsTitle);

  CAplConfig config;
  config.SetRootKey(platform::kLocalMachine, kAplConfigKey);
  config.RegisterValues();
  if (config.Load() == 0)
    SessionMessageBox(kStyleWarning, "%s",
                      "Atenção: A supervisão do NoBreak está operando com as configurações default!\nVocê deve "
                      "ajustar os parâmetros deste serviço no painel de controle para obter\num funcionamento "
                      "adequado."_w1252);

  SheetOptions options;
  options.ntPlatform = version.ntPlatform;
  bool serviceInstalled = false;
  if (version.ntPlatform) {
    options.snmpPage = SnmpAgentRegistered(version.major);
    serviceInstalled = ServiceInstalled();
  }
  (void)serviceInstalled;

  ServerList servers;
  bool listening = false;
  int result = 0;
  {
    CBaseDialog sheet(config, servers, listening, options);
    result = runSheet(sheet, parent);
  }
  if (result == 1 && config.Save() == 0)
    SessionMessageBox(kStyleWarning, "%s", "Ocorreu um erro ao salvar as configurações no registro!"_w1252);
}

}  // namespace applet
