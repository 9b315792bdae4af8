#include "alerter/user_messages.h"

#include <cstdarg>
#include <cstdio>

#include "alerter/texts.h"
#include "platform/debug_output.h"
#include "platform/message_box.h"

namespace {

constexpr uint32_t kTimeoutSeconds = 10;

int ShowBox(uint32_t style, const char* format, va_list args) {
  char text[1024];
  std::vsnprintf(text, sizeof text, format, args);
  int32_t answer = 0;
  uint32_t error = 0;
  if (!platform::SendSessionMessage(texts::kBoxTitle, text, style, kTimeoutSeconds, true, &answer, &error)) {
    platform::DebugPrintf("message box not shown: error %u\n", error);
    return 0;
  }
  return answer;
}

}  // namespace

int ShowWarning(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int answer = ShowBox(kWarningStyle, format, args);
  va_end(args);
  return answer;
}

int ShowServiceWarning(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int answer = ShowBox(kServiceWarningStyle, format, args);
  va_end(args);
  return answer;
}

int AskUser(uint32_t style, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int answer = ShowBox(style, format, args);
  va_end(args);
  return answer;
}

void DebugLine(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  platform::DebugOutput(line);
}
