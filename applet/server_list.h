// The servers heard while the sheet is open: the upper-case sender names
// of the LAN notifications received on port 2648, each once, in the order
// first heard. Never saved. Bounded: a flood of names keeps the first
// kMaxServers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/lan_trust.h"

namespace applet {

class ServerList {
 public:
  static constexpr size_t kMaxServers = 256;
  // What the status record keeps of a sender's name (32 bytes with the
  // terminator).
  static constexpr size_t kNameMax = 31;

  // The collector: decodes one received datagram and adds its sender. A
  // datagram with another header, or a name already listed (compared
  // without case), changes nothing; with a key, neither does a datagram
  // that does not verify. True when a name was added.
  bool Collect(const uint8_t* bytes, size_t count);
  // The network's key ("Net Key"): with one, only the servers whose
  // datagrams verify are listed. Empty: every server.
  void SetKey(const std::string& key);
  // Adds `name` in upper case unless it is listed or the list is full.
  bool Add(const std::string& name);

  const std::vector<std::string>& Names() const { return names_; }

 private:
  std::vector<std::string> names_;
  core::LanTrust trust_;  // no output: the list only leaves out who is not believed
};

}  // namespace applet
