// A history file as found on disk, whatever it holds, read back and drawn:
// its records merged with own events, a timeline and the CSV lines.
#include <cstddef>
#include <cstdint>

#include "web/history_store.h"
#include "web/pages.h"
#include "web/station_history.h"
#include "web/timeline_svg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace web;
  HistoryStore::Reading reading;
  ReadHistoryBytes(data, size, INT64_MIN, &reading);
  std::vector<OwnEvent> own = {{"estacao1", 1000, 1, "Falta de rede"}, {"estacao1", 5000, 2, "Retorno da rede"}};
  std::vector<HistoryEntry> entries = MergeHistory(reading.records, own, INT64_MIN);
  int64_t now = entries.empty() ? 0 : entries.back().unixMs;
  // The window's length changes only the marks, not how records are read.
  TimelineSvg(entries, now - 6 * 3600 * 1000LL, now, now, TimeMarks::kHours, "6 h");
  TimelineSvg(entries, now - 3600 * 1000LL, now, now, TimeMarks::kMinutes, "1 h", TimelineFit::kNarrow);
  EventsCsvLines("estacao1", entries);
  return 0;
}
