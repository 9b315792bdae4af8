// A file that survives a crash or a power cut as a whole or not at all: its
// bytes written beside it, forced to the disk, then renamed into place, the
// rename itself made durable too.
#pragma once

#include <string>

namespace platform {

// Who may read the file: its owner alone (the default: outboxes, settings),
// or every user too (a file that services of other users read). On
// Windows the folder's permissions decide either way.
enum class FileReaders { kOwner, kEveryone };

// Writes `bytes` as the file `path` (replacing one that is there). False
// with `error` naming the step that failed; no partial file is then left
// at `path`, though `path` + ".part" may remain.
bool WriteFileDurably(const std::string& path, const std::string& bytes, std::string* error,
                      FileReaders readers = FileReaders::kOwner);

}  // namespace platform
