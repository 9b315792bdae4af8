// The answers of NUT's network protocol, read-only, written as upsd 2.8
// writes them. Pure: the state it needs comes in as arguments.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/ups_figures.h"
#include "tools/vigil_nut/station_table.h"

namespace vigil_nut {

struct User {
  std::string name;
  std::string password;
};

// What one client connection has told so far.
struct Session {
  std::string address;  // the client's, as LIST CLIENT shows it
  bool hasUsername = false, hasPassword = false;
  std::string username, password;
  std::string loginUps;  // the UPS (NUT name) it logged in to; empty: none
  bool endAfterReply = false;
};

struct ProtocolContext {
  const StationTable& stations;
  const std::vector<User>& users;
  int64_t nowMs;
  // Calls its argument with every session (this one included).
  std::function<void(const std::function<void(const Session&)>&)> forEachSession;
  // What the UPS wired to this computer measures, when a file of its
  // figures was read; and the wall clock that judges its age.
  const core::UpsFigures* ownFigures = nullptr;
  int64_t nowUnixMs = 0;
};

// The reply, whole lines, to one request of `words` (as SplitCommandLine
// made them).
std::string Answer(const std::vector<std::string>& words, Session& session, const ProtocolContext& context);

// What upsd answers to a line it could not take.
inline constexpr const char* kRefusedLineReply = "ERR INVALID-ARGUMENT\n";

}  // namespace vigil_nut
