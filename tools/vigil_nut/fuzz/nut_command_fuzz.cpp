// A client's bytes, split into request lines as the gateway reads them and
// answered against a table with one fresh and one stale station, with a
// session that carries over from line to line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/vigil_nut/command_line.h"
#include "tools/vigil_nut/protocol.h"

using core::LanDatagram;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vigil_nut;
  StationTable table;
  LanDatagram fresh{};
  fresh.power_fail = 1;
  fresh.autonomy_total = 600;
  fresh.autonomy_left = 0xFFFB;
  fresh.name_len = 8;
  std::string("estacao1").copy(fresh.name, 8);
  LanDatagram stale = fresh;
  stale.name_len = 5;
  std::string("a b#c").copy(stale.name, 5);
  stale.name[5] = 0;
  table.Record(stale, "10.0.0.2", 0, 0);
  table.Record(fresh, "10.0.0.1", 60000, 60);
  std::vector<User> users = {{"monuser", "secret"}};
  Session session;
  session.address = "127.0.0.1";
  ProtocolContext context{table, users, 61000, [&](const std::function<void(const Session&)>& visit) { visit(session); }};

  std::string all(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> words;
  size_t at = 0;
  while (at <= all.size()) {
    size_t end = all.find('\n', at);
    if (end == std::string::npos) end = all.size();
    std::string line = all.substr(at, end - at);
    at = end + 1;
    if (SplitCommandLine(line, &words) != LineVerdict::kWords) continue;
    std::string reply = Answer(words, session, context);
    // Every reply is whole lines of printable text.
    if (reply.empty() || reply.back() != '\n') __builtin_trap();
    for (unsigned char c : reply)
      if (c != '\n' && (c < 0x20 || c > 0x7E)) __builtin_trap();
  }
  return 0;
}
