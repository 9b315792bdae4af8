// A host for the UPS monitor in unit tests: lines the test sets, a clock it
// moves, and a record of everything the monitor asked for.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "alerter/monitor_host.h"

class FakeHost : public CMonitorHost {
 public:
  int32_t dsr = 1, cts = 1, ring = 1;  // the lines, as LineTap reads them
  std::optional<platform::UpsBatteryReading> battery;  // a USB UPS; nothing: no battery answers
  int64_t now = 1000;                  // seconds
  int answer = 7;                      // what the user answers (No)
  bool serviceMode = false;
  bool shutdownAccepted = true;

  std::vector<int32_t> events;
  int notifications = 0;
  std::vector<std::string> questions;
  int quitRequests = 0;
  std::vector<std::string> commands;
  // The calls of a shutdown, in order: "post 11 1 0", "wait 10000", "shutdown forced"...
  std::vector<std::string> calls;
  std::vector<std::optional<core::UpsState>> figures;  // each PublishUpsFigures

  int32_t ReadDsr() override { return dsr; }
  int32_t ReadCts() override { return cts; }
  int32_t ReadRing() override { return ring; }
  std::optional<platform::UpsBatteryReading> ReadUpsBattery() override { return battery; }
  void ReportLineReading(bool readable) override { calls.push_back(readable ? "lines back" : "lines lost"); }
  void PublishUpsFigures(const std::optional<core::UpsState>& measured) override { figures.push_back(measured); }
  int64_t Now() override { return now; }
  void LogEvent(int32_t code) override { events.push_back(code); }
  void NotifyNetwork(core::CState&) override { ++notifications; }
  int AskUser(uint32_t, const char* text) override {
    questions.push_back(text);
    return answer;
  }
  bool ServiceMode() override { return serviceMode; }
  void PostQuitRequest() override { ++quitRequests; }
  int RunCommand(const char* commandLine) override {
    commands.push_back(commandLine);
    calls.push_back(std::string("run ") + commandLine);
    return 0;
  }
  void PostToAllWindows(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    calls.push_back("post " + std::to_string(message) + " " + std::to_string(wParam) + " " + std::to_string(lParam));
  }
  void Wait(uint32_t milliseconds) override { calls.push_back("wait " + std::to_string(milliseconds)); }
  bool RequestShutdown(bool force) override {
    calls.push_back(force ? "shutdown forced" : "shutdown");
    return shutdownAccepted;
  }
};
