#include "agent/ups_agent_app.h"

#include <cstring>
#include <string>
#include <vector>

#include "eventfile/event_file.h"
#include "platform/debug_output.h"
#include "platform/directories.h"
#include "platform/library.h"
#include "platform/registry.h"
#include "platform/tick_count.h"

using core::kEventFileName;

namespace {

// The trap's enterprise: the view prefix, then 4 (the trap id follows).
constexpr UINT kTrapPrefix[] = {1, 3, 6, 1, 4, 1, 7491, 1, 1, 1, 4};
constexpr int32_t kLargestTrapId = 500;

// Handed to the service as the first supported region; never freed.
UINT regionIds[kViewPrefixLength] = {1, 3, 6, 1, 4, 1, 7491, 1, 1, 1};

int32_t CountRows() { return TheAgentApp().RowCount(); }

// "<system directory><separator>VigilAgent20.dll", however long the
// directory is; empty when it cannot be had.
std::string MessageFilePath() {
  std::vector<char> directory(64);
  uint32_t length = platform::GetSystemDir(directory.data(), static_cast<uint32_t>(directory.size()));
  if (length >= directory.size()) {
    directory.resize(length);
    length = platform::GetSystemDir(directory.data(), static_cast<uint32_t>(directory.size()));
  }
  if (length == 0 || length >= directory.size()) return "";
  return std::string(directory.data(), length) + platform::PathSeparator() + CUpsAgentApp::kMessageFileName;
}

}  // namespace

CUpsAgentApp::CUpsAgentApp(LineReaders readers) {
  config_ = std::make_unique<CAplConfig>();
  config_->SetRootKey(platform::kLocalMachine, kAplConfigKey);
  config_->RegisterValues();
  config_->Load();

  debugLog_ = std::make_unique<CTextLog>();
  debugLog_->Create(config_->debugLogLocation, CTextLog::kTimeStamp);
  if (config_->debugLogOn > 0) {
    debugLog_->Recreate();
    if (debugLog_->Open()) debugLog_->Write("Log iniciado\n");
  }

  eventLog_ = std::make_unique<CEventLog>();
  eventLog_->Create(kEventSourceName);
  std::string messageFile = MessageFilePath();
  if (!messageFile.empty()) eventLog_->Register(messageFile);
  eventLog_->Open();

  poller_ = std::make_unique<CLinePoller>(
      theAgentState, [this] { return CableType(); }, readers);
  InitInstance();
}

CUpsAgentApp::~CUpsAgentApp() {
  ExitInstance();
  poller_.reset();
  eventFile_.reset();
  {
    std::lock_guard<std::mutex> hold(theAgentState.lock);
    theAgentState.trapEvent = nullptr;
  }
  platform::CloseEvent(trapEvent_);
  eventLog_.reset();
  debugLog_.reset();
  config_.reset();
}

bool CUpsAgentApp::InitInstance() { return true; }

int CUpsAgentApp::ExitInstance() {
  if (exited_) return 0;
  exited_ = true;
  eventLog_->Report(kMsgAgentTerminated);
  poller_->Stop();
  debugLog_->Close();
  eventLog_->Close();
  return 0;
}

int32_t CUpsAgentApp::CableType() {
  std::lock_guard<std::mutex> hold(theAgentState.lock);
  return config_->tipoCabo;
}

BOOL CUpsAgentApp::ExtensionInit(DWORD timeZero, HANDLE* trapEvent, AsnObjectIdentifier* region) {
  timeZero_ = timeZero;
  theAgentState.cableType = CableType();
  eventFile_ = std::make_unique<CEventFile>(kEventFileName);
  eventFile_->OpenForReading();  // a missing file shows one unreadable row
  {
    std::lock_guard<std::mutex> hold(theAgentState.lock);
    theAgentState.queue.Clear();
  }
  if (!trapEvent_) {
    std::string error;
    trapEvent_ = platform::CreateAutoResetEvent(kTrapEventName, &error);
    if (!trapEvent_) {
      platform::DebugPrintf("agent: no trap event: %s\n", error.c_str());
      eventLog_->Report(kMsgAgentFailed);
      return FALSE;
    }
  }
  {
    std::lock_guard<std::mutex> hold(theAgentState.lock);
    theAgentState.trapEvent = trapEvent_;
  }
  if (trapEvent) *trapEvent = platform::EventHandle(trapEvent_);
  theAgentState.linesAvailable = 1;
  if (region) *region = {kViewPrefixLength, regionIds};
  // The poller's thread runs code of this library until the end.
  if (!platform::KeepLibraryLoaded(reinterpret_cast<const void*>(&CountRows)))
    platform::DebugPrintf("agent: cannot keep the library loaded for its thread\n");
  poller_->Start();
  eventLog_->Report(kMsgAgentStarted);
  return TRUE;
}

