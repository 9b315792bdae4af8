// history_fill FOLDER STATIONS DAYS: writes DAYS days of history for
// STATIONS stations into FOLDER through the program's own recorder, as the
// datagrams of a station that fails once an hour would have it: a
// datagram every 5 seconds, the mains failing at the top of each hour for
// 5 minutes (the autonomy counting down meanwhile), the last datagram now.
// Prints the size of each station's files. Not a test: a measurement.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/lan_datagram.h"
#include "web/history_recorder.h"
#include "web/history_store.h"

using core::LanDatagram;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: history_fill FOLDER STATIONS DAYS\n");
    return 2;
  }
  std::string folder = argv[1];
  int stations = std::atoi(argv[2]), days = std::atoi(argv[3]);
  web::HistoryStore store(folder);
  std::string error;
  if (!store.Open(&error)) {
    std::fprintf(stderr, "history_fill: %s\n", error.c_str());
    return 1;
  }
  web::HistoryRecorder recorder(store, [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); },
                                nullptr);
  const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
  const int64_t start = now - static_cast<int64_t>(days) * 24 * 3600 * 1000;
  for (int64_t t = start; t <= now; t += 5000) {
    int64_t intoHour = (t / 1000) % 3600;
    bool outage = intoHour < 300;
    for (int s = 1; s <= stations; ++s) {
      LanDatagram d{};
      std::string name = "estacao" + std::to_string(s);
      d.name_len = static_cast<uint8_t>(name.size());
      name.copy(d.name, d.name_len);
      d.power_fail = outage ? 1 : 0;
      d.autonomy_total = d.autonomy_base = 600;
      d.autonomy_left = static_cast<uint16_t>(outage ? 600 - intoHour : 600);
      d.discharge_time = static_cast<uint16_t>(outage ? intoHour : 0);
      recorder.OnDatagram(name, d, t);
    }
  }
  uintmax_t total = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) total += std::filesystem::file_size(entry.path());
  web::HistoryStore::Reading one = store.Read("estacao1");
  std::printf("history of %d days, one outage of 5 minutes an hour: %zu records a station, %ju bytes a station "
              "(%ju bytes for %d stations)\n",
              days, one.records.size(), total / static_cast<uintmax_t>(stations), total, stations);
  return 0;
}
