// A Windows computer on the road's LAN: road_peer.exe under Wine (through
// the Wine runner, so every /dev/ttyS* is replaced), in a network namespace
// of the LAN with a host name and hosts file of its own, alerter.exe on a
// line file of this object. What the peer publishes in the station's folder
// is read from here. Ended, with everything Wine started for it, when the
// object goes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/road/road_fixture.h"

namespace road {

class WineStation {
 public:
  // `agent`: the SNMP agent loaded beside alerter.exe (a server's station).
  // `settings`: alerter's registry values, "NAME=VALUE".
  WineStation(const BridgeLan& lan, int host, const std::string& name, const std::string& hosts, bool agent,
              const std::vector<std::string>& settings);
  ~WineStation();
  WineStation(const WineStation&) = delete;
  WineStation& operator=(const WineStation&) = delete;

  const std::string& name() const { return name_; }
  // Waits until alerter.exe answers its pipe; false (with the reason in
  // Report) when the peer failed or the time ran out.
  bool WaitReady(int timeout_ms) const;
  void Lines(const std::string& words) const;
  std::string Status() const { return Read("status"); }
  std::vector<int32_t> Events() const;
  std::vector<int> Traps() const;
  // Requests to shut Windows down, as Wine's process trace shows them: the
  // wineboot that ExitWindowsEx starts, ending the session ("--end-session")
  // or, when forced, killing its programs ("--kill").
  int ShutdownRequests() const;
  std::string Report() const;
  // The runner's /sys/class/power_supply for this station, as seen from
  // Linux (empty before the runner made it). A station given "UsbPort"
  // finds its UPS's battery there, laid on mains by road_peer.
  std::string PowerSupplyFolder() const;

 private:
  // The runner's folder of this station's Wine run (empty before it made it).
  std::string RunFolder() const;
  std::string Read(const std::string& name) const;
  bool Running() const;
  // The event file in the upper layer of the runner's prefix, written
  // through as alerter.exe appends (empty before the runner made it).
  std::string EventFile() const;

  std::string name_, work_;
  std::unique_ptr<ChildProcess> wine_;
};

// alerter's settings for a notifying server of `autonomy` seconds and for a
// client of `server`, as road_peer takes them.
std::vector<std::string> WineServerSettings(int autonomy, int interval_ms);
std::vector<std::string> WineClientSettings(const std::string& server, int interval_ms, int bad_server_delay);

}  // namespace road
