// The Windows station of the road tests, run under Wine in a network
// namespace that the Linux test made: writes alerter's settings, loads the
// SNMP agent as its host does (when asked), starts alerter.exe, and until
// the file OUT/done exists publishes in the Unix folder OUT what the test
// reads from Linux:
//   status   the status pipe's 216-byte reply (empty while nobody answers)
//   events   a copy of the event file
//   traps    one line per trap the agent raised: its specific id
//   agent    what the agent's poller sees of the lines
//   ready    made once alerter.exe answers its pipe (and the agent has
//            seen its reading)
// Then ends alerter.exe through its pipe. With a "UsbPort" setting, the
// UPS is the system's battery: a power_supply tree on mains is laid in the
// runner's folder (VIGIL_POWER_SUPPLY_TREE) before alerter.exe starts,
// and the test drives it from Linux.
//
//   road_peer OUT (agent|plain) NAME=VALUE...   (a VALUE of digits is a DWORD)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "agent/tests/agent_host.h"
#include "platform/directories.h"
#include "platform/event.h"
#include "platform/named_pipe.h"
#include "platform/registry.h"
#include "tests/support/child_process.h"
#include "tests/support/power_supply_tree.h"
#include "tests/support/test_host.h"

namespace {

namespace fs = std::filesystem;

std::string out_dir;

std::string Out(const std::string& name) { return NativePath(out_dir + "/" + name); }

// Written beside and renamed, so that the test never reads half a file.
void Publish(const std::string& name, const std::string& bytes) {
  {
    std::ofstream file(Out(name + ".new"), std::ios::binary | std::ios::trunc);
    file << bytes;
  }
  std::error_code ignored;
  fs::rename(Out(name + ".new"), Out(name), ignored);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Ask(const std::string& request) {
  platform::PipeClient* client = nullptr;
  if (platform::ConnectToPipe("\\\\.\\pipe\\vigil20_pipe", 500, &client) != 0) return "";
  std::string reply;
  char buffer[512];
  uint32_t got = 0;
  if (platform::WritePipeClient(client, request.data(), static_cast<uint32_t>(request.size())) == 0 &&
      request != "c" && platform::ReadPipeClient(client, buffer, sizeof buffer, &got, 500) == 0)
    reply.assign(buffer, got);
  platform::ClosePipeClient(client);
  return reply;
}

bool Setting(const std::string& assignment) {
  size_t equals = assignment.find('=');
  if (equals == std::string::npos) return false;
  std::string name = assignment.substr(0, equals), value = assignment.substr(equals + 1);
  platform::RegKeyHandle key;
  if (platform::CreateRegKey(platform::kLocalMachine, "Software\\Tessaly\\Vigil 2.0", platform::kKeyAllAccess,
                             key.out(), nullptr) != platform::kRegOk)
    return false;
  bool number = !value.empty() && value.find_first_not_of("0123456789") == std::string::npos;
  return (number ? platform::SetRegDword(key.get(), name, static_cast<uint32_t>(std::stoul(value)))
                 : platform::SetRegString(key.get(), name, value)) == platform::kRegOk;
}

int Fail(const std::string& step) {
  std::fprintf(stderr, "road_peer: %s\n", step.c_str());
  Publish("failed", step + "\n");
  return 1;
}

template <typename Done>
bool Within(int ms, Done done) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return done();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Fail("usage: road_peer OUT (agent|plain) NAME=VALUE...");
  out_dir = argv[1];
  bool with_agent = std::string(argv[2]) == "agent";
  TestHost host;  // refuses to run outside a throwaway prefix
  bool usb = false;
  for (int i = 3; i < argc; ++i) {
    if (!Setting(argv[i])) return Fail(std::string("setting ") + argv[i]);
    usb = usb || std::string(argv[i]).rfind("UsbPort=", 0) == 0;
  }
  if (usb) {
    const char* tree = std::getenv("VIGIL_POWER_SUPPLY_TREE");
    if (!tree || !*tree) return Fail("no VIGIL_POWER_SUPPLY_TREE: run through the Wine runner");
    try {
      PowerSupplyTree on_mains(NativePath(tree));
    } catch (const std::exception& e) {
      return Fail(std::string("the UPS's battery: ") + e.what());
    }
  }

  std::unique_ptr<AgentHost> agent;
  if (with_agent) {
    agent = std::make_unique<AgentHost>(NativePath(VIGIL_AGENT_LIBRARY));
    if (!agent->Init()) return Fail("SnmpExtensionInit");
    // No master yet: the poller's first cycle shows the lines unavailable,
    // so that lines seen afterwards are alerter.exe's reading.
    if (!Within(10000, [&] { return agent->Read("1.4") == 0; })) return Fail("the agent's poller");
  }

  ChildProcess::Options options;
  options.captureErrors = false;
  options.pipeOutput = false;
  std::string error;
  // Beside the agent, alerter.exe loads the agent's LineTap.dll file,
  // whose shared section the agent reads.
  auto alerter = ChildProcess::Start({with_agent ? ALERTER_BESIDE_AGENT : ALERTER_EXE, "-normal"}, options, &error);
  if (!alerter) return Fail(error);

  char windows[512];
  uint32_t length = platform::GetWindowsDir(windows, sizeof windows);
  if (length == 0 || length >= sizeof windows) return Fail("GetWindowsDirectory");
  std::string event_file = std::string(windows) + "\\EvtVigil20.dat";

  bool ready = false;
  std::ofstream traps(Out("traps"), std::ios::app);
  while (!fs::exists(Out("done"))) {
    std::string status = Ask("\n");
    Publish("status", status.size() == 216 ? status : "");
    // A server's station is ready once the agent has taken alerter.exe's
    // first reading: a drop before it would be the poller's baseline.
    if (status.size() == 216 && !ready && (!agent || agent->Read("1.4") == 1)) {
      ready = true;
      Publish("ready", "\n");
    }
    Publish("events", ReadAll(event_file));
    if (agent) {
      for (int32_t id : agent->DrainTraps()) traps << id << "\n";
      traps.flush();
      std::ostringstream seen;
      seen << "lines available " << agent->Read("1.4") << ", DSR " << agent->Read("1.1") << ", DSR changes "
           << agent->Read("2.2") << "\n";
      Publish("agent", seen.str());
    }
    // As the SNMP service does, the traps are collected when the agent
    // signals them; otherwise the files are refreshed every 50 ms.
    if (agent) platform::WaitEventHandle(agent->trapEvent(), 50);
    else std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  Ask("c");
  int status = alerter->Wait();
  Publish("alerter-exit", std::to_string(status) + "\n");
  return 0;
}
