// The road of one mains failure across a LAN: stations in network
// namespaces joined by a bridge, each a sandbox of its own (host name,
// hosts file, power-off recorders, private /dev/shm), and the programs of
// both forms started in them as servers or clients. Everything a station
// runs dies with its sandbox, so a failing test leaves nothing behind.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hidraw_device.h"
#include "sandbox.h"

namespace road {

using Clock = std::chrono::steady_clock;

// N network namespaces, each joined by a veth pair to one bridge in a
// namespace of its own (the switch), with addresses 192.168.77.(10+i)/24,
// the subnet's broadcast address, and a default route through the link, so
// that both 255.255.255.255 and 192.168.77.255 reach every host. Removed
// with the object.
class BridgeLan {
 public:
  explicit BridgeLan(int hosts);
  ~BridgeLan();
  BridgeLan(const BridgeLan&) = delete;
  BridgeLan& operator=(const BridgeLan&) = delete;

  int size() const { return static_cast<int>(hosts_.size()); }
  const std::string& Netns(int host) const { return hosts_.at(host); }
  std::string Address(int host) const { return "192.168.77." + std::to_string(10 + host); }
  // Takes a host off the LAN (its cable pulled) or puts it back.
  void Unplug(int host) const;
  void Plug(int host) const;

 private:
  std::string switch_;
  std::vector<std::string> hosts_;
  std::vector<std::string> ports_;  // the switch's end of each host's link
};

// One computer of the LAN, named `name` (its host name, and the name its
// programs send), every other station's name resolvable from its hosts file.
class Station {
 public:
  Station(const BridgeLan& lan, int host, const std::string& name, const std::string& hosts);
  ~Station();
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;
  const Sandbox& box() const { return box_; }
  const std::string& name() const { return name_; }
  const std::string& address() const { return address_; }
  int host() const { return host_; }

  // Lines of the power-off recorders: "/sbin/poweroff " from vigil20,
  // "/usr/local/sbin/poweroff " from alerter (VIGIL20_POWEROFF).
  std::string Recorded() const { return box_.Read("recorded"); }

  // --- vigil20 (the Linux daemon); its lines are /usr/local/lines.
  void StartVigil20Server(int autonomy_minutes) const;
  void StartVigil20Receiver(const std::string& server, bool accept_any) const;
  // A vigil20 server on a USB UPS that line 8 names `port` ("usb", say):
  // the UPS plugged first with PlugUsbUps, served to this vigil20 (the
  // dynamically linked build) by the hidraw shim preloaded into it.
  void StartVigil20UsbServer(int autonomy_minutes, const std::string& port) const;
  void StopVigil20() const;
  std::string Vigil20Log() const;
  std::string Console() const { return box_.Read("console"); }
  bool WaitForLog(const std::string& needle, int timeout_ms, int times = 1) const;

  // --- alerter (the Linux build), host root /usr/local/root, lines
  // /usr/local/alines.
  void Setting(const std::string& name, int value) const;
  void Setting(const std::string& name, const std::string& value) const;
  // A notifying server: "ComMode" 1, "Net Mode" 4, ticks of `interval_ms`,
  // "Signal Filter" 2, `autonomy` seconds, a repeat every second.
  void ConfigureAlerterServer(int autonomy, int interval_ms) const;
  // A listening client ("ComMode" 2, "Net Mode" 5) of `server` (empty:
  // any server), taking the server's figures unless `own_autonomy` (then
  // its own model of `own_autonomy` seconds).
  void ConfigureAlerterClient(const std::string& server, int interval_ms, int bad_server_delay,
                              int own_autonomy = 0) const;
  void StartAlerter() const;
  // Ends alerter through its status pipe's exit request.
  void EndAlerter() const;
  bool WaitAlerterServing(int timeout_ms = 10000) const;
  std::vector<int32_t> AlerterEvents() const;
  bool WaitForEvents(const std::vector<int32_t>& codes, int timeout_ms) const;
  // The 216-byte status record from the status pipe (empty when none came).
  std::string AlerterStatus() const;
  std::string AlerterLog() const { return box_.Read("alerter.log"); }

  // --- the SNMP agent beside alerter: vigil-snmp loading VigilAgent20 from
  // this station's registry, on 127.0.0.1:1161, traps to `manager`:162.
  void StartAgent(const std::string& manager) const;
  // One variable of the agent's region ("1.4"): its INTEGER, or -1.
  int AgentRead(const std::string& oid) const;
  std::string Walk() const;
  // snmptrapd on this station, port 162 of every address.
  void StartTrapReceiver();
  std::string Traps() const { return box_.Read("snmptrapd.log"); }

  // Sets the simulated lines of vigil20 ("lines") or alerter ("alines").
  void Lines(const std::string& file, const std::string& words) const;

  // --- a USB UPS of the HID Power Device class wired to this station: the
  // device model (tests/support/hidraw) under /usr/local/hid, plugged as
  // /dev/hidraw`number`; the handle drives it (feature reports, unplug).
  HidrawDevice& PlugUsbUps(const std::vector<uint8_t>& descriptor, const HidrawDevice::Identity& identity, int number);
  // Sends one input report once a program has the UPS's node open; false
  // when none did within 3 s.
  bool UsbReport(const std::vector<uint8_t>& report) const;

 private:
  const BridgeLan& lan_;
  int host_;
  std::string name_, address_;
  Sandbox box_;
  std::unique_ptr<ChildProcess> trapd_;
  std::unique_ptr<HidrawDevice> usb_ups_;  // unplugged before the sandbox goes
};

// The fields of alerter's status record.
int32_t StatusField(const std::string& status, size_t offset);
constexpr size_t kBatteryCritical = 40, kPowerFailure = 44, kServerLost = 56, kAutonomyEnd = 60, kNominal = 64,
                 kFull = 68, kRemaining = 72, kOnBattery = 76;

// The trap line snmptrapd writes for trap `n` of the agent.
std::string TrapLine(int n);

// The daemon's shared block of a station (see daemon_fixture.h's Peek).
struct Figures {
  bool present = false;
  int pf = 0, bl = 0, ao = 0, cf = 0, total = 0, base = 0, left = 0, dt = 0;
  std::string name;
};
Figures Vigil20Figures(const Station& station);

int CountOf(const std::string& text, const std::string& needle);
// Whether `first` and `then` are both in `text`, `first` before.
bool InOrder(const std::string& text, const std::string& first, const std::string& then);
long long MillisecondsSince(Clock::time_point start);

}  // namespace road