BOOL CUpsAgentApp::ExtensionQuery(BYTE pduType, SnmpVarBindList* list, AsnInteger32* errorStatus,
                                  AsnInteger32* errorIndex) {
  MibView view{kMibTable, CountRows, debugLog_.get()};
  return QueryBindings(view, pduType, list, errorStatus, errorIndex);
}

BOOL CUpsAgentApp::ExtensionTrap(AsnObjectIdentifier* enterprise, AsnInteger32* genericTrap, AsnInteger32* specificTrap,
                                 AsnTimeticks* timeStamp, SnmpVarBindList* bindings) {
  std::lock_guard<std::mutex> hold(theAgentState.lock);
  int32_t id = 0;
  if (!theAgentState.queue.Peek(&id)) return FALSE;
  if (id < 1 || id > kLargestTrapId) {
    theAgentState.queue.Pop();
    return FALSE;
  }
  // Everything handed over is allocated before the id leaves the queue: a
  // failed allocation leaves it at the head for the next call.
  UINT ids[12];
  std::memcpy(ids, kTrapPrefix, sizeof kTrapPrefix);
  ids[11] = static_cast<UINT>(id);
  AsnObjectIdentifier source{12, ids};
  AsnObjectIdentifier copy{};
  if (SnmpUtilOidCpy(&copy, &source) != SNMPAPI_NOERROR) return FALSE;
  auto* list = static_cast<SnmpVarBind*>(SnmpUtilMemAlloc(0));
  if (!list) {
    SnmpUtilOidFree(&copy);
    return FALSE;
  }
  theAgentState.queue.Pop();
  *enterprise = copy;
  *genericTrap = SNMP_GENERICTRAP_ENTERSPECIFIC;
  *specificTrap = id;
  *timeStamp = platform::TickCount() - timeZero_;
  bindings->list = list;
  bindings->len = 0;
  return TRUE;
}

int32_t CUpsAgentApp::RowCount() {
  int32_t count = eventFile_ ? eventFile_->Count() : -1;
  return ComputeEventWindow(count, config_->maxEvents).n;
}

int32_t CUpsAgentApp::RecordOfTableRow(int32_t row) {
  int32_t count = eventFile_ ? eventFile_->Count() : -1;
  return RecordOfRow(ComputeEventWindow(count, config_->maxEvents), row);
}

const void* CUpsAgentApp::NominalAutonomy() {
  std::lock_guard<std::mutex> hold(theAgentState.lock);
  config_->Load();
  integerValue_ = config_->autonomiaNominal;
  return &integerValue_;
}

const void* CUpsAgentApp::RowCountValue() {
  integerValue_ = RowCount();
  return &integerValue_;
}

const void* CUpsAgentApp::RowIndex(int32_t row) {
  integerValue_ = row;
  return &integerValue_;
}

const void* CUpsAgentApp::RowCode(int32_t row) {
  int32_t record = RecordOfTableRow(row);
  integerValue_ = (record >= 0 && eventFile_) ? eventFile_->ReadCode(record) : 0;
  return &integerValue_;
}

const void* CUpsAgentApp::RowTimeText(int32_t row) {
  int32_t record = RecordOfTableRow(row);
  // An unreadable record has no time: never the text of another row.
  if (record < 0 || !eventFile_ || !eventFile_->ReadTimeText(record, timeText_, sizeof timeText_)) timeText_[0] = '\0';
  return timeText_;
}

void CUpsAgentApp::ResetCounters(int32_t) { theAgentState.ClearCounters(); }
