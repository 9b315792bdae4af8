// The Windows side of the LAN tests with vigil20: under Wine, in a network
// namespace the test made, alerter.exe notifies the LAN ("Net Mode" 4) and
// its UPS loses the mains. Waits until the file named by argv[1] (a Unix
// path) exists, then ends alerter.exe. Exit 0 when every step worked.
//
// With "client KEY FOLDER" after it, alerter.exe is instead a network
// client ("Net Mode" 5) with the network key KEY: its status record is
// copied to FOLDER/state every 100 ms while it runs, and its event file to
// FOLDER/events when it has ended.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "linesim/line_sim.h"
#include "platform/directories.h"
#include "platform/named_pipe.h"
#include "tests/support/child_process.h"
#include "tests/support/test_host.h"

namespace {

bool Setting(const char* name, int value) {
  return RunProcess({"reg.exe", "add", "HKLM\\Software\\Tessaly\\Vigil 2.0", "/v", name, "/t", "REG_DWORD", "/d",
                     std::to_string(value), "/f"},
                    60000)
             .status == 0;
}

std::string Ask(const std::string& request) {
  platform::PipeClient* client = nullptr;
  if (platform::ConnectToPipe("\\\\.\\pipe\\vigil20_pipe", 1000, &client) != 0) return "";
  std::string reply;
  char buffer[4096];
  uint32_t got = 0;
  if (platform::WritePipeClient(client, request.data(), static_cast<uint32_t>(request.size())) == 0 &&
      platform::ReadPipeClient(client, buffer, sizeof buffer, &got, 1000) == 0)
    reply.assign(buffer, got);
  platform::ClosePipeClient(client);
  return reply;
}

bool KeySetting(const std::string& key) {
  return RunProcess({"reg.exe", "add", "HKLM\\Software\\Tessaly\\Vigil 2.0\\Seguranca", "/v", "Net Key", "/t",
                     "REG_SZ", "/d", key, "/f"},
                    60000)
             .status == 0;
}

// Writes `bytes` to the Unix path `path` (readers check the size).
bool Publish(const std::string& path, const std::string& bytes) {
  std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

bool Within(int seconds, bool (*done)()) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

int Fail(const char* step) {
  std::fprintf(stderr, "alerter_lan_peer: %s\n", step);
  return 1;
}

const char* done_file = nullptr;

// alerter.exe started and answering its status pipe; null (with why on
// stderr) when it did not get that far.
std::unique_ptr<ChildProcess> StartAlerter() {
  ChildProcess::Options options;
  options.captureErrors = true;
  std::string error;
  auto alerter = ChildProcess::Start({ALERTER_EXE, "-normal"}, options, &error);
  if (!alerter) {
    Fail(error.c_str());
    return nullptr;
  }
  if (!Within(60, [] { return Ask("\n").size() == 216; })) {
    Fail("no status pipe");
    return nullptr;
  }
  return alerter;
}

// A keyed client: publishes its status record until told to end, then its
// event file.
int RunClient(const std::string& key, const std::string& folder) {
  if (!Setting("ComMode", 2) || !Setting("Interval", 100) || !Setting("Net Mode", 5) || !Setting("AcceptAll", 1) ||
      !KeySetting(key))
    return Fail("reg add");
  auto alerter = StartAlerter();
  if (!alerter) return 1;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(240);
  while (!std::filesystem::exists(NativePath(done_file))) {
    if (std::chrono::steady_clock::now() > deadline) return Fail("not told to end");
    std::string state = Ask("\n");
    if (state.size() == 216) Publish(folder + "/state", state);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  Ask("c");
  if (alerter->Wait() != 0) return Fail("alerter.exe did not end well");
  char windows[260];
  uint32_t length = platform::GetWindowsDir(windows, sizeof windows);
  if (length == 0 || length >= sizeof windows) return Fail("no Windows directory");
  std::ifstream events(std::string(windows) + "\\EvtVigil20.dat", std::ios::binary);
  std::ostringstream bytes;
  bytes << events.rdbuf();
  return Publish(folder + "/events", bytes.str()) ? 0 : Fail("event file");
}

}  // namespace

int main(int argc, char** argv) {
  const char* lines = std::getenv("VIGIL20_SIMLINES");
  if ((argc != 2 && argc != 5) || !lines)
    return Fail("usage: alerter_lan_peer DONE_FILE [client KEY FOLDER], with VIGIL20_SIMLINES set");
  done_file = argv[1];
  if (argc == 5) return std::string(argv[2]) == "client" ? RunClient(argv[3], argv[4]) : Fail("unknown mode");
  if (!Setting("ComPort", 1) || !Setting("Interval", 100) || !Setting("Signal Filter", 0) || !Setting("Net Mode", 4) ||
      !Setting("BroadcastDelay", 1))
    return Fail("reg add");
  auto alerter = StartAlerter();
  if (!alerter) return 1;
  if (!linesim::WriteInputs(NativePath(lines), linesim::kCts | linesim::kRi)) return Fail("lines");
  if (!Within(120, [] { return std::filesystem::exists(NativePath(done_file)); })) return Fail("not told to end");
  Ask("c");
  return alerter->Wait() == 0 ? 0 : Fail("alerter.exe did not end well");
}
