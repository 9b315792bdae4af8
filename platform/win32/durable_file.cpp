#include "platform/durable_file.h"

#include <windows.h>

namespace platform {

namespace {

bool Failed(const std::string& what, const std::string& path, std::string* error) {
  *error = path + ": " + what + ": error " + std::to_string(GetLastError());
  return false;
}

}  // namespace

bool WriteFileDurably(const std::string& path, const std::string& bytes, std::string* error, FileReaders) {
  std::string part = path + ".part";
  HANDLE file = CreateFileA(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Failed("CreateFile", part, error);
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = bytes.size() - done > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size() - done);
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      bool ok = Failed("WriteFile", part, error);
      CloseHandle(file);
      return ok;
    }
    done += written;
  }
  if (!FlushFileBuffers(file)) {
    bool ok = Failed("FlushFileBuffers", part, error);
    CloseHandle(file);
    return ok;
  }
  if (!CloseHandle(file)) return Failed("CloseHandle", part, error);
  if (!MoveFileExA(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return Failed("MoveFileEx", path, error);
  return true;
}

}  // namespace platform
