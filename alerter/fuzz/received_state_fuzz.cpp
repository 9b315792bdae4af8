// A received datagram as the monitoring program takes it: decoded into a
// status record, checked against the accepted server's name, and fed to a
// network client's monitor.
#include <cstring>

#include "alerter/monitor.h"
#include "core/packet.h"
#include "alerter/socket_bind.h"
#include "alerter/tests/fake_host.h"

using core::CState;
using core::ParsePacket;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The program receives into 256 bytes.
  if (size > 256) return 0;
  CState rx{};
  if (!ParsePacket(data, size, &rx)) return 0;
  if (rx.fromNetwork != 1 || std::memchr(rx.hostName, '\0', sizeof rx.hostName) == nullptr) __builtin_trap();
  for (int32_t flag : {rx.powerFailure, rx.batteryCritical, rx.bypass, rx.signalFault, rx.autonomyEnd})
    if (flag != 0 && flag != 1) __builtin_trap();
  IsAcceptedSender(rx.hostName, "servidor");

  static CAplConfig config;
  static bool ready = false;
  if (!ready) {
    config.SetRootKey(platform::kLocalMachine, kAplConfigKey);
    config.RegisterValues();
    config.comMode = 2;
    config.netMode = 5;
    ready = true;
  }
  FakeHost host;
  CUpsMonitor monitor(config, host);
  monitor.Reset();
  monitor.OnReceivedState(rx);
  monitor.OnMonitorTimer();
  CState seen = monitor.Snapshot();
  if (seen.remainingAutonomy != rx.remainingAutonomy || seen.serverLost != 0) __builtin_trap();
  return 0;
}
