#include "tests/road/wine_station.h"

#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>

#include "tests/support/record_fields.h"

namespace road {

namespace {

std::string Required(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) throw std::runtime_error(std::string(name) + " is not set: run through the Windows build's tests");
  return value;
}

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

// Processes whose environment holds `marker` (this station's folder, in
// TMPDIR): what Wine left running when the runner could not end it.
std::vector<pid_t> ProcessesMarkedWith(const std::string& marker) {
  std::vector<pid_t> found;
  DIR* dir = opendir("/proc");
  if (!dir) return found;
  while (dirent* entry = readdir(dir)) {
    pid_t pid = std::atoi(entry->d_name);
    if (pid <= 0) continue;
    std::string environment = ReadWholeFile(std::string("/proc/") + entry->d_name + "/environ");
    if (environment.find("TMPDIR=" + marker + '\0') != std::string::npos) found.push_back(pid);
  }
  closedir(dir);
  return found;
}

}  // namespace

std::vector<std::string> WineServerSettings(int autonomy, int interval_ms) {
  return {"ComMode=1",        "ComPort=1",         "Net Mode=4",
          "Interval=" + std::to_string(interval_ms), "Signal Filter=2", "BroadcastDelay=1",
          "Autonomia Nominal=" + std::to_string(autonomy), "Tempo Recarga=3600"};
}

std::vector<std::string> WineClientSettings(const std::string& server, int interval_ms, int bad_server_delay) {
  return {"ComMode=2",  "Net Mode=5", "AcceptAll=" + std::string(server.empty() ? "1" : "0"), "HostName=" + server,
          "Interval=" + std::to_string(interval_ms), "BadServerDelay=" + std::to_string(bad_server_delay),
          "Autonomia Server=1"};
}

WineStation::WineStation(const BridgeLan& lan, int host, const std::string& name, const std::string& hosts, bool agent,
                         const std::vector<std::string>& settings)
    : name_(name) {
  std::string runner = Required("VIGIL_WINE_RUNNER"), wine_dir = Required("VIGIL_WINE_DIR"),
              peer = Required("ROAD_PEER");
  char tmpl[] = "/tmp/vigil-road-wine-XXXXXX";
  if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
  work_ = tmpl;
  chmod(work_.c_str(), 0755);
  WriteFile(work_ + "/hosts", "127.0.0.1 localhost\n" + hosts);
  WriteFile(work_ + "/nsswitch.conf", "hosts: files\n");
  WriteFile(work_ + "/lines", "DSR CTS RI\n");
  std::string command = Quoted(runner) + " --dir " + Quoted(wine_dir) + " " + Quoted(peer) + " " + Quoted(work_) + " " +
                        (agent ? "agent" : "plain");
  for (const auto& setting : settings) (command += ' ') += Quoted(setting);
  std::string script =
      "set -e\n"
      "hostname " + Quoted(name) + "\n"
      "mount --bind " + Quoted(work_ + "/hosts") + " /etc/hosts\n"
      "mount --bind " + Quoted(work_ + "/nsswitch.conf") + " /etc/nsswitch.conf\n"
      "export TMPDIR=" + Quoted(work_) + "\n"
      "export VIGIL20_SIMLINES=" + Quoted(work_ + "/lines") + "\n"
      // The peer's and alerter.exe's debug output, and the process trace
      // that shows the session's end a shutdown request starts.
      "export WINEDEBUG=-all,warn+debugstr,trace+process\n"
      "exec " + command + " > " + Quoted(work_ + "/wine.out") + " 2> " + Quoted(work_ + "/wine.err") + "\n";
  ChildProcess::Options options;
  options.ownGroup = true;
  options.pipeOutput = false;
  std::string error;
  wine_ = ChildProcess::Start({"ip", "netns", "exec", lan.Netns(host), "unshare", "--mount", "--uts", "--propagation",
                               "private", "/bin/sh", "-c", script},
                              options, &error);
  if (!wine_) throw std::runtime_error("wine station: " + error);
}

