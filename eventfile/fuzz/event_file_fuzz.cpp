// The event file may be damaged or cut short (a full disk, a crash, another
// program): whatever its bytes, the reader counts only complete records,
// reads each of them as it is stored, refuses every other index, and cuts
// the time text to the buffer it is given. An append after the damage keeps
// every complete record, completes a torn one, and is read back as the
// newest.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "eventfile/event_file.h"

using core::kEventFileName;

namespace {

std::string& Root() {
  static std::string root;
  return root;
}

void RemoveRoot() {
  std::error_code ignored;
  std::filesystem::remove_all(Root(), ignored);
}

// A host root of its own, made once and removed at exit.
void MakeRoot() {
  if (!Root().empty()) return;
  // Memory-backed where it can be: every run writes the file anew.
  char shm[] = "/dev/shm/vigil-evtfuzz-XXXXXX";
  char tmp[] = "/tmp/vigil-evtfuzz-XXXXXX";
  const char* made = mkdtemp(shm);
  if (!made) made = mkdtemp(tmp);
  if (!made) std::abort();
  Root() = made;
  std::filesystem::create_directories(Root() + "/windows");
  setenv("VIGIL20_HOST_ROOT", made, 1);
  std::atexit(RemoveRoot);
}

int32_t Word(const uint8_t* in) {
  return static_cast<int32_t>(in[0] | in[1] << 8 | in[2] << 16 | static_cast<uint32_t>(in[3]) << 24);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MakeRoot();
  // The first byte chooses the "Max Events" setting; the rest is the file.
  int32_t maxEvents = size > 0 ? static_cast<int8_t>(data[0]) : 0;
  const uint8_t* bytes = size > 0 ? data + 1 : data;
  size_t length = size > 0 ? size - 1 : 0;

  CEventFile file(kEventFileName);
  if (file.Path().empty()) std::abort();
  FILE* out = std::fopen(file.Path().c_str(), "wb");
  if (!out || std::fwrite(bytes, 1, length, out) != length || std::fclose(out) != 0) std::abort();

  if (!file.OpenForReading()) std::abort();
  int32_t count = file.Count();
  int32_t complete = static_cast<int32_t>(length / CEventFile::kRecordBytes);
  if (count != (length == 0 ? -1 : complete)) std::abort();

  EventWindow window = ComputeEventWindow(count, maxEvents);
  for (int32_t row = 0; row <= window.n + 1; ++row) {
    int32_t k = RecordOfRow(window, row);
    bool inside = k >= 0 && k < complete;
    char text[20];
    std::memset(text, '#', sizeof text);
    // Cut to a buffer shorter than the text, and ended within it.
    size_t room = 1 + static_cast<size_t>(row) % sizeof text;
    bool read = file.ReadTimeText(k, text, room);
    if (read != inside) std::abort();
    if (read && std::memchr(text, '\0', room) == nullptr) std::abort();
    if (std::memchr(text + room, '\0', sizeof text - room) != nullptr) std::abort();
    int32_t code = file.ReadCode(k);
    if (inside) {
      const uint8_t* stored = bytes + static_cast<size_t>(k) * CEventFile::kRecordBytes;
      if (code != Word(stored + 24)) std::abort();
      if (file.LastRecord().day != Word(stored) || file.LastRecord().second != Word(stored + 20)) std::abort();
    } else if (code != 0) {
      std::abort();
    }
  }
  if (file.ReadCode(complete) != 0 || file.ReadCode(-1) != 0 || file.ReadCode(INT32_MAX) != 0) std::abort();

  // The writer appends after the damage.
  if (!file.OpenForWriting()) std::abort();
  file.AppendAt(77, 86400);
  if (!file.OpenForReading()) std::abort();
  int32_t kept = static_cast<int32_t>((length + CEventFile::kRecordBytes - 1) / CEventFile::kRecordBytes);
  if (file.Count() != kept + 1 || file.ReadCode(kept) != 77) std::abort();
  for (int32_t k = 0; k < complete && k < 4; ++k)
    if (file.ReadCode(k) != Word(bytes + static_cast<size_t>(k) * CEventFile::kRecordBytes + 24)) std::abort();
  file.Close();
  return 0;
}
