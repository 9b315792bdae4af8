// The agent's application object for the fuzz targets, made at the first
// request (not when the program loads), in a private host root whose
// registry switches the debug trace on and whose event file holds a few
// records.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "eventfile/event_file.h"
#include "agent/ups_agent_app.h"
#include "platform/registry.h"

using core::kEventFileName;

namespace {

void SetSetting(const std::string& subkey, const std::string& name, uint32_t value, const std::string* text) {
  platform::RegKeyHandle key;
  if (platform::CreateRegKey(platform::kLocalMachine, "Software\\Tessaly\\Vigil 2.0\\" + subkey, platform::kKeyWrite,
                             key.out(), nullptr) != platform::kRegOk)
    std::abort();
  if (text)
    platform::SetRegString(key.get(), name, *text);
  else
    platform::SetRegDword(key.get(), name, value);
}

// Removes the private root when the program ends.
struct RootRemover {
  std::string path;
  ~RootRemover() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
};
RootRemover remover;

// The three lines are never available: the poller stays quiet.
int32_t NoReading() { return -1; }

CUpsAgentApp* MakeApp() {
  // Memory-backed where it can be: the trace is written at every request.
  char shm[] = "/dev/shm/vigil-fuzz-agent-XXXXXX";
  char tmp[] = "/tmp/vigil-fuzz-agent-XXXXXX";
  const char* made = mkdtemp(shm);
  if (!made) made = mkdtemp(tmp);
  if (!made) std::abort();
  std::string root = made;
  remover.path = root;
  setenv("VIGIL20_HOST_ROOT", root.c_str(), 1);
  std::string trace = root + "/trace.log";
  SetSetting("Snmp Agent\\Debug", "Debug Log On", 1, nullptr);
  SetSetting("Snmp Agent\\Debug", "Debug Log Location", 0, &trace);
  SetSetting("Snmp Agent", "Max Events", 5, nullptr);
  {
    CEventFile file(kEventFileName);
    if (!file.OpenForWriting()) std::abort();
    for (int32_t code : {1, 2, 30, 31, 50, 4, 5}) file.AppendAt(code, 1700000000 + code);
  }
  auto* app = new CUpsAgentApp(LineReaders{NoReading, NoReading, NoReading});
  HANDLE event = nullptr;
  AsnObjectIdentifier region{};
  if (!app->ExtensionInit(0, &event, &region)) std::abort();
  return app;
}

}  // namespace

CUpsAgentApp& TheAgentApp() {
  static CUpsAgentApp* const app = MakeApp();  // lives until the process ends
  return *app;
}
