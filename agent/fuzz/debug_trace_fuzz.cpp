// Fuzz target: the debug trace's OID texts and lines with OIDs and message
// texts from the input, into buffers of every size from 1 up: never past
// their ends, always terminated.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "agent/oid_text.h"
#include "agent/text_log.h"

namespace {

// Removes the trace file when the program ends.
struct FileRemover {
  std::string path;
  ~FileRemover() {
    if (!path.empty()) unlink(path.c_str());
  }
};
FileRemover remover;

CTextLog& Log() {
  static CTextLog* const log = [] {
    char pattern[] = "/tmp/vigil-fuzz-trace-XXXXXX";
    int fd = mkstemp(pattern);
    if (fd < 0) std::abort();
    close(fd);
    remover.path = pattern;
    auto* made = new CTextLog;
    made->Create(pattern, CTextLog::kTimeStamp);
    if (!made->Open()) std::abort();
    return made;
  }();
  return *log;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static unsigned calls = 0;
  if (++calls % 500 == 0) Log().Open();  // empties the file again
  size_t count = size / sizeof(UINT);
  std::vector<UINT> ids(count);
  if (count) std::memcpy(ids.data(), data, count * sizeof(UINT));
  AsnObjectIdentifier oid{static_cast<UINT>(count), ids.data()};
  size_t bufferSize = size ? 1 + data[0] % kOidTextBytes : kOidTextBytes;
  std::vector<char> buffer(bufferSize + 16, '\x7f');
  OidToText(oid, buffer.data(), bufferSize);
  if (std::memchr(buffer.data(), '\0', bufferSize) == nullptr) __builtin_trap();
  for (size_t i = bufferSize; i < buffer.size(); ++i)
    if (buffer[i] != '\x7f') __builtin_trap();
  char full[kOidTextBytes];
  OidToText(oid, full, sizeof full);
  std::string text(reinterpret_cast<const char*>(data), size);
  Log().Write("Var: %s", full);
  Log().Write("Cmp (%s) com (%s) Res: %d", full, text.c_str(), static_cast<int>(size));
  return 0;
}
