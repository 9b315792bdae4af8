#include "tools/vigil_nut/gateway_config.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/config_lines.h"
#include "linuxbase/unique_fd.h"
#include "tools/vigil_nut/command_line.h"

using core::ConfigLine;
using core::ConfigLines;

namespace vigil_nut {

namespace {

bool Is(const std::string& word, const char* name) { return strcasecmp(word.c_str(), name) == 0; }

bool ValidPort(const std::string& text) {
  if (text.empty() || text.size() > 5) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  int n = std::stoi(text);
  return n >= 1 && n <= 65535;
}

}  // namespace

bool ParseGatewayConfig(std::string_view text, GatewayConfig* config, std::string* error) {
  *config = GatewayConfig{};
  std::vector<std::string> words;
  for (const ConfigLine& numbered : ConfigLines(text)) {
    std::string line(numbered.text);
    for (char& c : line)
      if (c == '\t') c = ' ';
    auto fail = [&](const std::string& why) {
      *error = "line " + std::to_string(numbered.number) + ": " + why;
      return false;
    };
    if (SplitCommandLine(line, &words) != LineVerdict::kWords) return fail("cannot be read");
    if (words.empty()) continue;
    if (Is(words[0], "LISTEN")) {
      if (words.size() < 2 || words.size() > 3) return fail("LISTEN takes an address and maybe a port");
      ListenAddress listen{words[1], kNutPort};
      if (words.size() == 3) {
        if (!ValidPort(words[2])) return fail("not a port: " + words[2]);
        listen.port = words[2];
      }
      sockaddr_storage address{};
      socklen_t size = 0;
      if (!SocketAddress(listen, &address, &size)) return fail("not a numeric address: " + words[1]);
      config->listen.push_back(listen);
    } else if (Is(words[0], "USER")) {
      if (words.size() != 3) return fail("USER takes a name and a password");
      config->users.push_back({words[1], words[2]});
    } else if (Is(words[0], "KEY")) {
      if (words.size() != 2 || words[1].empty()) return fail("KEY takes one text (quote it if it has blanks)");
      config->key = words[1];
    } else if (Is(words[0], "MAXCONN")) {
      if (words.size() != 2 || !ValidPort(words[1])) return fail("MAXCONN takes a number from 1 to 65535");
      config->maxConnections = std::stoi(words[1]);
    } else {
      return fail("unknown setting " + words[0]);
    }
  }
  return true;
}

bool ReadGatewayConfig(const std::string& path, GatewayConfig* config, std::string* error) {
  linuxbase::UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (fstat(fd.get(), &st) != 0) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    *error = path + ": holds passwords, yet others than its owner may use it (make it mode 0600)";
    return false;
  }
  if (!S_ISREG(st.st_mode) || st.st_size > 1 << 20) {
    *error = path + ": not a configuration file";
    return false;
  }
  std::string text;
  char buffer[4096];
  for (;;) {
    ssize_t n = read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = path + ": " + std::strerror(errno);
      return false;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  fd.reset();
  if (!ParseGatewayConfig(text, config, error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

bool SocketAddress(const ListenAddress& where, sockaddr_storage* address, socklen_t* size) {
  *address = sockaddr_storage{};
  if (!ValidPort(where.port)) return false;
  uint16_t port = htons(static_cast<uint16_t>(std::stoi(where.port)));
  auto* v4 = reinterpret_cast<sockaddr_in*>(address);
  if (inet_pton(AF_INET, where.address.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = port;
    *size = sizeof(sockaddr_in);
    return true;
  }
  auto* v6 = reinterpret_cast<sockaddr_in6*>(address);
  if (inet_pton(AF_INET6, where.address.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = port;
    *size = sizeof(sockaddr_in6);
    return true;
  }
  return false;
}

std::vector<ListenAddress> ListenAddresses(const GatewayConfig& config) {
  if (!config.listen.empty()) return config.listen;
  return {{"127.0.0.1", kNutPort}, {"::1", kNutPort}};
}

}  // namespace vigil_nut
