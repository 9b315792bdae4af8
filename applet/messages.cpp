#include "applet/messages.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "platform/debug_output.h"

namespace applet {
namespace {

char title[kTitleBytes] = "Alerta";

BoxShower& Shower() {
  static BoxShower shower;
  return shower;
}

}  // namespace

size_t FormatBounded(char* buffer, size_t size, const char* format, va_list args) {
  if (size == 0) return 0;
  int n = std::vsnprintf(buffer, size, format, args);
  if (n < 0) {
    buffer[0] = '\0';
    return 0;
  }
  return static_cast<size_t>(n) < size ? static_cast<size_t>(n) : size - 1;
}

void SetMessageTitle(const char* text) {
  std::strncpy(title, text, kTitleBytes - 1);
  title[kTitleBytes - 1] = '\0';
}

const char* MessageTitle() { return title; }

void SetBoxShower(BoxShower shower) { Shower() = std::move(shower); }

int SessionMessageBox(unsigned style, const char* format, ...) {
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kMessageBufferBytes]);
  if (!buffer) return -1;
  va_list args;
  va_start(args, format);
  FormatBounded(buffer.get(), kMessageBufferBytes, format, args);
  va_end(args);
  if (Shower()) return Shower()(title, buffer.get(), style);
  // Nobody to answer: the text is kept on the debug output and the box
  // counts as timed out.
  DebugPrint("%s: %s\n", title, buffer.get());
  return platform::kIdTimeout;
}

void DebugPrint(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  FormatBounded(buffer, sizeof buffer, format, args);
  va_end(args);
  platform::DebugOutput(buffer);
}

}  // namespace applet
