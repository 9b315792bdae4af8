// The registry stand-in: HKEY_LOCAL_MACHINE is the directory
// <host root>/registry/HKEY_LOCAL_MACHINE, each key a directory below it and
// each key's values the file described in registry_file.h. A change rewrites
// the key's file beside it and renames it into place under an exclusive lock
// on the key's directory, so readers see the old or the new file whole and
// two writers never lose each other's values.
#include "platform/registry.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "linuxbase/unique_fd.h"
#include "linuxbase/unique_file.h"
#include "platform/debug_output.h"
#include "platform/linux/host_root.h"
#include "platform/linux/registry_file.h"

struct platform::RegKeyObject {
  bool predefined = false;
  std::string dir;   // the key's directory; empty for the predefined root
  std::string name;  // full key path, for messages
  uint32_t access = 0;
};

namespace platform {
namespace {

using linuxbase::UniqueFd;

RegKeyObject local_machine_root{true, "", "HKEY_LOCAL_MACHINE", kKeyAllAccess};

// A stored key file larger than this is not one this store wrote.
constexpr off_t kMaxKeyFileBytes = 64 * 1024 * 1024;

std::string RootDir() { return HostRoot() + "/registry/HKEY_LOCAL_MACHINE"; }

std::string KeyDir(const RegKeyObject* key) { return key->predefined ? RootDir() : key->dir; }

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

long Complain(const char* what, const std::string& path, int error) {
  DebugPrintf("registry: %s %s: %s\n", what, path.c_str(), std::strerror(error));
  if (error == EACCES || error == EPERM || error == EROFS) return kRegAccessDenied;
  if (error == ENAMETOOLONG) return kRegInvalidParameter;
  return kRegIoError;
}

// Splits a key path into its names; false for an empty name or one too long.
bool SplitPath(const std::string& path, std::vector<std::string>* names) {
  names->clear();
  if (path.empty()) return true;
  size_t start = 0;
  for (;;) {
    size_t end = path.find('\\', start);
    std::string name = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (name.empty() || name.size() > kMaxKeyNameBytes) return false;
    names->push_back(name);
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

struct SubKeyEntry {
  std::string name;   // decoded
  std::string entry;  // directory entry
};

// The subkeys of the key in `dir`, by byte order of their names.
long ListSubKeys(const std::string& dir, std::vector<SubKeyEntry>* out) {
  out->clear();
  linuxbase::UniqueDir d(opendir(dir.c_str()));
  if (!d) return errno == ENOENT ? kRegKeyDeleted : Complain("cannot list", dir, errno);
  while (dirent* entry = readdir(d.get())) {
    auto name = regfile::DecodeKeyName(entry->d_name);
    if (!name || !IsDirectory(dir + "/" + entry->d_name)) continue;
    out->push_back({*name, entry->d_name});
  }
  d.reset();
  std::sort(out->begin(), out->end(), [](const SubKeyEntry& a, const SubKeyEntry& b) { return a.name < b.name; });
  return kRegOk;
}

// The directory of subkey `name` of the key in `dir`: the exact spelling when
// present, else the first whose name matches without case.
long FindSubKey(const std::string& dir, const std::string& name, std::string* found) {
  std::string exact = dir + "/" + regfile::EncodeKeyName(name);
  if (IsDirectory(exact)) {
    *found = exact;
    return kRegOk;
  }
  std::vector<SubKeyEntry> entries;
  long result = ListSubKeys(dir, &entries);
  if (result != kRegOk) return result;
  for (const auto& entry : entries) {
    if (regfile::NamesEqual(entry.name, name)) {
      *found = dir + "/" + entry.entry;
      return kRegOk;
    }
  }
  return kRegNotFound;
}

// The directory of `subkey` below `parent`, optionally creating it.
long Resolve(RegKeyObject* parent, const std::string& subkey, bool create, std::string* dir, bool* created) {
  if (!parent) return kRegInvalidHandle;
  std::vector<std::string> names;
  if (!SplitPath(subkey, &names)) return kRegInvalidParameter;
  std::string current = KeyDir(parent);
  if (parent->predefined) {
    std::string error;
    if (create && !MakeDirectories(current, &error)) {
      DebugPrintf("registry: %s\n", error.c_str());
      return kRegAccessDenied;
    }
  } else if (!IsDirectory(current)) {
    return kRegKeyDeleted;
  }
  if (created) *created = false;
  for (const auto& name : names) {
    std::string next;
    long result = FindSubKey(current, name, &next);
    // A level that vanished under us (or a root never created) is simply absent.
    if (result == kRegKeyDeleted) result = kRegNotFound;
    if (result == kRegNotFound && create) {
      next = current + "/" + regfile::EncodeKeyName(name);
      // EEXIST is a racing creator, unless something other than a key is in the way.
      if (mkdir(next.c_str(), 0755) != 0 && !(errno == EEXIST && IsDirectory(next)))
        return Complain("cannot create key", next, errno);
      if (created) *created = true;
      result = kRegOk;
    }
    if (result != kRegOk) return result;
    current = next;
  }
  *dir = current;
  return kRegOk;
}

std::string JoinName(const RegKeyObject* parent, const std::string& subkey) {
  return subkey.empty() ? parent->name : parent->name + "\\" + subkey;
}

long ReadKeyFile(const RegKeyObject* key, regfile::KeyFile* file) {
  std::string dir = KeyDir(key);
  std::string path = dir + "/" + regfile::kValuesFileName;
  *file = {};
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) {
    if (errno != ENOENT) return Complain("cannot open", path, errno);
    if (IsDirectory(dir) || key->predefined) return kRegOk;
    return kRegKeyDeleted;
  }
  struct stat st;
  if (fstat(fd.get(), &st) != 0) return Complain("cannot examine", path, errno);
  if (st.st_size > kMaxKeyFileBytes) {
    DebugPrintf("registry: %s is larger than any key file\n", path.c_str());
    return kRegBadDb;
  }
  std::string text(static_cast<size_t>(st.st_size), '\0');
  size_t got = 0;
  while (got < text.size()) {
    ssize_t n = read(fd.get(), text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Complain("cannot read", path, errno);
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  fd.reset();
  text.resize(got);
  *file = regfile::Parse(text);
  return kRegOk;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Replaces the key's file with `file`; the caller holds the key's lock.
long WriteKeyFile(const std::string& dir, const regfile::KeyFile& file) {
  std::string path = dir + "/" + regfile::kValuesFileName;
  std::string temporary = path + ".new";
  // The new file keeps the mode of the one it replaces (a private key's
  // 0600), set before any value is written into it.
  mode_t mode = 0644;
  struct stat existing;
  if (stat(path.c_str(), &existing) == 0) mode = existing.st_mode & 0777;
  UniqueFd fd(open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (!fd) return Complain("cannot create", temporary, errno);
  if (fchmod(fd.get(), mode) != 0) {
    int error = errno;
    fd.reset();
    unlink(temporary.c_str());
    return Complain("cannot set the mode of", temporary, error);
  }
  bool written = WriteAll(fd.get(), regfile::Format(file)) && fsync(fd.get()) == 0;
  int error = errno;
  if (!fd.Close() && written) {
    written = false;
    error = errno;
  }
  if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
    if (written) error = errno;
    unlink(temporary.c_str());
    return Complain("cannot write", path, error);
  }
  // The rename itself must reach the disk before the change counts as made.
  UniqueFd dir_fd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir_fd) fsync(dir_fd.get());
  return kRegOk;
}

// Holds an exclusive lock on a key's directory for the life of the object.
class KeyLock {
 public:
  explicit KeyLock(const std::string& dir) : fd_(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (!fd_) {
      error_ = errno;
      return;
    }
    while (flock(fd_.get(), LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      fd_.reset();
      return;
    }
  }
  bool held() const { return static_cast<bool>(fd_); }
  int error() const { return error_; }

 private:
  UniqueFd fd_;  // the lock goes with it
  int error_ = 0;
};

// Reads, changes and rewrites a key's file under its lock. `change` returns a
// result code; the file is rewritten only when it returns kRegOk.
template <typename Change>
long ChangeKeyFile(RegKeyObject* key, Change change) {
  std::string dir = KeyDir(key);
  if (key->predefined) {
    std::string error;
    if (!MakeDirectories(dir, &error)) {
      DebugPrintf("registry: %s\n", error.c_str());
      return kRegAccessDenied;
    }
  }
  KeyLock lock(dir);
  if (!lock.held()) return lock.error() == ENOENT ? kRegKeyDeleted : Complain("cannot lock", dir, lock.error());
  regfile::KeyFile file;
  long result = ReadKeyFile(key, &file);
  if (result != kRegOk) return result;
  result = change(file);
  if (result != kRegOk) return result;
  return WriteKeyFile(dir, file);
}

}  // namespace

RegKey const kLocalMachine = &local_machine_root;

long OpenRegKey(RegKey parent, const std::string& subkey, uint32_t access, RegKey* result) {
  // The predefined root always exists, even before anything was stored.
  if (parent && parent->predefined && subkey.empty()) {
    *result = parent;
    return kRegOk;
  }
  std::string dir;
  long status = Resolve(parent, subkey, false, &dir, nullptr);
  if (status != kRegOk) return status;
  *result = new RegKeyObject{false, dir, JoinName(parent, subkey), access};
  return kRegOk;
}

long CreateRegKey(RegKey parent, const std::string& subkey, uint32_t access, RegKey* result, bool* created) {
  std::string dir;
  long status = Resolve(parent, subkey, true, &dir, created);
  if (status != kRegOk) return status;
  *result = new RegKeyObject{false, dir, JoinName(parent, subkey), access};
  return kRegOk;
}

long CreatePrivateRegKey(RegKey parent, const std::string& subkey, uint32_t access, RegKey* result, bool* created) {
  std::string dir;
  long status = Resolve(parent, subkey, true, &dir, created);
  if (status != kRegOk) return status;
  if (chmod(dir.c_str(), 0700) != 0) return Complain("cannot protect", dir, errno);
  // The file of values exists from now on with its mode, so that every
  // later write keeps it.
  {
    KeyLock lock(dir);
    if (!lock.held()) return Complain("cannot lock", dir, lock.error());
    std::string path = dir + "/" + regfile::kValuesFileName;
    UniqueFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd) return Complain("cannot create", path, errno);
    if (fchmod(fd.get(), 0600) != 0) return Complain("cannot protect", path, errno);
  }
  *result = new RegKeyObject{false, dir, JoinName(parent, subkey), access};
  return kRegOk;
}

long CloseRegKey(RegKey key) {
  if (!key) return kRegInvalidHandle;
  if (!key->predefined) delete key;
  return kRegOk;
}

long QueryRegValue(RegKey key, const std::string& name, uint32_t* type, uint8_t* data, uint32_t* size) {
  if (!key) return kRegInvalidHandle;
  if (!(key->access & kKeyQueryValue)) return kRegAccessDenied;
  if (data && !size) return kRegInvalidParameter;
  regfile::KeyFile file;
  long result = ReadKeyFile(key, &file);
  if (result != kRegOk) return result;
  const regfile::Value* value = regfile::Find(file, name);
  if (!value) return kRegNotFound;
  auto needed = static_cast<uint32_t>(value->data.size());
  if (type) *type = value->type;
  if (data && needed > *size) {
    *size = needed;
    return kRegMoreData;
  }
  if (data) std::memcpy(data, value->data.data(), needed);
  if (size) *size = needed;
  return kRegOk;
}

long SetRegValue(RegKey key, const std::string& name, uint32_t type, const uint8_t* data, uint32_t size) {
  if (!key) return kRegInvalidHandle;
  if (!(key->access & kKeySetValue)) return kRegAccessDenied;
  if (name.size() > kMaxValueNameBytes || size > kMaxValueBytes || (size > 0 && !data)) return kRegInvalidParameter;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  return ChangeKeyFile(key, [&](regfile::KeyFile& file) {
    if (regfile::Value* existing = regfile::Find(file, name)) {
      existing->type = type;
      existing->data = bytes;
    } else {
      file.values.push_back({name, type, bytes});
    }
    return kRegOk;
  });
}

long DeleteRegValue(RegKey key, const std::string& name) {
  if (!key) return kRegInvalidHandle;
  if (!(key->access & kKeySetValue)) return kRegAccessDenied;
  return ChangeKeyFile(key, [&](regfile::KeyFile& file) {
    auto found = std::find_if(file.values.begin(), file.values.end(),
                              [&](const regfile::Value& v) { return regfile::NamesEqual(v.name, name); });
    if (found == file.values.end()) return kRegNotFound;
    file.values.erase(found);
    return kRegOk;
  });
}

long DeleteRegTree(RegKey parent, const std::string& subkey) {
  if (subkey.empty()) return kRegInvalidParameter;
  std::string dir;
  long status = Resolve(parent, subkey, false, &dir, nullptr);
  if (status != kRegOk) return status;
  // Renamed out of sight first, so nobody opens a half-deleted key.
  static std::atomic<unsigned> counter{0};
  std::string doomed =
      dir.substr(0, dir.rfind('/')) + "/.deleted-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  if (rename(dir.c_str(), doomed.c_str()) != 0) return Complain("cannot delete", dir, errno);
  std::error_code error;
  std::filesystem::remove_all(doomed, error);
  if (error) DebugPrintf("registry: cannot remove %s: %s\n", doomed.c_str(), error.message().c_str());
  return kRegOk;
}

long EnumRegValue(RegKey key, uint32_t index, std::string* name, uint32_t* type, std::vector<uint8_t>* data) {
  if (!key) return kRegInvalidHandle;
  if (!(key->access & kKeyQueryValue)) return kRegAccessDenied;
  regfile::KeyFile file;
  long result = ReadKeyFile(key, &file);
  if (result != kRegOk) return result;
  if (index >= file.values.size()) return kRegNoMoreItems;
  const auto& value = file.values[index];
  if (name) *name = value.name;
  if (type) *type = value.type;
  if (data) data->assign(value.data.begin(), value.data.end());
  return kRegOk;
}

long EnumRegSubKey(RegKey key, uint32_t index, std::string* name) {
  if (!key) return kRegInvalidHandle;
  if (!(key->access & kKeyEnumerateSubKeys)) return kRegAccessDenied;
  std::vector<SubKeyEntry> entries;
  long result = ListSubKeys(KeyDir(key), &entries);
  if (result == kRegKeyDeleted && key->predefined) return kRegNoMoreItems;
  if (result != kRegOk) return result;
  if (index >= entries.size()) return kRegNoMoreItems;
  *name = entries[index].name;
  return kRegOk;
}

long DescribeRegKeyDamage(RegKey key, std::vector<std::string>* problems) {
  if (!key) return kRegInvalidHandle;
  problems->clear();
  regfile::KeyFile file;
  long result = ReadKeyFile(key, &file);
  std::string path = KeyDir(key) + "/" + regfile::kValuesFileName;
  if (result == kRegBadDb) problems->push_back(path + ": larger than any key file; every value reads as missing");
  if (result != kRegOk) return result == kRegBadDb ? kRegOk : result;
  for (const auto& damage : file.damage)
    problems->push_back(path + ":" + std::to_string(damage.line) + ": " + damage.reason);
  return kRegOk;
}

}  // namespace platform
