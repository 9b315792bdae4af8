// A folder laid out as Linux's /sys/class/power_supply, written by a test:
// a mains supply "AC" and a battery "BAT0" standing for a UPS, with the
// attributes that the Linux stand-in reads and those that Wine reads to
// answer GetSystemPowerStatus (charge in µAh at a voltage in µV). Header
// only: the Windows tests under Wine use it too, on the folder's Z: name.
#pragma once

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

class PowerSupplyTree {
 public:
  // Makes `folder` (and its parents) with the supplies on mains, charged.
  explicit PowerSupplyTree(std::string folder) : folder_(std::move(folder)) {
    std::filesystem::create_directories(folder_ + "/AC");
    std::filesystem::create_directories(folder_ + "/BAT0");
    Write("AC", "type", "Mains");
    Write("BAT0", "type", "Battery");
    Write("BAT0", "present", "1");
    Write("BAT0", "voltage_now", "12000000");
    Write("BAT0", "charge_full", "9000000");
    Write("BAT0", "current_now", "0");
    OnMains(100);
  }

  // A tree that another program laid out, taken as it is.
  static PowerSupplyTree Existing(std::string folder) { return PowerSupplyTree(std::move(folder), Taken{}); }

  const std::string& Folder() const { return folder_; }

  // One attribute, written whole with its line end as the kernel gives it.
  void Write(const std::string& supply, const std::string& attribute, const std::string& value) const {
    std::ofstream file(folder_ + "/" + supply + "/" + attribute, std::ios::binary | std::ios::trunc);
    file << value << "\n";
    if (!file.flush()) throw std::runtime_error("cannot write " + supply + "/" + attribute);
  }
  void Remove(const std::string& supply, const std::string& attribute) const {
    std::filesystem::remove(folder_ + "/" + supply + "/" + attribute);
  }

  void OnMains(int percent) const {
    Charge(percent);
    Write("AC", "online", "1");
    Write("BAT0", "status", percent >= 100 ? "Full" : "Charging");
    Write("BAT0", "current_now", "0");
    Remove("BAT0", "time_to_empty_now");
  }
  void OnBattery(int percent, int runtimeSeconds) const {
    Charge(percent);
    Write("AC", "online", "0");
    Write("BAT0", "status", "Discharging");
    Write("BAT0", "current_now", "2000000");
    Write("BAT0", "time_to_empty_now", std::to_string(runtimeSeconds));
  }

 private:
  struct Taken {};
  PowerSupplyTree(std::string folder, Taken) : folder_(std::move(folder)) {}

  // Below 5 % both readers call the battery critical.
  void Charge(int percent) const {
    Write("BAT0", "capacity", std::to_string(percent));
    Write("BAT0", "charge_now", std::to_string(90000 * percent));
    Write("BAT0", "capacity_level", percent < 5 ? "Critical" : percent < 20 ? "Low" : percent >= 100 ? "Full" : "Normal");
  }

  std::string folder_;
};
