#include "platform/linux/service_messages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform::scm {

std::string FormatStatusLine(const ServiceStatus& s) {
  char line[160];
  std::snprintf(line, sizeof line, "%u %u %u %u %u %u %u %u\n", s.serviceType, s.currentState, s.controlsAccepted,
                s.win32ExitCode, s.serviceSpecificExitCode, s.checkPoint, s.waitHint, s.processId);
  return line;
}

std::optional<ServiceStatus> ParseStatusLine(const std::string& text) {
  uint32_t fields[8];
  const char* at = text.c_str();
  for (uint32_t& field : fields) {
    while (*at == ' ' || *at == '\t' || *at == '\n' || *at == '\r') ++at;
    if (*at < '0' || *at > '9') return std::nullopt;
    char* end = nullptr;
    unsigned long long value = std::strtoull(at, &end, 10);
    if (end == at || value > UINT32_MAX) return std::nullopt;
    field = static_cast<uint32_t>(value);
    at = end;
  }
  return ServiceStatus{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7]};
}

std::optional<uint32_t> DecodeControl(const void* bytes, size_t size) {
  uint32_t control;
  if (size != sizeof control) return std::nullopt;
  std::memcpy(&control, bytes, sizeof control);
  return control;
}

std::optional<ServiceStatus> DecodeStatusReply(const void* bytes, size_t size) {
  ServiceStatus status;
  if (size != sizeof status) return std::nullopt;
  std::memcpy(&status, bytes, sizeof status);
  return status;
}

std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] == '"') {
      size_t close = line.find('"', i + 1);
      word = line.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
      i = close == std::string::npos ? line.size() : close + 1;
    } else {
      size_t end = line.find(' ', i);
      word = line.substr(i, end == std::string::npos ? std::string::npos : end - i);
      i = end == std::string::npos ? line.size() : end;
    }
    words.push_back(word);
  }
  return words;
}

}  // namespace platform::scm
