#include "tests/support/sandbox.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

namespace {

void WriteFileAt(const std::string& path, const std::string& content, mode_t mode = 0644) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
  chmod(path.c_str(), mode);
}

const char kRecorder[] =
    "#!/bin/sh\n"
    "echo \"$0 $*\" >> /usr/local/recorded\n";

std::string Link(const std::string& path) {
  char buf[256] = {};
  ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, n) : std::string();
}

}  // namespace

Sandbox::Sandbox() : Sandbox(Options{}) {}

Sandbox::Sandbox(const Options& options) {
  char tmpl[] = "/tmp/vigil-sandbox-XXXXXX";
  if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
  root_ = tmpl;
  chmod(root_.c_str(), 0755);
  fs::create_directories(root_ + "/sbin");
  if (options.poweroff) WriteFileAt(root_ + "/sbin/poweroff", kRecorder, 0755);
  if (options.shutdown) WriteFileAt(root_ + "/sbin/shutdown", kRecorder, 0755);
  if (options.init) WriteFileAt(root_ + "/sbin/init", kRecorder, 0755);
  WriteFileAt(root_ + "/console", "");

  std::string sbin = fs::canonical("/sbin").string();
  std::string setup =
      "set -e\n" +
      // Alone on its network, a station's broadcasts come back to it
      // through the loopback, where a test can listen.
      std::string(options.netns.empty() ? "ip link set lo up\nip route add default dev lo\n" : "") +
      "hostname posto7.exemplo.com.br\n"
      "mount --bind '" + root_ + "' /usr/local\n"
      "mount --bind /usr/local/sbin '" + sbin + "'\n"
      "mount --bind '" + (options.console_device.empty() ? "/usr/local/console" : options.console_device) +
      "' /dev/console\n"
      "exec '" NS_INIT_BIN "' /usr/local/holder.pid /usr/local/exits\n";
  std::vector<std::string> argv;
  if (!options.netns.empty()) argv = {"ip", "netns", "exec", options.netns};
  argv.insert(argv.end(), {"unshare", "--mount", "--uts", "--ipc", "--pid", "--fork", "--propagation", "private"});
  if (options.netns.empty()) argv.push_back("--net");
  argv.insert(argv.end(), {"/bin/sh", "-c", setup});

  ChildProcess::Options launch;
  launch.ownGroup = true;
  launch.pipeOutput = false;
  std::string error;
  launcher_ = ChildProcess::Start(argv, launch, &error);
  if (!launcher_) throw std::runtime_error("sandbox: " + error);
  if (!WaitUntil([&] { return Exists("holder.pid"); }, 10000))
    throw std::runtime_error("sandbox did not start (needs root, unshare and nsenter)");
  holder_ = std::atoi(Read("holder.pid").c_str());
}

Sandbox::~Sandbox() {
  if (holder_ > 0) kill(holder_, SIGKILL);
  if (launcher_) {
    launcher_->Kill();
    launcher_->Wait();
  }
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

CommandResult Sandbox::Run(const std::string& command, int timeout_ms) const {
  return RunProcess({"nsenter", "--target", std::to_string(holder_), "--mount", "--uts", "--ipc", "--net", "--pid",
                     "--", "/bin/sh", "-c", "cd /usr/local && " + command},
                    timeout_ms);
}

std::string Sandbox::Path(const std::string& relative) const { return root_ + "/" + relative; }
std::string Sandbox::Read(const std::string& relative) const { return ReadWholeFile(Path(relative)); }
bool Sandbox::Exists(const std::string& relative) const { return fs::exists(Path(relative)); }

void Sandbox::Write(const std::string& relative, const std::string& content) const {
  fs::path path = Path(relative);
  fs::create_directories(path.parent_path());
  // Written beside and renamed, so a polling reader never sees half a file.
  WriteFileAt(path.string() + ".new", content);
  fs::rename(path.string() + ".new", path);
}

void Sandbox::WriteConf(const std::vector<std::string>& lines) const {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  Write("vigil20/vigil20.conf", text);
}

std::vector<pid_t> Sandbox::VigilProcesses() const {
  std::vector<pid_t> found;
  std::string sandbox_ns = Link("/proc/" + std::to_string(holder_) + "/ns/pid");
  DIR* dir = opendir("/proc");
  if (!dir) return found;
  while (dirent* entry = readdir(dir)) {
    pid_t pid = std::atoi(entry->d_name);
    if (pid <= 0) continue;
    std::string base = std::string("/proc/") + entry->d_name;
    if (Link(base + "/ns/pid") != sandbox_ns) continue;
    std::string comm = ReadWholeFile(base + "/comm");
    if (comm == "vigil20\n") found.push_back(pid);
  }
  closedir(dir);
  return found;
}

static pid_t ParentOf(pid_t pid) {
  std::string stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
  auto close_paren = stat.rfind(')');
  if (close_paren == std::string::npos) return 0;
  std::istringstream rest(stat.substr(close_paren + 2));
  char state;
  pid_t parent = 0;
  rest >> state >> parent;
  return parent;
}

pid_t Sandbox::DaemonMain() const {
  for (pid_t pid : VigilProcesses())
    if (ParentOf(pid) == holder_) return pid;
  return 0;
}

pid_t Sandbox::DaemonWorker() const {
  pid_t main = DaemonMain();
  if (main == 0) return 0;
  for (pid_t pid : VigilProcesses())
    if (ParentOf(pid) == main) return pid;
  return 0;
}

bool Sandbox::WaitDaemonGone(int timeout_ms) const {
  return WaitUntil([&] { return VigilProcesses().empty(); }, timeout_ms);
}

namespace {
int lan_count = 0;
}

VethLan::VethLan() {
  std::string id = std::to_string(getpid() % 100000) + "x" + std::to_string(lan_count++);
  first_ = "vigil-" + id + "-a";
  second_ = "vigil-" + id + "-b";
  std::string a = "vgA" + id, b = "vgB" + id;
  std::string subnet = "10." + std::to_string(100 + (getpid() + lan_count) % 100) + ".0.";
  std::string script =
      "set -e\n"
      "ip netns add " + first_ + "\n"
      "ip netns add " + second_ + "\n"
      "ip link add " + a + " type veth peer name " + b + "\n"
      "ip link set " + a + " netns " + first_ + "\n"
      "ip link set " + b + " netns " + second_ + "\n"
      "ip -n " + first_ + " addr add " + subnet + "1/24 dev " + a + "\n"
      "ip -n " + second_ + " addr add " + subnet + "2/24 dev " + b + "\n"
      "for ns in " + first_ + " " + second_ + "; do ip -n $ns link set lo up; done\n"
      "ip -n " + first_ + " link set " + a + " up\n"
      "ip -n " + second_ + " link set " + b + " up\n"
      "ip -n " + first_ + " route add default dev " + a + "\n"
      "ip -n " + second_ + " route add default dev " + b + "\n";
  CommandResult r = RunProcess({"/bin/sh", "-c", script}, 10000);
  if (r.status != 0) throw std::runtime_error("cannot build the test LAN: " + r.err);
}

VethLan::~VethLan() {
  RunProcess({"ip", "netns", "del", first_}, 5000);
  RunProcess({"ip", "netns", "del", second_}, 5000);
}
