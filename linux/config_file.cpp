#include "config_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/hid_device_name.h"
#include "linuxbase/unique_file.h"
#include "paths.h"

ConfigRecord config;
KeyConfig key_config;
bool device_defaulted = false;
bool autonomy_linear = false;

namespace {

// One line of the file, newline included.
constexpr int kLineBuffer = 1024;
constexpr int kLineCount = 17;

// Keeps `*value`, converted from the text two characters after the "=".
// Negative figures make no sense for a battery and would turn the autonomy
// arithmetic upside down; figures too large to be multiplied into seconds
// are held at the largest that can be.
int32_t ParseNumber(const char* text, long largest) {
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(text, &end, 10);
  if (end == text || value < 0) return 0;
  if (errno == ERANGE || value > largest) return static_cast<int32_t>(largest);
  return static_cast<int32_t>(value);
}

// The value of a line starts two characters after its last "=" (the "=" and
// one separating blank), but never past the line's end.
const char* ValueAfter(const char* equals) { return equals[1] == '\0' ? equals + 1 : equals + 2; }

void CopyCut(char* field, size_t field_size, const char* text) {
  std::memset(field, 0, field_size);
  if (text) std::strncpy(field, text, field_size - 1);
}

struct DeviceName {
  const char* word;
  const char* path;
};
constexpr DeviceName kDevices[] = {
    {"COM1", "/dev/ttyS0"}, {"COM2", "/dev/ttyS1"}, {"COM3", "/dev/ttyS2"}, {"COM4", "/dev/ttyS3"},
    {"COM5", "/dev/ttyS4"}, {"COM6", "/dev/ttyS5"}, {"COM7", "/dev/ttyS6"}, {"COM8", "/dev/ttyS7"},
};
constexpr const char* kDefaultDevice = "/dev/ttyS1";

// The absolute path that `value` names ("/dev/ttyUSB0", the stable
// "/dev/serial/by-id/..." name of an adapter), without the blanks around
// it; false when it names none, or one too long for `size` (a cut path
// would name another file).
bool DevicePathIn(const char* value, char* path, size_t size) {
  const char* text = StrCopy(value);
  while (*text == ' ' || *text == '\t') ++text;
  size_t n = std::strlen(text);
  while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\t')) --n;
  if (n == 0 || text[0] != '/' || n >= size) return false;
  std::memset(path, 0, size);
  std::memcpy(path, text, n);
  return true;
}

// A USB UPS's name ("usb", "usb:..."), kept as written without the blanks
// around it, well-formed or not: the line monitor refuses a malformed one
// at start instead of falling back to a serial port.
bool UsbNameIn(const char* value, char* name, size_t size) {
  const char* text = StrCopy(value);
  while (*text == ' ' || *text == '\t') ++text;
  size_t n = std::strlen(text);
  while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\t')) --n;
  if (!core::LooksLikeHidUpsName(text, n)) return false;
  std::memset(name, 0, size);
  std::memcpy(name, text, n < size ? n : size - 1);
  return true;
}

// The word "linear" anywhere after the number of line 1.
bool AsksForLinearAutonomy(const char* value) {
  char* end = nullptr;
  (void)std::strtol(value, &end, 10);
  return end && std::strstr(end, "linear") != nullptr;
}

void SetDevice(char* device, size_t size, const char* value) {
  device_defaulted = false;
  // A path first: an adapter's by-id name may well hold "COM1".
  if (DevicePathIn(value, device, size)) return;
  if (UsbNameIn(value, device, size)) return;
  CopyCut(device, size, value);
  const char* path = nullptr;
  for (const auto& d : kDevices) {
    if (std::strstr(device, d.word)) {
      path = d.path;
      break;
    }
  }
  device_defaulted = path == nullptr;
  CopyCut(device, size, path ? path : kDefaultDevice);
}

// Reads one line into `buf`, newline kept, zero-terminated. Whatever bytes a
// line holds, it stays one line, so the following settings keep their
// places: a line longer than the buffer is cut and the rest skipped, a stray
// NUL byte is dropped, and the CR of a CRLF line end is not part of the value.
bool ReadLine(FILE* f, char* buf, int size) {
  int len = 0;
  int c = EOF;
  bool any = false;
  bool cut = false;
  while ((c = std::fgetc(f)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (c == '\0') continue;
    if (len < size - 2)  // room for the newline and the terminator
      buf[len++] = static_cast<char>(c);
    else
      cut = true;
  }
  if (!any) return false;
  if (!cut && len > 0 && buf[len - 1] == '\r') --len;
  if (c == '\n') buf[len++] = '\n';
  buf[len] = '\0';
  return true;
}

void ApplyLine(int line, const char* equals, ConfigRecord* c) {
  const char* value = ValueAfter(equals);
  // Yes/no words are searched from the "=" itself, anywhere, case-sensitively.
  bool says_nao = std::strstr(equals, "nao") != nullptr;
  bool says_naom = std::strstr(equals, "naom") != nullptr;
  bool says_sim = std::strstr(equals, "sim") != nullptr;
  switch (line) {
    case 1:
      c->autonomy_min = ParseNumber(value, INT_MAX / 60);
      autonomy_linear = AsksForLinearAutonomy(value);
      break;
    case 2:
      c->recharge_h = ParseNumber(value, INT_MAX / 3600);
      break;
    case 3:
      c->off_at_autonomy_end = !says_nao;
      break;
    case 4:
      c->off_at_battery_critical = !says_nao;
      break;
    case 5:
      c->beep_on = !says_nao;
      break;
    case 6:
      c->console_on = !says_nao;
      break;
    case 7:
      c->local_ups = !says_nao;
      break;
    case 8:
      SetDevice(c->device, sizeof c->device, value);
      break;
    case 9:
      c->lan_send = says_sim;
      break;
    case 10:
      CopyCut(c->station, sizeof c->station, StrCopy(value));
      break;
    case 11:
      c->lan_receive = says_sim;
      break;
    case 12:
      c->accept_any = says_sim;
      break;
    case 13:
      CopyCut(c->server, sizeof c->server, StrCopy(value));
      break;
    case 14:
      c->bypass_on = !says_nao;
      break;
    case 15:
      c->stable_filter = !says_naom;
      break;
    case 16:
      c->script_on = says_sim;
      break;
    case 17:
      CopyCut(c->script, sizeof c->script, StrCopy(value));
      break;
  }
}

// The key: everything after the first "=" and its blank, up to the newline,
// without the blanks that end it.
void SetKey(KeyConfig* k, const char* line) {
  const char* equals = std::strchr(line, '=');
  if (!equals) return;
  CopyCut(k->net_key, sizeof k->net_key, StrCopy(ValueAfter(equals)));
  size_t n = std::strlen(k->net_key);
  while (n > 0 && (k->net_key[n - 1] == ' ' || k->net_key[n - 1] == '\t')) k->net_key[--n] = '\0';
}

}  // namespace

FILE* Openc() { return std::fopen(kConfPath, "a+"); }

void ParseConf(FILE* f, ConfigRecord* c, KeyConfig* k) {
  std::memset(c, 0, sizeof *c);
  device_defaulted = false;
  autonomy_linear = false;
  if (k) std::memset(k, 0, sizeof *k);
  char buf[kLineBuffer];
  for (int line = 1; line <= kLineCount; ++line) {
    if (!ReadLine(f, buf, sizeof buf)) return;
    const char* equals = std::strrchr(buf, '=');
    if (equals) ApplyLine(line, equals, c);
  }
  if (k && ReadLine(f, buf, sizeof buf)) SetKey(k, buf);
}

int ReadConf(ConfigRecord* c, KeyConfig* k) {
  linuxbase::UniqueFile f(Openc());
  // A read-only /usr/local/vigil20 still holds a configuration to protect by.
  if (!f) f.reset(std::fopen(kConfPath, "r"));
  if (!f) {
    std::memset(c, 0, sizeof *c);
    std::memset(k, 0, sizeof *k);
    return -1;
  }
  ParseConf(f.get(), c, k);
  return 0;
}

char* StrCopy(const char* text) {
  static char string_out[3000];
  if (!text) return nullptr;
  std::memset(string_out, 0, sizeof string_out);
  size_t n = 0;
  for (; text[n] != '\0' && n < sizeof string_out - 1; ++n) {
    if (text[n] == '\n') return string_out;
    string_out[n] = text[n];
  }
  while (n > 0 && (string_out[n - 1] == ' ' || string_out[n - 1] == '\t')) string_out[--n] = '\0';
  return string_out;
}

void SetFixedSettings(DaemonConfig* d) {
  std::memset(d, 0, sizeof *d);
  d->period_us = 100000;
  std::strncpy(d->address, "255.255.255.255", sizeof d->address - 1);
  d->port = 2648;
}
