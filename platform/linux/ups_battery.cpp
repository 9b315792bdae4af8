#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "linuxbase/unique_fd.h"
#include "linuxbase/unique_file.h"
#include "platform/ups_battery_linux.h"

namespace platform {

namespace {

// Every attribute read here is a word or a number: a longer text is not one.
constexpr size_t kAttributeMax = 63;

// The attribute `name` of the supply in `folder`, without its line end;
// nothing when it is missing, unreadable, empty or too long.
std::optional<std::string> ReadAttribute(const std::string& folder, const char* name) {
  std::string path = folder + "/" + name;
  linuxbase::UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return std::nullopt;
  char text[kAttributeMax + 2];
  size_t got = 0;
  while (got < sizeof text) {
    ssize_t n = read(fd.get(), text + got, sizeof text - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  // A full buffer may be the start of a longer text: cut, it is not read.
  if (got == sizeof text) return std::nullopt;
  while (got > 0 && (text[got - 1] == '\n' || text[got - 1] == ' ')) --got;
  if (got == 0 || got > kAttributeMax) return std::nullopt;
  return std::string(text, got);
}

// A whole decimal number, or nothing.
std::optional<long long> ReadNumber(const std::string& folder, const char* name) {
  std::optional<std::string> text = ReadAttribute(folder, name);
  if (!text) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  long long value = std::strtoll(text->c_str(), &end, 10);
  if (errno != 0 || end == text->c_str() || *end != '\0') return std::nullopt;
  return value;
}

std::optional<bool> ReadSwitch(const std::string& folder, const char* name) {
  std::optional<long long> value = ReadNumber(folder, name);
  if (!value || (*value != 0 && *value != 1)) return std::nullopt;
  return *value == 1;
}

std::optional<double> ReadCharge(const std::string& supply) {
  if (std::optional<long long> capacity = ReadNumber(supply, "capacity")) {
    if (*capacity >= 0 && *capacity <= 100) return static_cast<double>(*capacity);
    return std::nullopt;
  }
  for (auto [now, full] : {std::pair{"charge_now", "charge_full"}, std::pair{"energy_now", "energy_full"}}) {
    std::optional<long long> left = ReadNumber(supply, now);
    std::optional<long long> whole = ReadNumber(supply, full);
    if (left && whole && *whole > 0 && *left >= 0)
      return std::min(100.0, 100.0 * static_cast<double>(*left) / static_cast<double>(*whole));
  }
  return std::nullopt;
}

}  // namespace

std::string PowerSupplyFolder() {
  const char* value = std::getenv(kPowerSupplyVariable);
  return value && *value ? value : kPowerSupplyFolder;
}

bool ReadPowerSupplyFolder(const std::string& folder, UpsBatteryReading* reading, std::string* error) {
  std::vector<std::string> names;
  {
    linuxbase::UniqueDir d(opendir(folder.c_str()));
    if (!d) {
      *error = "opendir " + folder + ": " + std::strerror(errno);
      return false;
    }
    errno = 0;
    while (dirent* e = readdir(d.get())) {
      if (e->d_name[0] != '.') names.emplace_back(e->d_name);
    }
    if (errno != 0) {
      *error = "readdir " + folder + ": " + std::strerror(errno);
      return false;
    }
  }
  // The system's order is no order: the first by name is the same each time.
  std::sort(names.begin(), names.end());

  std::string ups, battery;
  std::optional<bool> mainsOnline;
  for (const std::string& name : names) {
    std::string supply = folder + "/" + name;
    std::optional<std::string> type = ReadAttribute(supply, "type");
    if (!type) continue;
    if (*type == "UPS" && ups.empty()) {
      ups = supply;
    } else if (*type == "Battery" && battery.empty() && ReadAttribute(supply, "scope") != "Device") {
      battery = supply;
    } else if (*type == "Mains") {
      if (std::optional<bool> online = ReadSwitch(supply, "online")) mainsOnline = mainsOnline.value_or(false) || *online;
    }
  }
  const std::string& chosen = ups.empty() ? battery : ups;
  if (chosen.empty()) {
    *error = "no UPS or battery in " + folder;
    return false;
  }

  UpsBatteryReading r;
  r.device = chosen;
  r.present = ReadSwitch(chosen, "present");
  std::optional<std::string> status = ReadAttribute(chosen, "status");
  if (status == "Discharging") {
    r.discharging = true;
  } else if (status == "Charging" || status == "Full" || status == "Not charging") {
    r.discharging = false;
  }
  if (!ups.empty()) r.on_line = ReadSwitch(chosen, "online");
  if (!r.on_line) r.on_line = mainsOnline;
  if (!r.on_line && r.discharging) r.on_line = !*r.discharging;
  std::optional<std::string> level = ReadAttribute(chosen, "capacity_level");
  if (level == "Critical") {
    r.critical = true;
  } else if (level == "Low" || level == "Normal" || level == "High" || level == "Full") {
    r.critical = false;
  }
  r.charge_percent = ReadCharge(chosen);
  std::optional<long long> runtime = ReadNumber(chosen, "time_to_empty_now");
  if (runtime && *runtime >= 0 && *runtime <= INT32_MAX) r.runtime_s = static_cast<int32_t>(*runtime);
  *reading = r;
  return true;
}

bool ReadUpsBattery(UpsBatteryReading* reading, std::string* error) {
  return ReadPowerSupplyFolder(PowerSupplyFolder(), reading, error);
}

}  // namespace platform
