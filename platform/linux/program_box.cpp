// The program's own boxes go to the session broker, as the boxes of the
// session do: vigil-session shows them and returns the answer. With nobody
// listening the text is on standard error.
#include "platform/program_box.h"

#include "platform/message_box.h"

namespace platform {

int32_t ShowProgramBox(const char* caption, const char* text, uint32_t style) {
  int32_t answer = 0;
  uint32_t error = 0;
  if (!SendSessionMessage(caption, text, style, 0, true, &answer, &error)) return 0;
  // A box nobody saw has no answer.
  return answer == kIdTimeout ? 0 : answer;
}

}  // namespace platform
