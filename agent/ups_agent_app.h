// The SNMP agent's application object: one per process, made when the
// library is loaded. It owns the settings, the debug text log, the event
// log source, the line poller, the event file reader and the trap event,
// and serves the exports of exports.cpp. The MIB integers and the trap
// queue live in theAgentState (agent_state.h).
#pragma once

#include <cstdint>
#include <memory>

#include "agent/agent_state.h"
#include "agent/event_log.h"
#include "agent/line_poller.h"
#include "agent/mib_query.h"
#include "agent/text_log.h"
#include "config/apl_config.h"
#include "framework/object.h"
#include "platform/snmp.h"

class CEventFile;

class CUpsAgentApp : public CObject {
 public:
  static constexpr const char* kEventSourceName = "VIGIL 20 SNMP";
  static constexpr const char* kTrapEventName = "ups_agent20_event";
  static constexpr const char* kMessageFileName = "VigilAgent20.dll";

  // The load-time set-up: settings, debug log, event source, poller (not
  // running). `readers` stand for LineTap's slave reads.
  explicit CUpsAgentApp(LineReaders readers = SlaveLineReaders());
  // ExitInstance, then the owned objects go.
  ~CUpsAgentApp() override;
  CUpsAgentApp(const CUpsAgentApp&) = delete;
  CUpsAgentApp& operator=(const CUpsAgentApp&) = delete;

  virtual bool InitInstance();
  // Reports the termination, stops the poller, closes both logs. Once.
  virtual int ExitInstance();

  BOOL ExtensionInit(DWORD timeZero, HANDLE* trapEvent, AsnObjectIdentifier* region);
  BOOL ExtensionQuery(BYTE pduType, SnmpVarBindList* list, AsnInteger32* errorStatus, AsnInteger32* errorIndex);
  BOOL ExtensionTrap(AsnObjectIdentifier* enterprise, AsnInteger32* genericTrap, AsnInteger32* specificTrap,
                     AsnTimeticks* timeStamp, SnmpVarBindList* bindings);

  // The getters and the setter of the variable table.
  const void* NominalAutonomy();
  const void* RowCountValue();
  const void* RowIndex(int32_t row);
  const void* RowCode(int32_t row);
  const void* RowTimeText(int32_t row);
  void ResetCounters(int32_t ignored);
  int32_t RowCount();

  CTextLog& DebugLog() { return *debugLog_; }

 private:
  int32_t CableType();
  // The record of `row`, or -1 when the row is outside the window.
  int32_t RecordOfTableRow(int32_t row);

  std::unique_ptr<CAplConfig> config_;
  std::unique_ptr<CTextLog> debugLog_;
  std::unique_ptr<CEventLog> eventLog_;
  std::unique_ptr<CLinePoller> poller_;
  std::unique_ptr<CEventFile> eventFile_;
  platform::Event* trapEvent_ = nullptr;
  DWORD timeZero_ = 0;
  bool exited_ = false;

  // The getters' values, on the SNMP service's thread.
  int32_t integerValue_ = 0;
  char timeText_[128] = "";
};

// The process's one application object.
CUpsAgentApp& TheAgentApp();

// The variable table: 15 variables and the end marker.
extern const MibEntry kMibTable[16];
