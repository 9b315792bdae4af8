#include "applet/opening.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "alerter/socket_bind.h"
#include "alerter/texts.h"
#include "applet/messages.h"
#include "applet/server_list.h"
#include "applet/service_control.h"
#include "framework/async_socket.h"
#include "platform/directories.h"
#include "platform/error_text.h"
#include "platform/start_program.h"
#include "config/apl_config.h"
#include "platform/win1252.h"
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

// "vigil20s.exe -normal" from the system directory, not waited for.
void StartSupervisor() {
  char directory[128];
  uint32_t length = platform::GetSystemDir(directory, sizeof directory);
  std::string path;
  if (length > 0 && length < sizeof directory) path = std::string(directory) + platform::PathSeparator() + kSupervisor;
  uint32_t error = path.empty() ? 2 /* ERROR_FILE_NOT_FOUND */ : platform::StartProgram(path, {"-normal"});
  if (error == 0) return;
  // The system's text, at most 255 characters; without one, the number.
  char text[256];
  if (!platform::SystemErrorText(error, text, sizeof text)) std::snprintf(text, sizeof text, "Erro: %u", error);
  SessionMessageBox(kStyleWarning,
                    "Ocorreu um erro ao iniciar o supervisor do Vigil2.0: %s\nTente iniciar o aplicativo pelo menu de "
                    "programas."_w1252,
                    text);
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

  bool running =
      serviceInstalled ? ServiceControl(kServiceQuery) == kServiceStateRunning : IsInstanceRunning(kInstanceMutex);
  if (running) {
    SessionMessageBox(kStyleWarning, "%s",
                      "Você deve encerrar o Vigil 2.0 antes de modificar suas configurações."_w1252);
    return;
  }

  // Without the socket layer the sheet still works, only without servers.
  AfxSocketInit();
  ServerList servers;
  servers.SetKey(config.netKey);
  bool listening = false;
  int result = 0;
  {
    CBaseDialog sheet(config, servers, listening, options);
    auto socket = std::make_unique<CSocketBind>(
        [](int error) { SessionMessageBox(kStyleServiceWarning, texts::kHostNameFailed, error); });
    socket->SetReceiveHandler([&servers](const uint8_t* bytes, int count) {
      if (count > 0) servers.Collect(bytes, static_cast<size_t>(count));
    });
    listening = socket->OpenListener();
    result = runSheet(sheet, parent);
    if (listening) socket->Close();
    listening = false;
  }
  if (result == 1 && config.Save() == 0)
    SessionMessageBox(kStyleWarning, "%s", "Ocorreu um erro ao salvar as configurações no registro!"_w1252);

  if (SessionMessageBox(kStyleYesNo, "%s", "Iniciar o Vigil 2.0?") != platform::kIdYes) return;
  if (serviceInstalled) ServiceControl(kServiceStart);
  std::this_thread::sleep_for(std::chrono::milliseconds(2000));
  StartSupervisor();
}

}  // namespace applet
