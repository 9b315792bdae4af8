// Stations of the LAN tests: sandboxes in the network namespaces of a
// VethLan, with private host names and addresses, and alerter in them with
// its host root at /usr/local/root.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "sandbox.h"

// Host names in `box` come from `hosts` alone: no name service is asked.
inline void PrivateNames(const Sandbox& box, const std::string& hosts) {
  box.Write("hosts", hosts);
  box.Write("nsswitch.conf", "hosts: files\n");
  CommandResult r = box.Run("mount --bind /usr/local/hosts /etc/hosts && mount --bind /usr/local/nsswitch.conf /etc/nsswitch.conf");
  ASSERT_EQ(r.status, 0) << r.err;
}

// Gives the station the address `address` on its LAN link and a hosts
// file in which its own name resolves to it, so that its classful
// broadcast address (address.255 for 192.168.x.y) is the link's.
// With `subnetBroadcast` the link also gets the subnet's broadcast
// address (brd +), so that datagrams sent to it are broadcasts there.
inline void Station(const Sandbox& box, const std::string& address, bool subnetBroadcast = false) {
  PrivateNames(box, "127.0.0.1 localhost\n" + address + " posto7.exemplo.com.br posto7\n");
  CommandResult r = box.Run(
      "ip addr add " + address + "/24 " + (subnetBroadcast ? "brd + " : "") + "dev $(ip -o link show type veth | awk -F': ' '{print $2}' | cut -d@ -f1) && "
      // Even a mistaken shutdown request reaches only a recorder here.
      "if command -v systemctl >/dev/null; then mount --bind /usr/local/sbin/poweroff $(command -v systemctl); fi");
  ASSERT_EQ(r.status, 0) << r.err;
}

// alerter's host root inside a sandbox is /usr/local/root.
inline void AlerterSetting(const Sandbox& box, const std::string& name, int value) {
  CommandResult r = box.Run("VIGIL20_HOST_ROOT=/usr/local/root " VIGIL_REG_BIN " add 'HKLM\\Software\\Tessaly\\Vigil 2.0' /v '" +
                            name + "' /t REG_DWORD /d " + std::to_string(value) + " /f");
  ASSERT_EQ(r.status, 0) << r.err;
}

inline void AlerterSetting(const Sandbox& box, const std::string& name, const std::string& value) {
  CommandResult r = box.Run("VIGIL20_HOST_ROOT=/usr/local/root " VIGIL_REG_BIN " add 'HKLM\\Software\\Tessaly\\Vigil 2.0' /v '" +
                            name + "' /t REG_SZ /d '" + value + "' /f");
  ASSERT_EQ(r.status, 0) << r.err;
}

inline void AlerterLines(const Sandbox& box, const std::string& words) {
  box.Run(VIGIL_LINES_BIN " /usr/local/alines " + words);
}

inline void StartAlerter(const Sandbox& box) {
  box.Run("VIGIL20_HOST_ROOT=/usr/local/root VIGIL20_SIMLINES=/usr/local/alines VIGIL20_POWEROFF=/usr/local/sbin/poweroff " ALERTER_BIN
          " -normal > /usr/local/alerter.log 2>&1 &");
}


// alerter as a LAN client (serial port none) following only the server
// `serverName`, which it asks every 200 ms.
inline void AlerterClientOf(const Sandbox& box, const std::string& serverName) {
  AlerterSetting(box, "ComMode", 2);
  AlerterSetting(box, "Net Mode", 5);
  AlerterSetting(box, "AcceptAll", 0);
  AlerterSetting(box, "HostName", serverName);
  AlerterSetting(box, "Interval", 200);
}

// alerter as a LAN server of its simulated line on COM1, the line healthy,
// reading it every 200 ms without the signal filter's delay.
inline void AlerterServerOnLine(const Sandbox& box) {
  AlerterLines(box, "set DSR CTS RI");
  AlerterSetting(box, "ComPort", 1);
  AlerterSetting(box, "Net Mode", 4);
  AlerterSetting(box, "Interval", 200);
  AlerterSetting(box, "Signal Filter", 0);
}

// Two stations, 192.168.77.1 and .2, on one LAN; their alerters' logs are
// shown when a test fails.
class TwoStationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Station(first_, "192.168.77.1");
    Station(second_, "192.168.77.2");
  }
  void TearDown() override {
    if (HasFailure())
      std::printf("first alerter:\n%s\nsecond alerter:\n%s\n", first_.Read("alerter.log").c_str(),
                  second_.Read("alerter.log").c_str());
  }
  VethLan lan_;
  Sandbox first_{In(lan_.first())};
  Sandbox second_{In(lan_.second())};
};
