// Reports are appended to <host root>/eventlog/System.log, one line each
// ("<date> <time>\t<source>\t<type>\t0x<id>\t<text>"), with one write to a
// file opened for appending, so reports of several processes never mix.
#include "platform/event_log.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

#include "linuxbase/unique_fd.h"
#include "platform/linux/host_root.h"
#include "platform/local_time.h"

struct platform::EventSource {
  std::string name;
  const EventMessage* messages;
  std::string path;
};

namespace platform {
namespace {

bool PortugueseLocale() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return std::strncmp(value, "pt", 2) == 0;
  }
  return false;
}

const char* TypeName(uint16_t type) {
  switch (type) {
    case kEventError:
      return "Error";
    case kEventWarning:
      return "Warning";
    case kEventInformation:
      return "Information";
    default:
      return "Unknown";
  }
}

// The text without the line end every message carries.
std::string MessageText(const EventMessage* messages, uint32_t id) {
  for (const EventMessage* m = messages; m && m->english; ++m) {
    if (m->id != id) continue;
    std::string text = PortugueseLocale() && m->portuguese ? m->portuguese : m->english;
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return text;
  }
  char unknown[64];
  std::snprintf(unknown, sizeof unknown, "(no text for message 0x%08X)", static_cast<unsigned>(id));
  return unknown;
}

}  // namespace

EventSource* OpenEventSource(const std::string& source, const EventMessage* messages, std::string* error) {
  if (source.empty() || source.find_first_of("\t\r\n") != std::string::npos) {
    if (error) *error = "invalid event source name";
    return nullptr;
  }
  std::string directory = HostRoot() + "/eventlog";
  if (!MakeDirectories(directory, error)) return nullptr;
  return new EventSource{source, messages, directory + "/System.log"};
}

bool ReportToEventLog(EventSource* source, uint16_t type, uint32_t id) {
  if (!source) return false;
  std::tm local{};
  char when[32] = "0000-00-00 00:00:00";
  if (LocalTime(std::time(nullptr), &local)) std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
  char number[16];
  std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(id));
  std::string line = std::string(when) + "\t" + source->name + "\t" + TypeName(type) + "\t" + number + "\t" +
                     MessageText(source->messages, id) + "\n";
  linuxbase::UniqueFd fd(open(source->path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (!fd) return false;
  ssize_t written = write(fd.get(), line.data(), line.size());
  bool closed = fd.Close();
  return written == static_cast<ssize_t>(line.size()) && closed;
}

bool CloseEventSource(EventSource* source) {
  if (!source) return false;
  delete source;
  return true;
}

}  // namespace platform
