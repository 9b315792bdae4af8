#include "web/own_events.h"

#include <cstdio>
#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>

#include "eventfile/event_file.h"
#include "config/apl_config.h"
#include "core/lan_datagram.h"
#include "alerter/socket_bind.h"
#include "platform/udp_socket.h"
#include "platform/win1252.h"
#include "core/daemon_log_record.h"
#include "core/event_kind_table.h"
#include "web/history_events.h"

using core::DaemonLogLine;
using core::EventRecord;
using core::SplitDaemonLogLine;
using core::UnscrambleDaemonLogRecord;
using core::kDaemonLogRecordBytes;
using core::kEventFileName;
using core::kLanNameMax;

namespace web {

namespace {

// "ComMode" of a computer that follows a server over the LAN.
constexpr int32_t kComModeNetworkClient = 2;

// Local calendar time to the wall clock; nothing when it is no real moment.
std::optional<int64_t> LocalToUnixMs(std::tm parts) {
  parts.tm_isdst = -1;
  std::time_t when = std::mktime(&parts);
  if (when == static_cast<std::time_t>(-1)) return std::nullopt;
  return static_cast<int64_t>(when) * 1000;
}

class EventFileEvents : public OwnEventSource {
 public:
  explicit EventFileEvents(std::string station) : station_(std::move(station)) {}

  std::vector<OwnEvent> ReadAll() const override {
    std::vector<OwnEvent> events;
    CEventFile file(kEventFileName);
    if (!file.OpenForReading()) return events;
    int32_t count = file.Count();
    for (int32_t k = 0; k < count; ++k) {
      int32_t code = file.ReadCode(k);
      const EventRecord& r = file.LastRecord();
      if (code == 0 || r.year < 1970 || r.month < 1 || r.month > 12 || r.day < 1 || r.day > 31) continue;
      std::tm parts{};
      parts.tm_year = r.year - 1900;
      parts.tm_mon = r.month - 1;
      parts.tm_mday = r.day;
      parts.tm_hour = r.hour;
      parts.tm_min = r.minute;
      parts.tm_sec = r.second;
      std::optional<int64_t> when = LocalToUnixMs(parts);
      if (!when) continue;
      events.push_back({station_, *when, code, EventText(code)});
    }
    return events;
  }

  std::string Describe() const override { return CEventFile(kEventFileName).Path(); }

 private:
  std::string station_;
};

class DaemonLogEvents : public OwnEventSource {
 public:
  explicit DaemonLogEvents(std::string path) : path_(std::move(path)) {}

  std::vector<OwnEvent> ReadAll() const override {
    std::vector<OwnEvent> events;
    FILE* file = std::fopen(path_.c_str(), "rb");
    if (!file) return events;
    uint8_t record[kDaemonLogRecordBytes];
    size_t n;
    while ((n = std::fread(record, 1, sizeof record, file)) > 0) {
      std::optional<DaemonLogLine> line = SplitDaemonLogLine(UnscrambleDaemonLogRecord(record, n));
      if (!line) continue;
      std::tm parts{};
      std::istringstream time(line->time);
      time.imbue(std::locale::classic());
      time >> std::get_time(&parts, "%a %b %d %H:%M:%S %Y");
      if (time.fail()) continue;
      std::optional<int64_t> when = LocalToUnixMs(parts);
      if (!when) continue;
      const core::EventKindInfo* kind = core::ByDaemonText(line->message);
      int code = kind ? kind->history_code : 0;
      // The daemon's texts are plain ASCII; anything else is shown as
      // Windows-1252, never as broken UTF-8.
      std::string station = line->station.substr(0, kLanNameMax);
      events.push_back({station, *when, code, win1252::ToUtf8(line->message)});
    }
    std::fclose(file);
    return events;
  }

  std::string Describe() const override { return path_; }

 private:
  std::string path_;
};

}  // namespace

std::unique_ptr<OwnEventSource> EventFileSource(std::string station) {
  return std::make_unique<EventFileEvents>(std::move(station));
}

std::unique_ptr<OwnEventSource> DaemonLogSource(std::string path) {
  return std::make_unique<DaemonLogEvents>(std::move(path));
}

std::string SuiteStationName() {
  char name[64] = {};
  if (platform::GetLocalHostName(name, sizeof name) != 0) return "";
  return LowerCase(name).substr(0, kLanNameMax);
}

std::string SuiteEventsStation(const CAplConfig& config) {
  if (config.comMode == kComModeNetworkClient && config.acceptAll == 0 && !config.hostName.empty())
    return LowerCase(config.hostName).substr(0, kLanNameMax);
  return SuiteStationName();
}

std::string SuiteEventsStation() {
  CAplConfig config;
  config.SetRootKey(platform::kLocalMachine, kAplConfigKey);
  config.RegisterValues();
  config.Load();
  return SuiteEventsStation(config);
}

}  // namespace web
