// A program (a name ending in .exe, .com, .bat or .cmd, as Windows runs
// them, or any executable file) is looked for as Windows looks for it: a
// name with a directory as it is, otherwise in the current directory and
// then along PATH; then it runs with the parameters as its arguments. Any
// other file is a document: "xdg-open <path>" opens it, and its verdict
// (given within a few seconds) is the answer.
#include "platform/shell_execute.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/debug_output.h"
#include "platform/error_codes.h"
#include "platform/linux/command_words.h"
#include "platform/linux/spawn.h"

namespace platform {
namespace {

// How long xdg-open may take to say whether the document has a program.
constexpr int kOpenVerdictMs = 5000;

std::string Unquoted(std::string text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
  return text;
}

bool EndsWithNoCase(const std::string& text, const char* suffix) {
  size_t n = std::strlen(suffix);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != suffix[i]) return false;
  return true;
}

bool IsProgramName(const std::string& name) {
  for (const char* suffix : {".exe", ".com", ".bat", ".cmd"})
    if (EndsWithNoCase(name, suffix)) return true;
  return false;
}

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The path of `name` as Windows finds a program; empty when nowhere.
std::string FindProgram(const std::string& name) {
  if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : "";
  if (IsExecutableFile(name)) return "./" + name;
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (IsExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return "";
}

intptr_t ResultOfErrno(int error) {
  switch (error) {
    case ENOENT:
      return kShellFileNotFound;
    case ENOTDIR:
      return kShellPathNotFound;
    case EACCES:
    case EPERM:
      return kErrorAccessDenied;
    case ENOMEM:
      return kShellOutOfMemory;
    default:
      return kShellFileNotFound;
  }
}

// Starts argv detached from ours; *pid is the child.
intptr_t Spawn(const std::vector<std::string>& args, pid_t* pid) {
  SpawnResult started = SpawnDetached(args, false, pid);
  if (started.stage == SpawnStage::kSystem) return kShellOutOfMemory;
  if (started.stage == SpawnStage::kExec) return ResultOfErrno(started.error);
  return kShellFirstSuccess;
}

}  // namespace

intptr_t ShellExecuteFile(const char* verb, const char* file, const char* parameters, int /*show*/) {
  if (!file || !*file) return kShellFileNotFound;
  if (verb && std::strcmp(verb, "open") != 0) return kShellNoAssociation;
  std::string name = Unquoted(file);
  std::string program = FindProgram(name);
  if (!program.empty() || IsProgramName(name)) {
    if (program.empty()) return kShellFileNotFound;
    std::vector<std::string> args{program};
    for (const std::string& word : SplitCommandWords(parameters ? parameters : "")) args.push_back(word);
    pid_t pid = 0;
    intptr_t result = Spawn(args, &pid);
    if (result > 32) ReapLater(pid);
    return result;
  }

  // A document: it must exist, and xdg-open must find it a program.
  struct stat st;
  if (stat(name.c_str(), &st) != 0) return ResultOfErrno(errno);
  std::string opener = FindProgram("xdg-open");
  if (opener.empty()) return kShellNoAssociation;
  pid_t pid = 0;
  intptr_t result = Spawn({opener, name}, &pid);
  if (result <= 32) return result;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kOpenVerdictMs);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return (WIFEXITED(status) && WEXITSTATUS(status) == 0) ? kShellFirstSuccess : kShellNoAssociation;
    if (done < 0 && errno != EINTR) return kShellFirstSuccess;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // Still busy: it found a program that is now showing the document.
  ReapLater(pid);
  return kShellFirstSuccess;
}

}  // namespace platform
