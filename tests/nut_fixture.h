// Shared pieces of the tests of vigil-nut: a gateway station on one LAN of
// network namespaces with a Vigil server, NUT's own clients beside it, and
// a client thread of the test itself inside that namespace.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <functional>
#include <string>
#include <thread>

#include "daemon_fixture.h"
#include "lan_fixture.h"

inline constexpr const char* kGatewayConf = "LISTEN 127.0.0.1\nUSER monuser s3cret-pass\n";

// NUT's clients keep their pid and state files in /run/nut: a private one
// per sandbox. upsmon's broadcast to terminals (wall) reaches none.
inline void NutClientHost(const Sandbox& box) {
  CommandResult r = box.Run(
      "mkdir -p /run/nut /usr/local/nut && mount -t tmpfs tmpfs /run/nut && chmod 700 /usr/local/nut && "
      "if w=$(command -v wall); then mount --bind /bin/true $w; fi");
  ASSERT_EQ(r.status, 0) << r.err;
}

// Starts vigil-nut in `box` with the configuration `conf`, and waits for it
// to listen on port 3493. Its standard error goes to /usr/local/nut/gateway.log.
inline void StartGateway(const Sandbox& box, const std::string& conf = kGatewayConf, const std::string& env = "") {
  box.Write("nut/vigil-nut.conf", conf);
  box.Run("chmod 600 /usr/local/nut/vigil-nut.conf && " + env + " " VIGIL_NUT_BIN
          " -c /usr/local/nut/vigil-nut.conf >/usr/local/nut/gateway.log 2>&1 &");
  ASSERT_TRUE(WaitUntil([&] { return box.Run("grep -q ':0DA5 .* 0A ' /proc/net/tcp").status == 0; }, 5000))
      << box.Read("nut/gateway.log");
}

// upsc's standard output, or its error line ("Error: Data stale").
inline std::string Upsc(const Sandbox& box, const std::string& arguments) {
  CommandResult r = box.Run("upsc " + arguments);
  if (r.status == 0) return r.out;
  size_t at = r.err.find("Error: ");
  return at == std::string::npos ? r.err : r.err.substr(at);
}

inline std::string UpsStatus(const Sandbox& box, const std::string& ups) {
  std::string out = Upsc(box, ups + "@127.0.0.1 ups.status");
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

// upsmon as a secondary of `ups` through the gateway, in the foreground,
// with recorders as its notification and shutdown commands.
inline void StartUpsmon(const Sandbox& box, const std::string& ups) {
  box.Write("nut/notify", "#!/bin/sh\necho \"$NOTIFYTYPE $UPSNAME\" >> /usr/local/nut/notified\n");
  box.Write("nut/shutdown", "#!/bin/sh\necho shutdown >> /usr/local/nut/shutdowns\n");
  box.Write("nut/upsmon.conf",
            "RUN_AS_USER root\n"
            "MONITOR " + ups + "@127.0.0.1 1 monuser s3cret-pass secondary\n"
            "MINSUPPLIES 1\n"
            "SHUTDOWNCMD /usr/local/nut/shutdown\n"
            "NOTIFYCMD /usr/local/nut/notify\n"
            "NOTIFYFLAG ONBATT EXEC\nNOTIFYFLAG ONLINE EXEC\nNOTIFYFLAG LOWBATT EXEC\nNOTIFYFLAG FSD EXEC\n"
            "NOTIFYFLAG SHUTDOWN EXEC\nNOTIFYFLAG COMMBAD EXEC\nNOTIFYFLAG NOCOMM EXEC\n"
            "POLLFREQ 1\nPOLLFREQALERT 1\nHOSTSYNC 1\nDEADTIME 5\nFINALDELAY 0\n"
            "POWERDOWNFLAG /usr/local/nut/killpower\n");
  box.Run("chmod 600 /usr/local/nut/upsmon.conf && chmod 755 /usr/local/nut/notify /usr/local/nut/shutdown && "
          "NUT_CONFPATH=/usr/local/nut NUT_STATEPATH=/usr/local/nut " NUT_UPSMON_BIN
          " -F -p >/usr/local/nut/upsmon.log 2>&1 &");
}

// Runs `body` on a thread of this process that has joined the named
// network namespace: its sockets are the namespace's.
inline void InNetns(const std::string& netns, const std::function<void()>& body) {
  std::thread thread([&] {
    int fd = open(("/run/netns/" + netns).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(setns(fd, CLONE_NEWNET), 0);
    close(fd);
    body();
  });
  thread.join();
}

// A TCP connection to `port` on the loopback of the namespace the calling
// thread is in; -1 when refused. Non-blocking ones may still be connecting.
inline int ConnectLoopback(uint16_t port, bool nonblocking = false) {
  int fd = socket(AF_INET, SOCK_STREAM | (nonblocking ? SOCK_NONBLOCK : 0), 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 && errno != EINPROGRESS) {
    close(fd);
    return -1;
  }
  return fd;
}

// Room in this process for a thousand sockets and more (root may raise the
// hard limit too).
inline void RoomForManySockets() {
  rlimit files{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &files), 0);
  if (files.rlim_cur < 4096) {
    files.rlim_cur = 4096;
    if (files.rlim_max < 4096) files.rlim_max = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &files), 0) << std::strerror(errno);
  }
}
