// The agent's source in the system event log, "VIGIL 20 SNMP": registered
// in the registry with its message file, then opened, and reporting the
// messages of the agent's message table by id.
#pragma once

#include <cstdint>
#include <string>

#include "platform/event_log.h"

// The agent's messages (agent/messages/VigilAgent20.mc).
inline constexpr uint32_t kMsgAgentStarted = 0x40000001;
inline constexpr uint32_t kMsgAgentTerminated = 0x40000002;
inline constexpr uint32_t kMsgAgentFailed = 0xC0000003;

// The message table, generated from the .mc file.
extern const platform::EventMessage kAgentMessages[];

class CEventLog {
 public:
  CEventLog() = default;
  ~CEventLog() { Close(); }
  CEventLog(const CEventLog&) = delete;
  CEventLog& operator=(const CEventLog&) = delete;

  void Create(const std::string& sourceName);
  // Writes HKLM "SYSTEM\CurrentControlSet\Services\EventLog\System\<source>"
  // "EventMessageFile" (REG_EXPAND_SZ, `messageFile`) and "TypesSupported"
  // (REG_DWORD 7). True when both were written.
  bool Register(const std::string& messageFile);
  bool Open();
  // 1 when reported, 0 when the system refused, -1 when never opened, -2
  // without a handle. The type follows the id's two top bits.
  int Report(uint32_t id);
  void Close();

  bool IsOpen() const { return open_; }

 private:
  std::string sourceName_;
  platform::EventSource* source_ = nullptr;
  bool open_ = false;
};

// The event type of a message id: binary 11 error, 10 warning, else information.
uint16_t EventTypeOf(uint32_t id);
