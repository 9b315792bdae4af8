// Owners of the C library's handles: a stream that closes itself, a
// directory listing that closes itself.
#pragma once

#include <dirent.h>

#include <cstdio>
#include <memory>

namespace linuxbase {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// Closes `file` now, for a caller that must know whether its buffered
// writes reached the system. Empty afterwards either way.
inline bool CloseFile(UniqueFile& file) { return !file || std::fclose(file.release()) == 0; }

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

}  // namespace linuxbase
