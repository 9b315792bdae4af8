#include "platform/ups_battery.h"

// clang-format off
#include <windows.h>
#include <winioctl.h>
#include <setupapi.h>
#include <batclass.h>
// clang-format on

#include <cstdio>
#include <memory>

namespace platform {

namespace {

// GUID_DEVCLASS_BATTERY, which is also the battery device interface
// (GUID_DEVICE_BATTERY): written out so that no GUID library is needed.
constexpr GUID kBatteryInterface = {0x72631e54, 0x78a4, 0x11d0, {0xbc, 0xf7, 0x00, 0xaa, 0x00, 0xb7, 0xb3, 0x2a}};
// A machine has a few batteries; a longer list is not looked through.
constexpr DWORD kBatteriesMax = 16;
// An interface path longer than this is not a battery's.
constexpr DWORD kDetailMax = 4096;

struct DeviceListCloser {
  void operator()(void* list) const { SetupDiDestroyDeviceInfoList(list); }
};
struct HandleCloser {
  void operator()(void* handle) const { CloseHandle(handle); }
};
using DeviceList = std::unique_ptr<void, DeviceListCloser>;
using Handle = std::unique_ptr<void, HandleCloser>;

std::string Failure(const char* call, DWORD error) {
  char text[96];
  std::snprintf(text, sizeof text, "%s: error %lu", call, static_cast<unsigned long>(error));
  return text;
}

// The interface path of the battery `index` of `list`; empty at the end of
// the list or on a path it cannot take.
std::string BatteryPath(HDEVINFO list, DWORD index, bool* end) {
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;
  if (!SetupDiEnumDeviceInterfaces(list, nullptr, &kBatteryInterface, index, &data)) {
    *end = true;
    return "";
  }
  DWORD required = 0;
  SetupDiGetDeviceInterfaceDetailA(list, &data, nullptr, 0, &required, nullptr);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) ||
      required > kDetailMax)
    return "";
  std::unique_ptr<char[]> buffer(new char[required]());
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.get());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  if (!SetupDiGetDeviceInterfaceDetailA(list, &data, detail, required, nullptr, nullptr)) return "";
  // The path ends within the buffer that the system filled.
  buffer[required - 1] = '\0';
  return detail->DevicePath;
}

// Reads the battery at `path` when it is a UPS's (short-term); false for
// any other battery and for one that does not answer.
bool ReadShortTermBattery(const std::string& path, UpsBatteryReading* reading) {
  Handle battery(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (battery.get() == INVALID_HANDLE_VALUE) {
    battery.release();
    return false;
  }
  DWORD got = 0;
  ULONG wait = 0;  // no waiting for a battery to arrive
  BATTERY_QUERY_INFORMATION query{};
  if (!DeviceIoControl(battery.get(), IOCTL_BATTERY_QUERY_TAG, &wait, sizeof wait, &query.BatteryTag,
                       sizeof query.BatteryTag, &got, nullptr) ||
      got != sizeof query.BatteryTag || query.BatteryTag == BATTERY_TAG_INVALID)
    return false;

  BATTERY_INFORMATION info{};
  query.InformationLevel = BatteryInformation;
  if (!DeviceIoControl(battery.get(), IOCTL_BATTERY_QUERY_INFORMATION, &query, sizeof query, &info, sizeof info, &got,
                       nullptr) ||
      got != sizeof info)
    return false;
  if ((info.Capabilities & BATTERY_IS_SHORT_TERM) == 0) return false;

  BATTERY_WAIT_STATUS waitStatus{};
  waitStatus.BatteryTag = query.BatteryTag;
  BATTERY_STATUS status{};
  if (!DeviceIoControl(battery.get(), IOCTL_BATTERY_QUERY_STATUS, &waitStatus, sizeof waitStatus, &status,
                       sizeof status, &got, nullptr) ||
      got != sizeof status)
    return false;

  UpsBatteryReading r;
  r.device = path;
  r.present = true;
  r.on_line = (status.PowerState & BATTERY_POWER_ON_LINE) != 0;
  r.discharging = (status.PowerState & BATTERY_DISCHARGING) != 0;
  r.critical = (status.PowerState & BATTERY_CRITICAL) != 0;
  // Relative batteries count capacity in percent, the others in mWh; either
  // way over the full charge.
  if (status.Capacity != BATTERY_UNKNOWN_CAPACITY && info.FullChargedCapacity > 0) {
    double percent = 100.0 * static_cast<double>(status.Capacity) / static_cast<double>(info.FullChargedCapacity);
    r.charge_percent = percent > 100.0 ? 100.0 : percent;
  }
  ULONG seconds = BATTERY_UNKNOWN_TIME;
  query.InformationLevel = BatteryEstimatedTime;
  query.AtRate = 0;  // at the present rate of discharge
  if (DeviceIoControl(battery.get(), IOCTL_BATTERY_QUERY_INFORMATION, &query, sizeof query, &seconds, sizeof seconds,
                      &got, nullptr) &&
      got == sizeof seconds && seconds != BATTERY_UNKNOWN_TIME && seconds <= 0x7fffffff)
    r.runtime_s = static_cast<int32_t>(seconds);
  *reading = r;
  return true;
}

// What the system says of its power as a whole: the fallback where no
// short-term battery answers.
bool ReadSystemPowerStatus(UpsBatteryReading* reading, std::string* error) {
  SYSTEM_POWER_STATUS power{};
  if (!GetSystemPowerStatus(&power)) {
    *error += "; " + Failure("GetSystemPowerStatus", GetLastError());
    return false;
  }
  constexpr BYTE kNoBattery = 128, kUnknownStatus = 255, kCharging = 8, kCritical = 4;
  if (power.BatteryFlag == kUnknownStatus || (power.BatteryFlag & kNoBattery) != 0) {
    *error += "; the system's power status has no battery";
    return false;
  }
  UpsBatteryReading r;
  r.device = "GetSystemPowerStatus";
  r.present = true;
  if (power.ACLineStatus == 0 || power.ACLineStatus == 1) {
    r.on_line = power.ACLineStatus == 1;
    r.discharging = power.ACLineStatus == 0 && (power.BatteryFlag & kCharging) == 0;
  }
  r.critical = (power.BatteryFlag & kCritical) != 0;
  if (power.BatteryLifePercent <= 100) r.charge_percent = power.BatteryLifePercent;
  if (power.BatteryLifeTime != static_cast<DWORD>(-1) && power.BatteryLifeTime <= 0x7fffffff)
    r.runtime_s = static_cast<int32_t>(power.BatteryLifeTime);
  *reading = r;
  return true;
}

}  // namespace

bool ReadUpsBattery(UpsBatteryReading* reading, std::string* error) {
  error->clear();
  DeviceList list(SetupDiGetClassDevsA(&kBatteryInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  if (list.get() == INVALID_HANDLE_VALUE) {
    list.release();
    *error = Failure("SetupDiGetClassDevs", GetLastError());
  } else {
    bool end = false;
    for (DWORD index = 0; index < kBatteriesMax && !end; ++index) {
      std::string path = BatteryPath(list.get(), index, &end);
      if (!path.empty() && ReadShortTermBattery(path, reading)) return true;
    }
    *error = "no short-term battery answers";
  }
  return ReadSystemPowerStatus(reading, error);
}

}  // namespace platform
