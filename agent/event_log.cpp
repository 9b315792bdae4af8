#include "agent/event_log.h"

#include "platform/debug_output.h"
#include "platform/registry.h"

uint16_t EventTypeOf(uint32_t id) {
  switch (id >> 30) {
    case 3:
      return platform::kEventError;
    case 2:
      return platform::kEventWarning;
    default:
      return platform::kEventInformation;
  }
}

void CEventLog::Create(const std::string& sourceName) {
  Close();
  sourceName_ = sourceName;
}

bool CEventLog::Register(const std::string& messageFile) {
  std::string path = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\" + sourceName_;
  platform::RegKeyHandle key;
  long result = platform::CreateRegKey(platform::kLocalMachine, path, platform::kKeyWrite, key.out(), nullptr);
  if (result != platform::kRegOk) {
    platform::DebugPrintf("agent: event source key: %s\n", platform::RegResultText(result));
    return false;
  }
  // The path's terminating zero is part of the value.
  long file = platform::SetRegValue(key.get(), "EventMessageFile", platform::kRegExpandSz,
                                    reinterpret_cast<const uint8_t*>(messageFile.c_str()),
                                    static_cast<uint32_t>(messageFile.size() + 1));
  long types = platform::SetRegDword(key.get(), "TypesSupported", 7);
  return file == platform::kRegOk && types == platform::kRegOk;
}

bool CEventLog::Open() {
  std::string error;
  platform::EventSource* source = platform::OpenEventSource(sourceName_, kAgentMessages, &error);
  if (!source) {
    platform::DebugPrintf("agent: event source \"%s\": %s\n", sourceName_.c_str(), error.c_str());
    return false;
  }
  source_ = source;
  open_ = true;
  return true;
}

int CEventLog::Report(uint32_t id) {
  if (!open_) return -1;
  if (!source_) return -2;
  return platform::ReportToEventLog(source_, EventTypeOf(id), id) ? 1 : 0;
}

void CEventLog::Close() {
  if (!source_) return;
  platform::CloseEventSource(source_);
  source_ = nullptr;
  open_ = false;
}
