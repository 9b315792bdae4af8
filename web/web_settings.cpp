#include "web/web_settings.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "config/apl_config.h"
#include "core/config_lines.h"

using core::ConfigLine;
using core::ConfigNumber;
using core::ConfigLines;

namespace web {

namespace {

bool Same(std::string_view a, const char* b) {
  std::string_view other(b);
  if (a.size() != other.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(other[i]))) return false;
  return true;
}

// Words of a line: blanks separate them, double quotes hold blanks, a
// backslash takes the next character as it is, '#' outside quotes ends the
// line. False for an open quote or a control byte.
bool Words(std::string_view line, std::vector<std::string>* words) {
  words->clear();
  std::string word;
  bool inWord = false, quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return false;
    if (quoted) {
      if (c == '"') {
        quoted = false;
      } else if (c == '\\' && i + 1 < line.size()) {
        word += line[++i];
      } else {
        word += c;
      }
      continue;
    }
    if (c == ' ' || c == '\t') {
      if (inWord) words->push_back(word);
      word.clear();
      inWord = false;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      quoted = inWord = true;
    } else if (c == '\\' && i + 1 < line.size()) {
      word += line[++i];
      inWord = true;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quoted) return false;
  if (inWord) words->push_back(word);
  return true;
}

}  // namespace

bool IsIpv4(std::string_view text) {
  int parts = 0;
  size_t at = 0;
  while (parts < 4) {
    size_t end = text.find('.', at);
    if (end == std::string_view::npos) end = text.size();
    int value;
    std::string_view part = text.substr(at, end - at);
    if (part.size() > 3 || !ConfigNumber(part, 0, 255, &value)) return false;
    ++parts;
    if (end == text.size()) break;
    at = end + 1;
  }
  return parts == 4 && text.find('.', at) == std::string_view::npos;
}

bool LooksIpv6(std::string_view text) {
  if (text.find(':') == std::string_view::npos || text.size() > 45) return false;
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.') return false;
  return true;
}

bool ParseWebConfig(std::string_view text, WebSettings* settings, std::string* error) {
  *settings = WebSettings{};
  std::vector<std::string> words;
  for (const ConfigLine& numbered : ConfigLines(text)) {
    std::string_view line = numbered.text;
    auto fail = [&](const std::string& why) {
      *error = "line " + std::to_string(numbered.number) + ": " + why;
      return false;
    };
    if (!Words(line, &words)) return fail("cannot be read (an open quote or a control byte)");
    if (words.empty()) continue;
    const std::string& name = words[0];
    if (Same(name, "LISTEN")) {
      if (words.size() < 2 || words.size() > 3) return fail("LISTEN takes an address and maybe a port");
      if (!IsIpv4(words[1]) && !LooksIpv6(words[1])) return fail("not a numeric address: " + words[1]);
      ListenAddress listen{words[1], kWebPort};
      int port;
      if (words.size() == 3) {
        if (!ConfigNumber(words[2], 1, 65535, &port)) return fail("not a port: " + words[2]);
        listen.port = std::to_string(port);
      }
      settings->listen.push_back(listen);
    } else if (Same(name, "KEY")) {
      if (words.size() != 2 || words[1].empty()) return fail("KEY takes one text (quote it if it has blanks)");
      settings->key = words[1];
    } else if (Same(name, "STATE")) {
      if (words.size() != 2 || words[1].empty()) return fail("STATE takes one folder");
      settings->stateFolder = words[1];
    } else if (Same(name, "LOG")) {
      if (words.size() != 2 || words[1].empty()) return fail("LOG takes one file");
      settings->logFile = words[1];
    } else if (Same(name, "LOGLEVEL")) {
      if (words.size() != 2 || !ConfigNumber(words[1], 0, 2, &settings->logLevel)) return fail("LOGLEVEL takes 0, 1 or 2");
    } else if (Same(name, "ALLOW")) {
      if (words.size() != 2) return fail("ALLOW takes one address/prefix");
      std::string network = words[1];
      size_t slash = network.find('/');
      std::string address = network.substr(0, slash);
      int prefix = 32;
      if (!IsIpv4(address) || (slash != std::string::npos && !ConfigNumber(network.substr(slash + 1), 0, 32, &prefix)))
        return fail("ALLOW takes an IPv4 address/prefix: " + network);
      settings->allow.push_back(address + "/" + std::to_string(prefix));
    } else {
      bool taken = false;
      std::string why;
      if (!ParseNotifyLine(words, &settings->notify, &taken, &why)) return fail(why);
      if (!taken) return fail("unknown setting " + name);
    }
  }
  std::string problem = NotifySettingsProblem(settings->notify);
  if (!problem.empty()) {
    *error = problem;
    return false;
  }
  return true;
}

bool ReadWebConfig(const std::string& path, WebSettings* settings, std::string* error) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    *error = path + ": cannot be opened";
    return false;
  }
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0 && text.size() < (1u << 20)) text.append(buffer, n);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed || text.size() >= (1u << 20)) {
    *error = path + ": not a configuration file";
    return false;
  }
  if (!ParseWebConfig(text, settings, error)) {
    *error = path + ": " + *error;
    return false;
  }
  if (!settings->key.empty() || settings->notify.HoldsSecrets()) {
    namespace fs = std::filesystem;
    std::error_code failure;
    fs::perms perms = fs::status(path, failure).permissions();
    fs::perms others = fs::perms::group_all | fs::perms::others_all;
    if (failure || (perms & others) != fs::perms::none) {
      *error = path + ": holds the network's KEY or a notification's secret, yet others than its owner may use it (make it mode 0600)";
      return false;
    }
  }
  return true;
}

WebSettings SettingsFromRegistry(const CAplConfig& config, const std::string& windowsFolder) {
  WebSettings settings;
  settings.enabled = config.webEnabled != 0;
  int port = config.webPort >= 1 && config.webPort <= 65535 ? config.webPort : 80;
  settings.listen.push_back({config.webCtrlList != 0 ? "127.0.0.1" : "0.0.0.0", std::to_string(port)});
  settings.key = config.netKey;
  settings.stateFolder = (std::filesystem::path(windowsFolder) / "VigilWeb").string();
  settings.logFile = config.webLogFile;
  settings.logLevel = config.webLogLevel < 0 ? 0 : config.webLogLevel > 2 ? 2 : config.webLogLevel;
  return settings;
}

std::vector<ListenAddress> ListenAddresses(const WebSettings& settings) {
  if (!settings.listen.empty()) return settings.listen;
  return {{"127.0.0.1", kWebPort}, {"::1", kWebPort}};
}

}  // namespace web
