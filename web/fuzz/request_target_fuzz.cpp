// A request as a client may send it: the method is the input's first line,
// the target the rest, answered against a board with two stations (one with
// an awkward name) and a history folder of its own.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "web/site.h"

using core::EncodeLanDatagram;
using core::LanDatagram;
using core::kLanDatagramMax;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace web;
  static StationBoard* board = [] {
    auto* b = new StationBoard("");
    LanDatagram d{};
    d.power_fail = 1;
    d.autonomy_total = 600;
    d.autonomy_left = 590;
    for (const char* name : {"estacao1", "a/../b c%"}) {
      d.name_len = static_cast<uint8_t>(std::string(name).size());
      std::string(name).copy(d.name, d.name_len);
      d.name[d.name_len] = 0;
      uint8_t bytes[kLanDatagramMax];
      size_t n = EncodeLanDatagram(d, bytes);
      b->Take(bytes, n, 1000, 1700000000000);
    }
    return b;
  }();
  static HistoryStore* store = [] {
    auto* s = new HistoryStore((std::filesystem::temp_directory_path() / "request_target_fuzz").string());
    std::string error;
    s->Open(&error);
    return s;
  }();
  static std::vector<std::unique_ptr<OwnEventSource>> own;
  static Site site(*board, *store, own, SiteClock{[] { return int64_t{2000}; }, [] { return int64_t{1700000001000}; }});
  std::string input(reinterpret_cast<const char*>(data), size);
  size_t line = input.find('\n');
  std::string method = line == std::string::npos ? "GET" : input.substr(0, line);
  std::string target = line == std::string::npos ? input : input.substr(line + 1);
  site.Answer(method, target);
  return 0;
}
