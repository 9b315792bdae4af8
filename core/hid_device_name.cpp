#include "core/hid_device_name.h"

#include <cstring>

namespace core {

namespace {

std::optional<uint32_t> HexNumber(const char* text, size_t size, size_t max_digits) {
  if (size == 0 || size > max_digits) return std::nullopt;
  uint32_t v = 0;
  for (size_t i = 0; i < size; ++i) {
    char c = text[i];
    uint32_t digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<uint32_t>(c - '0');
    else if (c >= 'a' && c <= 'f')
      digit = static_cast<uint32_t>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
      digit = static_cast<uint32_t>(c - 'A' + 10);
    else
      return std::nullopt;
    v = v * 16 + digit;
  }
  return v;
}

bool StartsWith(const char* text, size_t size, const char* prefix) {
  size_t n = std::strlen(prefix);
  return size >= n && std::memcmp(text, prefix, n) == 0;
}

// Copies up to `max` bytes and a terminator; what is beyond is cut.
void CopyCut(char* to, size_t max, const char* from, size_t size) {
  size_t n = size < max ? size : max;
  std::memcpy(to, from, n);
  to[n] = '\0';
}

const char* Find(const char* from, const char* end, char c) {
  for (const char* p = from; p < end; ++p)
    if (*p == c) return p;
  return end;
}

// "0003:0000051D:00000002": bus, vendor, product, each up to 8 hex digits,
// the high halves of vendor and product zero.
bool ParseHidId(const char* text, size_t size, HidUevent* out) {
  const char* end = text + size;
  const char* c1 = Find(text, end, ':');
  if (c1 == end) return false;
  const char* c2 = Find(c1 + 1, end, ':');
  if (c2 == end) return false;
  auto bus = HexNumber(text, static_cast<size_t>(c1 - text), 8);
  auto vendor = HexNumber(c1 + 1, static_cast<size_t>(c2 - c1 - 1), 8);
  auto product = HexNumber(c2 + 1, static_cast<size_t>(end - c2 - 1), 8);
  if (!bus || !vendor || !product || *bus > 0xFFFF || *vendor > 0xFFFF || *product > 0xFFFF) return false;
  out->bus = static_cast<uint16_t>(*bus);
  out->vendor = static_cast<uint16_t>(*vendor);
  out->product = static_cast<uint16_t>(*product);
  return true;
}

}  // namespace

bool LooksLikeHidUpsName(const char* text, size_t size) {
  return (size == 3 && std::memcmp(text, "usb", 3) == 0) || StartsWith(text, size, "usb:") ||
         StartsWith(text, size, "/dev/hidraw");
}

std::optional<HidUpsName> ParseHidUpsName(const char* text, size_t size) {
  HidUpsName name;
  if (size == 3 && std::memcmp(text, "usb", 3) == 0) return name;
  if (StartsWith(text, size, "/dev/hidraw")) {
    size_t digits = size - std::strlen("/dev/hidraw");
    if (digits == 0 || size > kHidPathMax) return std::nullopt;
    for (size_t i = size - digits; i < size; ++i)
      if (text[i] < '0' || text[i] > '9') return std::nullopt;
    name.kind = HidUpsNameKind::kHidrawPath;
    CopyCut(name.path, kHidPathMax, text, size);
    return name;
  }
  if (!StartsWith(text, size, "usb:")) return std::nullopt;
  const char* end = text + size;
  const char* vendor_at = text + 4;
  const char* c1 = Find(vendor_at, end, ':');
  if (c1 == end) return std::nullopt;
  const char* c2 = Find(c1 + 1, end, ':');
  auto vendor = HexNumber(vendor_at, static_cast<size_t>(c1 - vendor_at), 4);
  auto product = HexNumber(c1 + 1, static_cast<size_t>(c2 - c1 - 1), 4);
  if (!vendor || !product) return std::nullopt;
  name.vendor = static_cast<uint16_t>(*vendor);
  name.product = static_cast<uint16_t>(*product);
  name.kind = HidUpsNameKind::kVendorProduct;
  if (c2 == end) return name;
  size_t serial_size = static_cast<size_t>(end - c2 - 1);
  if (serial_size == 0 || serial_size > kHidSerialMax) return std::nullopt;
  for (const char* p = c2 + 1; p < end; ++p)
    if (*p == '\0' || *p == '\n') return std::nullopt;
  CopyCut(name.serial, kHidSerialMax, c2 + 1, serial_size);
  name.kind = HidUpsNameKind::kVendorProductSerial;
  return name;
}

std::optional<HidUevent> ParseHidUevent(const char* text, size_t size) {
  HidUevent u;
  bool have_id = false;
  const char* end = text + size;
  for (const char* line = text; line < end;) {
    const char* eol = Find(line, end, '\n');
    size_t n = static_cast<size_t>(eol - line);
    if (StartsWith(line, n, "HID_ID=")) {
      if (!ParseHidId(line + 7, n - 7, &u)) return std::nullopt;
      have_id = true;
    } else if (StartsWith(line, n, "HID_NAME=")) {
      CopyCut(u.name, kHidNameMax, line + 9, n - 9);
    } else if (StartsWith(line, n, "HID_UNIQ=")) {
      CopyCut(u.serial, kHidSerialMax, line + 9, n - 9);
    }
    line = eol + 1;
  }
  if (!have_id) return std::nullopt;
  return u;
}

bool HidUeventMatches(const HidUpsName& name, const HidUevent& uevent) {
  if (uevent.bus != kHidBusUsb) return false;
  switch (name.kind) {
    case HidUpsNameKind::kFirstUsb:
      return true;
    case HidUpsNameKind::kVendorProduct:
      return uevent.vendor == name.vendor && uevent.product == name.product;
    case HidUpsNameKind::kVendorProductSerial:
      return uevent.vendor == name.vendor && uevent.product == name.product &&
             std::strcmp(uevent.serial, name.serial) == 0;
    case HidUpsNameKind::kHidrawPath:
      return false;
  }
  return false;
}

}  // namespace core
