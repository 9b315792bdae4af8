// vigil-nut's configuration file: one setting a line, '#' starts a comment.
//   LISTEN address [port]   where NUT clients connect (port 3493), a
//                           numeric address; none: 127.0.0.1 and ::1
//   USER name password      a user that may LOGIN (upsmon's secondaries)
//   KEY text                the shared key of the signed datagram
//   MAXCONN n               connections served at once
// Words may be quoted ("two words") as in upsd.conf.
#pragma once

#include <string>
#include <sys/socket.h>
#include <string_view>
#include <vector>

#include "tools/vigil_nut/protocol.h"

namespace vigil_nut {

inline constexpr const char* kDefaultConfigPath = "/etc/vigil20/vigil-nut.conf";
inline constexpr const char* kNutPort = "3493";

struct ListenAddress {
  std::string address;
  std::string port = kNutPort;
};

struct GatewayConfig {
  std::vector<ListenAddress> listen;
  std::vector<User> users;
  std::string key;  // empty: datagrams are not signed
  int maxConnections = 256;
  // Not a setting: where the daemon leaves its USB UPS's figures.
  std::string upsFiguresPath = core::kDaemonUpsFiguresPath;
};

// Reads the settings of `text` into `config`; false with `error` (naming
// the line) on the first line that is not understood.
bool ParseGatewayConfig(std::string_view text, GatewayConfig* config, std::string* error);

// Reads the file at `path`, refusing one that anyone but its owner may
// read or write: it holds passwords and the key.
bool ReadGatewayConfig(const std::string& path, GatewayConfig* config, std::string* error);

// The addresses to listen on: the configured ones, else the loopback ones.
std::vector<ListenAddress> ListenAddresses(const GatewayConfig& config);

// The socket address of `where`, an IPv4 or IPv6 address in numbers (no
// name is looked up: the program has no name service linked in).
bool SocketAddress(const ListenAddress& where, sockaddr_storage* address, socklen_t* size);

}  // namespace vigil_nut
