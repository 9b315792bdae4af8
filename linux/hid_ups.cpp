#include "hid_ups.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace core;

namespace {

constexpr size_t kUeventMax = 4096;
constexpr size_t kEntriesMax = 256;  // hidraw devices looked at
constexpr size_t kEntryMax = 31;     // "hidraw" and its number; longer names are no hidraw node
constexpr size_t kReportMax = 4096;

// Appends to a message, cutting what does not fit.
void Append(char* why, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
void Append(char* why, size_t size, const char* format, ...) {
  size_t used = std::strlen(why);
  if (used + 1 >= size) return;
  va_list args;
  va_start(args, format);
  std::vsnprintf(why + used, size - used, format, args);
  va_end(args);
}

bool ReadUevent(const char* sysfs, const char* entry, HidUevent* out) {
  char path[512];
  if (std::snprintf(path, sizeof path, "%s/%s/device/uevent", sysfs, entry) >= static_cast<int>(sizeof path))
    return false;
  linuxbase::UniqueFd fd(open(path, O_RDONLY | O_CLOEXEC));
  if (!fd) return false;
  char text[kUeventMax];
  ssize_t n;
  do n = read(fd.get(), text, sizeof text);
  while (n < 0 && errno == EINTR);
  if (n <= 0) return false;
  auto u = ParseHidUevent(text, static_cast<size_t>(n));
  if (!u) return false;
  *out = *u;
  return true;
}

// Opens the node and reads its descriptor. False with why when it cannot,
// or when it is no UPS.
bool OpenAndConfirm(HidUps* ups, const char* node, char* why, size_t why_size) {
  linuxbase::UniqueFd fd(open(node, O_RDWR | O_NONBLOCK | O_CLOEXEC));
  if (!fd) {
    Append(why, why_size, "%s: %s; ", node, std::strerror(errno));
    return false;
  }
  int size = 0;
  if (ioctl(fd.get(), HIDIOCGRDESCSIZE, &size) != 0) {
    Append(why, why_size, "%s: HIDIOCGRDESCSIZE: %s; ", node, std::strerror(errno));
    return false;
  }
  if (size < 0 || size > static_cast<int>(kHidDescriptorMax)) {
    Append(why, why_size, "%s: descriptor of %d bytes; ", node, size);
    return false;
  }
  auto rdesc = std::make_unique<hidraw_report_descriptor>();
  rdesc->size = static_cast<__u32>(size);
  if (ioctl(fd.get(), HIDIOCGRDESC, rdesc.get()) != 0) {
    Append(why, why_size, "%s: HIDIOCGRDESC: %s; ", node, std::strerror(errno));
    return false;
  }
  auto descriptor = std::make_unique<HidDescriptor>();
  HidParseError e = ParseHidDescriptor(rdesc->value, rdesc->size, descriptor.get());
  if (e != HidParseError::kNone) {
    Append(why, why_size, "%s: descriptor refused: %s; ", node, HidParseErrorText(e));
    return false;
  }
  if (!HidDescriptorIsUps(*descriptor)) {
    Append(why, why_size, "%s: not a UPS; ", node);
    return false;
  }
  ups->fd = std::move(fd);
  std::snprintf(ups->node, sizeof ups->node, "%s", node);
  ups->descriptor = std::move(descriptor);
  ups->feature_count = HidUpsReportIds(*ups->descriptor, HidReportKind::kFeature, ups->feature_ids);
  std::memset(ups->feature_silent, 0, sizeof ups->feature_silent);
  return true;
}

int CompareEntries(const void* a, const void* b) {
  const char* x = static_cast<const char*>(a);
  const char* y = static_cast<const char*>(b);
  size_t lx = std::strlen(x), ly = std::strlen(y);
  if (lx != ly) return lx < ly ? -1 : 1;  // hidraw2 before hidraw10
  return std::strcmp(x, y);
}

// The identity that finds this device again: vendor, product and, when it
// has one, serial.
void RememberIdentity(HidUps* ups) {
  ups->again = HidUpsName{};
  ups->again.vendor = ups->identity.vendor;
  ups->again.product = ups->identity.product;
  ups->again.kind = HidUpsNameKind::kVendorProduct;
  if (ups->identity.serial[0]) {
    ups->again.kind = HidUpsNameKind::kVendorProductSerial;
    std::snprintf(ups->again.serial, sizeof ups->again.serial, "%s", ups->identity.serial);
  }
}

bool OpenByPath(HidUps* ups, const HidUpsName& name, const char* sysfs, char* why, size_t why_size) {
  if (!OpenAndConfirm(ups, name.path, why, why_size)) return false;
  const char* entry = std::strrchr(name.path, '/') + 1;
  if (!ReadUevent(sysfs, entry, &ups->identity)) {
    hidraw_devinfo info = {};
    if (ioctl(ups->fd.get(), HIDIOCGRAWINFO, &info) == 0) {
      ups->identity = HidUevent{};
      ups->identity.bus = static_cast<uint16_t>(info.bustype);
      ups->identity.vendor = static_cast<uint16_t>(info.vendor);
      ups->identity.product = static_cast<uint16_t>(info.product);
    }
  }
  RememberIdentity(ups);
  return true;
}

bool OpenBySysfs(HidUps* ups, const HidUpsName& name, const char* sysfs, char* why, size_t why_size) {
  DIR* dir = opendir(sysfs);
  if (!dir) {
    Append(why, why_size, "%s: %s", sysfs, std::strerror(errno));
    return false;
  }
  char entries[kEntriesMax][kEntryMax + 1];
  size_t count = 0;
  while (dirent* e = readdir(dir)) {
    if (std::strncmp(e->d_name, "hidraw", 6) != 0 || std::strlen(e->d_name) > kEntryMax || count == kEntriesMax)
      continue;
    std::snprintf(entries[count++], kEntryMax + 1, "%s", e->d_name);
  }
  closedir(dir);
  std::qsort(entries, count, sizeof entries[0], CompareEntries);
  for (size_t i = 0; i < count; ++i) {
    HidUevent u;
    if (!ReadUevent(sysfs, entries[i], &u)) {
      Append(why, why_size, "%s: no identity; ", entries[i]);
      continue;
    }
    if (!HidUeventMatches(name, u)) continue;
    char node[kHidPathMax + 1];
    if (std::snprintf(node, sizeof node, "/dev/%s", entries[i]) >= static_cast<int>(sizeof node)) continue;
    if (!OpenAndConfirm(ups, node, why, why_size)) continue;
    ups->identity = u;
    RememberIdentity(ups);
    return true;
  }
  Append(why, why_size, "no USB UPS matches among %zu hidraw devices", count);
  return false;
}

bool DeviceGone(int error) { return error == ENODEV || error == EIO || error == ENXIO || error == EBADF; }

}  // namespace

bool OpenHidUps(HidUps* ups, const HidUpsName& name, const char* sysfs, char* why, size_t why_size) {
  if (why_size == 0) return false;
  why[0] = '\0';
  CloseHidUps(ups);
  ups->reading = HidUpsReading{};
  if (name.kind == HidUpsNameKind::kHidrawPath) return OpenByPath(ups, name, sysfs, why, why_size);
  return OpenBySysfs(ups, name, sysfs, why, why_size);
}

bool ReopenHidUps(HidUps* ups, const char* sysfs, char* why, size_t why_size) {
  if (why_size == 0) return false;
  why[0] = '\0';
  CloseHidUps(ups);
  HidUpsName again = ups->again;
  HidUevent identity = ups->identity;
  if (!OpenBySysfs(ups, again, sysfs, why, why_size)) {
    ups->identity = identity;
    return false;
  }
  return true;
}

void CloseHidUps(HidUps* ups) {
  ups->fd.reset();
  ups->node[0] = '\0';
}

int ReadOneHidUpsInput(HidUps* ups) {
  if (!ups->fd || !ups->descriptor) return -1;
  uint8_t report[kReportMax];
  for (;;) {
    ssize_t n = read(ups->fd.get(), report, sizeof report);
    if (n > 0) {
      DecodeHidUpsReport(*ups->descriptor, HidReportKind::kInput, report, static_cast<size_t>(n), &ups->reading);
      return 1;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    return -1;  // 0 or an error: the device is gone
  }
}

int ReadHidUpsInput(HidUps* ups) {
  int reports = 0;
  for (;;) {
    int n = ReadOneHidUpsInput(ups);
    if (n < 0) return -1;
    if (n == 0) return reports;
    ++reports;
  }
}

int PollHidUpsFeatures(HidUps* ups) {
  if (!ups->fd || !ups->descriptor) return -1;
  int answered = 0;
  uint8_t report[kReportMax];
  for (size_t i = 0; i < ups->feature_count; ++i) {
    uint8_t id = ups->feature_ids[i];
    if (ups->feature_silent[id]) continue;
    report[0] = id;
    int n = ioctl(ups->fd.get(), HIDIOCGFEATURE(sizeof report), report);
    if (n < 0) {
      if (DeviceGone(errno)) return -1;
      ups->feature_silent[id] = true;  // stalled or timed out: this UPS lacks it
      continue;
    }
    DecodeHidUpsReport(*ups->descriptor, HidReportKind::kFeature, report, static_cast<size_t>(n), &ups->reading);
    ++answered;
  }
  return answered;
}

int HidFeaturePollIntervalMs(const HidUpsReading& reading) {
  auto on_mains = HidUpsOnMains(reading);
  return on_mains && !*on_mains ? kHidFeaturePollOnBatteryMs : kHidFeaturePollOnMainsMs;
}
