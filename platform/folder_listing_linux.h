// Linux extension: the entries of a folder, for the terminal's file chooser
// (on Windows the common Open dialog reads the folders itself).
#pragma once

#include <string>
#include <vector>

namespace platform {

struct FolderEntry {
  std::string name;
  bool directory = false;
  bool regularFile = false;
};

// Every entry of `folder` but "." and "..", in the order the system gives
// them; links are followed. Empty when the folder cannot be read.
std::vector<FolderEntry> ListFolder(const std::string& folder);

// Whether anything exists at `path`.
bool PathExists(const std::string& path);

// The current working folder; "/" when it cannot be told.
std::string CurrentFolder();

}  // namespace platform
