// Pieces shared by vigil-web's unit tests.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "core/lan_datagram.h"

namespace web_test {

// A fresh folder of its own under the system's temporary folder, removed
// with everything in it.
class TempFolder {
 public:
  TempFolder() {
    static std::atomic<int> serial{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = (std::filesystem::temp_directory_path() /
             ("vigil-web-test-" + std::to_string(stamp) + "-" + std::to_string(serial++)))
                .string();
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (std::filesystem::path(path_) / name).string(); }

 private:
  std::string path_;
};

struct Flags {
  int pf = 0, bl = 0, bp = 0, cf = 0, ao = 0;
};

inline core::LanDatagram Datagram(const std::string& name, Flags f = {}, int left = 600, int total = 600, int onBattery = 0) {
  core::LanDatagram d{};
  d.power_fail = static_cast<uint8_t>(f.pf);
  d.battery_low = static_cast<uint8_t>(f.bl);
  d.bypass = static_cast<uint8_t>(f.bp);
  d.signal_fault = static_cast<uint8_t>(f.cf);
  d.autonomy_over = static_cast<uint8_t>(f.ao);
  d.autonomy_total = static_cast<uint16_t>(total);
  d.autonomy_base = static_cast<uint16_t>(total);
  d.autonomy_left = static_cast<uint16_t>(left);
  d.discharge_time = static_cast<uint16_t>(onBattery);
  d.name_len = static_cast<uint8_t>(name.size() > core::kLanNameMax ? core::kLanNameMax : name.size());
  name.copy(d.name, d.name_len);
  d.name[d.name_len] = '\0';
  return d;
}

inline std::vector<uint8_t> Bytes(const core::LanDatagram& d) {
  uint8_t out[core::kLanDatagramMax];
  size_t n = core::EncodeLanDatagram(d, out);
  return {out, out + n};
}

}  // namespace web_test
