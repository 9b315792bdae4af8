#include "tools/vigil_snmp/tests/snmp_daemons.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

int FreeUdpPort() {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) throw std::runtime_error("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(fd);
    throw std::runtime_error("bind");
  }
  close(fd);
  return ntohs(address.sin_port);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

namespace {

std::string Quoted(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

Daemon::Daemon(const std::vector<std::string>& argv, const std::string& log) : log_(log) {
  std::string command = "exec";
  // Appended piece by piece: GCC 12 sees a false overlap (-Wrestrict) in
  // a literal + string concatenation here.
  for (const std::string& word : argv) {
    command += " ";
    command += Quoted(word);
  }
  command += " >";
  command += Quoted(log);
  command += " 2>&1 </dev/null";
  ChildProcess::Options options;
  options.pipeOutput = false;
  options.ownGroup = true;
  std::string error;
  child_ = ChildProcess::Start({"/bin/sh", "-c", command}, options, &error);
  if (!child_) throw std::runtime_error("cannot start " + argv[0] + ": " + error);
}

Daemon::~Daemon() {
  if (!child_) return;
  child_->Kill();
  child_->Wait();
}

CommandResult Client(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  CommandResult result = RunProcess(argv, 20000);
  result.out += result.err;
  return result;
}