WineStation::~WineStation() {
  if (wine_) {
    WriteFile(work_ + "/done", "\n");
    // The runner ends Wine's server and the prefix when the peer is done.
    WaitUntil([&] { return !Running(); }, 60000);
    wine_->Kill();
    wine_->Wait();
  }
  for (int round = 0; round < 3; ++round) {
    auto left = ProcessesMarkedWith(work_);
    if (left.empty()) break;
    for (pid_t pid : left) kill(pid, SIGKILL);
    WaitUntil([&] { return ProcessesMarkedWith(work_).empty(); }, 2000);
  }
  std::error_code ignored;
  std::filesystem::remove_all(work_, ignored);
}

bool WineStation::Running() const {
  std::string stat = ReadWholeFile("/proc/" + std::to_string(wine_->Id()) + "/stat");
  size_t close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

std::string WineStation::Read(const std::string& name) const { return ReadWholeFile(work_ + "/" + name); }

bool WineStation::WaitReady(int timeout_ms) const {
  return WaitUntil([&] { return std::filesystem::exists(work_ + "/ready") || std::filesystem::exists(work_ + "/failed") || !Running(); },
                   timeout_ms) &&
         std::filesystem::exists(work_ + "/ready");
}

void WineStation::Lines(const std::string& words) const {
  CommandResult r = RunProcess({"/bin/sh", "-c", VIGIL_LINES_BIN " " + Quoted(work_ + "/lines") + " " + words}, 5000);
  if (r.status != 0) throw std::runtime_error("vigil-lines: " + r.err);
}

std::string WineStation::RunFolder() const {
  DIR* dir = opendir(work_.c_str());
  if (!dir) return "";
  std::string found;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name.rfind("vigil-wine-", 0) == 0) found = work_ + "/" + name;
  }
  closedir(dir);
  return found;
}

std::string WineStation::EventFile() const {
  std::string run = RunFolder();
  return run.empty() ? "" : run + "/upper/drive_c/windows/EvtVigil20.dat";
}

std::string WineStation::PowerSupplyFolder() const {
  std::string run = RunFolder();
  return run.empty() ? "" : run + "/power_supply";
}

std::vector<int32_t> WineStation::Events() const {
  // The prefix's own file when its layer can be read from here, else the
  // peer's copy.
  std::string file = EventFile();
  return EventFileCodes(!file.empty() && std::filesystem::exists(file) ? ReadWholeFile(file) : Read("events"));
}

std::vector<int> WineStation::Traps() const {
  std::vector<int> ids;
  std::istringstream lines(Read("traps"));
  int id;
  while (lines >> id) ids.push_back(id);
  return ids;
}

int WineStation::ShutdownRequests() const {
  std::istringstream lines(Read("wine.err"));
  std::string line;
  int n = 0;
  while (std::getline(lines, line))
    if (line.find("CreateProcessInternalW") != std::string::npos &&
        (line.find("wineboot.exe --end-session --shutdown") != std::string::npos ||
         line.find("wineboot.exe --kill --shutdown") != std::string::npos))
      ++n;
  return n;
}

std::string WineStation::Report() const {
  std::string report = "=== " + name_ + " (Wine)\nfailed: " + Read("failed") + "events:";
  for (int32_t code : Events()) (report += ' ') += std::to_string(code);
  report += "\nagent: ";
  report += Read("agent");
  report += "traps:";
  for (int id : Traps()) (report += ' ') += std::to_string(id);
  std::string debug;
  std::istringstream lines(Read("wine.err"));
  std::string line;
  while (std::getline(lines, line))
    if (line.find(":debugstr:") != std::string::npos || line.find("wineboot") != std::string::npos ||
        line.find("road_peer") != std::string::npos || line.find("err:") != std::string::npos)
      debug += line + "\n";
  return report + "\ndebug output:\n" + debug + "out: " + Read("wine.out") + "\n";
}

}  // namespace road
