#include "include_layers.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <utility>

namespace layers {
namespace {

namespace fs = std::filesystem;

// Lowest first; one level may hold several folders.
const std::map<std::string, int> kLevel = {
    {"linesim", 0}, {"core", 1},      {"linuxbase", 2}, {"platform", 3}, {"framework", 4},
    {"config", 5},  {"lineshare", 5}, {"eventfile", 5}, {"agent", 6},    {"alerter", 6},
    {"applet", 7},  {"launcher", 7},  {"tools", 8},     {"web", 8},
};

// Folders of one level that include nothing of each other: the monitoring
// program and the SNMP agent share only what lies below them.
const std::vector<std::pair<std::string, std::string>> kApart = {{"agent", "alerter"}};

bool Apart(const std::string& a, const std::string& b) {
  for (const auto& [one, other] : kApart)
    if ((a == one && b == other) || (a == other && b == one)) return true;
  return false;
}

// The daemon stands apart: it takes the line simulator, the shared domain
// and the home of Linux-only code, nothing of the Windows suite's layers.
const char* const kDaemon = "linux";
const std::vector<std::string> kDaemonLayers = {"linesim", "core", "linuxbase"};

// linuxbase/ is Linux code: beside the daemon, only the stand-ins and the
// Linux tools take it (tools/vigil20s is built for Windows too).
const char* const kLinuxHome = "linuxbase";
bool MayUseLinuxHome(const std::string& file) {
  return file.rfind("platform/linux/", 0) == 0 ||
         (file.rfind("tools/", 0) == 0 && file.rfind("tools/vigil20s/", 0) != 0);
}

bool IsProductFile(const fs::path& relative) {
  std::string ext = relative.extension().string();
  if (ext != ".h" && ext != ".cpp" && ext != ".c") return false;
  for (const fs::path& part : relative)
    if (part == "tests" || part == "fuzz" || part == "bench") return false;
  return true;
}

std::string TopFolder(const std::string& path) { return path.substr(0, path.find('/')); }

// What is wrong with `file` (relative to the root) including `target` (the
// include, resolved from the root); empty when nothing is.
std::string Judge(const std::string& file, const std::string& target) {
  const std::string from = TopFolder(file);
  const std::string to = TopFolder(target);
  if (from != "platform" && (target.rfind("platform/linux/", 0) == 0 || target.rfind("platform/win32/", 0) == 0))
    return "only platform/ may include its implementations; use a header of platform/";
  if (from == kDaemon) {
    if (to == kDaemon) return "";
    for (const std::string& layer : kDaemonLayers)
      if (to == layer) return "";
    return "the daemon includes only linesim/, core/ and linuxbase/";
  }
  if (to == kDaemon) return "only the daemon includes linux/";
  if (to == kLinuxHome && from != kLinuxHome && !MayUseLinuxHome(file))
    return "only Linux code (the daemon, platform/linux/, the Linux tools) includes linuxbase/";
  auto own = kLevel.find(from);
  auto other = kLevel.find(to);
  if (own == kLevel.end() || other == kLevel.end()) return "";
  if (other->second > own->second) return from + "/ is below " + to + "/";
  if (Apart(from, to)) return from + "/ and " + to + "/ share only what lies below them";
  return "";
}

}  // namespace

std::vector<Violation> CheckIncludes(const fs::path& root) {
  static const std::regex kInclude(R"(^\s*#\s*include\s*"([^"]+)\")");
  std::vector<Violation> found;
  std::vector<fs::path> files;
  for (const auto& [folder, level] : kLevel)
    if (fs::is_directory(root / folder))
      for (const auto& entry : fs::recursive_directory_iterator(root / folder)) files.push_back(entry.path());
  if (fs::is_directory(root / kDaemon))
    for (const auto& entry : fs::recursive_directory_iterator(root / kDaemon)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());

  for (const fs::path& path : files) {
    fs::path relative = path.lexically_relative(root);
    if (!IsProductFile(relative)) continue;
    std::ifstream in(path);
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
      std::smatch match;
      if (!std::regex_search(text, match, kInclude)) continue;
      std::string include = match[1];
      // A name beside the file is its own folder's; anything else is
      // written from the root.
      fs::path beside = (path.parent_path() / include).lexically_normal();
      std::string target = fs::exists(beside) ? beside.lexically_relative(root).generic_string() : include;
      std::string why = Judge(relative.generic_string(), target);
      if (!why.empty()) found.push_back({relative.generic_string(), line, include, why});
    }
  }
  return found;
}

}  // namespace layers
