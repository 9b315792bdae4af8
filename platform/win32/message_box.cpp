// WTSSendMessageA in the session of the physical console. The text also
// goes to the debug output, so that a box nobody sees (or that a system
// without the terminal services cannot show) leaves a trace.
#include <windows.h>
#include <wtsapi32.h>

#include <cstring>
#include <string>

#include "platform/debug_output.h"
#include "platform/message_box.h"

namespace platform {

bool SendSessionMessage(const char* title, const char* text, uint32_t style, uint32_t timeoutSeconds, bool wait,
                        int32_t* answer, uint32_t* error) {
  std::string trace = std::string(title) + ": " + text + "\n";
  DebugOutput(trace.c_str());
  DWORD response = 0;
  BOOL sent = WTSSendMessageA(WTS_CURRENT_SERVER_HANDLE, WTSGetActiveConsoleSessionId(), const_cast<char*>(title),
                              static_cast<DWORD>(std::strlen(title)), const_cast<char*>(text),
                              static_cast<DWORD>(std::strlen(text)), style, timeoutSeconds, &response, wait);
  if (!sent) {
    *error = GetLastError();
    return false;
  }
  *answer = static_cast<int32_t>(response);
  return true;
}

bool SessionListenerPresent() { return true; }

}  // namespace platform
