// A station's timeline drawn on the server as SVG: bands for its state
// (mains, battery, critical battery, bypass, end of autonomy, signalling
// fault, silence; nothing where nothing is known) and the autonomy line
// over them, with the hours or days along the bottom in local time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "web/station_history.h"

namespace web {

// How long a record's state is taken to hold without a later record: a
// little over two sampling periods, so that a gap (the program stopped)
// shows as unknown. Own events and silences hold until the next entry.
inline constexpr int64_t kBatteryStateHoldsMs = 75 * 1000;
inline constexpr int64_t kMainsStateHoldsMs = 35 * 60 * 1000;

struct Band {
  int64_t fromMs = 0, toMs = 0;
  const char* kind = "";  // the class: "rede", "bateria", "critica", "bypass", "fim", "falha", "silencio"
};

// The bands of `entries` (oldest first) within [fromMs, toMs], `nowMs`
// ending the last one.
std::vector<Band> BandsOf(const std::vector<HistoryEntry>& entries, int64_t fromMs, int64_t toMs, int64_t nowMs);

// How the time axis is marked: by minutes (the last hour), by hours (a
// day) or at midnights (a week).
enum class TimeMarks { kMinutes, kHours, kDays };

// The drawing's proportions: wide for a desktop window, narrow for a phone
// (fewer marks, larger letters once scaled down to the screen). The pages
// carry both and the style sheet shows one.
enum class TimelineFit { kWide, kNarrow };

// The picture of [fromMs, toMs]. `title` is its accessible name (UTF-8).
std::string TimelineSvg(const std::vector<HistoryEntry>& entries, int64_t fromMs, int64_t toMs, int64_t nowMs,
                        TimeMarks marks, const std::string& title, TimelineFit fit = TimelineFit::kWide);

// The Portuguese words and the colour of a band's kind, for the legend.
const char* BandWords(const char* kind);
const char* BandFill(const char* kind);
// Every kind, in the legend's order; ends with nullptr.
extern const char* const kBandKinds[];

}  // namespace web
