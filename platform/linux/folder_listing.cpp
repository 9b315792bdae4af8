#include "platform/folder_listing_linux.h"

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include "linuxbase/unique_file.h"

namespace platform {

std::vector<FolderEntry> ListFolder(const std::string& folder) {
  std::vector<FolderEntry> entries;
  linuxbase::UniqueDir d(opendir(folder.c_str()));
  if (!d) return entries;
  while (dirent* e = readdir(d.get())) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    if (stat((folder + "/" + name).c_str(), &st) != 0) continue;
    entries.push_back({name, S_ISDIR(st.st_mode), S_ISREG(st.st_mode)});
  }
  return entries;
}

bool PathExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::string CurrentFolder() {
  char cwd[PATH_MAX];
  return getcwd(cwd, sizeof cwd) ? cwd : "/";
}

}  // namespace platform
