// The service manager reads what other processes wrote: the status file, a
// control on the service's socket, the status sent back, the image path of
// the record. A control or a reply is taken only at its exact size; a status
// line read back is the status that was written; the image path splits into
// words that lose no character but blanks and the first word's quotes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/linux/service_messages.h"

namespace scm = platform::scm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);

  if (scm::DecodeControl(data, size).has_value() != (size == 4)) std::abort();
  auto reply = scm::DecodeStatusReply(data, size);
  if (reply.has_value() != (size == sizeof(platform::ServiceStatus))) std::abort();
  if (reply && std::memcmp(&*reply, data, size) != 0) std::abort();

  if (auto status = scm::ParseStatusLine(text)) {
    auto again = scm::ParseStatusLine(scm::FormatStatusLine(*status));
    if (!again || std::memcmp(&*again, &*status, sizeof *status) != 0) std::abort();
  }

  size_t kept = 0;
  for (const std::string& word : scm::SplitCommandLine(text)) kept += word.size();
  size_t blanks_or_quotes = 0;
  for (char c : text) blanks_or_quotes += c == ' ' || c == '"';
  if (kept + blanks_or_quotes < size) std::abort();
  return 0;
}
