// Hostile clients of vigil-web, each refused or closed while a well-behaved
// client is answered all along: a request over 8 KB, a path that climbs out,
// a byte that is not printable, a thousand idle connections, a client that
// sends slowly, a client that never reads a large answer.

#include <cstring>
#include <thread>
#include <vector>

#include "web_fixture.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

int64_t Since(steady_clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(steady_clock::now() - start).count();
}

// The status line's number of what `fd` gets for `request`, or 0.
int Ask(int fd, const std::string& request, int timeoutMs = 3000, bool* closed = nullptr) {
  send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  std::string reply = ReadUntilClosed(fd, timeoutMs, closed);
  return reply.rfind("HTTP/1.", 0) == 0 && reply.size() > 12 ? std::atoi(reply.c_str() + 9) : 0;
}

class WebHostileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Station(web_, "192.168.77.2");
    Station(sender_, "192.168.77.1");
    StartWeb(web_);
    sender_.Run(VIGIL_DGRAM_BIN " send 255.255.255.255 500 0 estacao1 1 0 0 0 0 600 600 590 10 >/dev/null 2>&1 &");
    ASSERT_TRUE(WaitUntil([&] { return Get(web_, "/metrics").body.find("ups=\"estacao1\"") != std::string::npos; },
                          5000));
  }
  void TearDown() override {
    if (HasFailure()) std::printf("vigil-web:\n%s\n", web_.Read("web/web.log").c_str());
  }
  // Runs `body` inside the web station's namespace, with room for many sockets.
  void Inside(const std::function<void()>& body) {
    InNetns(lan_.second(), [&] {
      RoomForManySockets();
      body();
    });
  }
  VethLan lan_;
  Sandbox sender_{In(lan_.first())};
  Sandbox web_{In(lan_.second())};
};

TEST_F(WebHostileTest, OverlongClimbingAndUnprintableRequestsGetA4xx) {
  Inside([&] {
    EXPECT_EQ(GetStatus("/metrics"), 200);
    int fd = ConnectWeb();
    int status = Ask(fd, "GET /" + std::string(9000, 'a') + " HTTP/1.1\r\nHost: x\r\n\r\n");
    close(fd);
    EXPECT_GE(status, 400);
    EXPECT_LT(status, 500);
    fd = ConnectWeb();
    status = Ask(fd, "GET / HTTP/1.1\r\nHost: x\r\nX-Long: " + std::string(9000, 'b') + "\r\n\r\n");
    close(fd);
    EXPECT_GE(status, 400);
    EXPECT_LT(status, 500);
    EXPECT_EQ(GetStatus("/../etc/passwd"), 400);
    EXPECT_EQ(GetStatus("/station/%2e%2e/%2e%2e/etc/passwd"), 400);
    EXPECT_EQ(GetStatus("/station/../../metrics"), 400);
    for (std::string bad : {std::string("/\x01"), std::string("/\x7f"), std::string("/caf\xc3\xa9"), std::string("/%00")}) {
      int code = GetStatus(bad);
      EXPECT_GE(code, 400) << bad;
      EXPECT_LT(code, 500) << bad;
    }
    fd = ConnectWeb();
    status = Ask(fd, std::string("GET / HTTP/1.1\r\nHost: x\x01y\r\n\r\n"));
    close(fd);
    EXPECT_TRUE(status == 0 || (status >= 400 && status < 500)) << status;
    EXPECT_EQ(GetStatus("/metrics"), 200);
  });
}

TEST_F(WebHostileTest, AThousandIdleConnectionsLeaveAWellBehavedClientAnsweredAndAreClosed) {
  Inside([&] {
    std::vector<int> idle;
    for (int i = 0; i < 1000; ++i) {
      int fd = ConnectWeb(true);
      if (fd >= 0) idle.push_back(fd);
      if (i % 200 == 199) {
        EXPECT_EQ(GetStatus("/metrics"), 200) << i;
      }
    }
    EXPECT_EQ(idle.size(), 1000u);
    // Meanwhile: answered at once, again and again.
    for (int i = 0; i < 5; ++i) {
      auto start = steady_clock::now();
      EXPECT_EQ(GetStatus("/api/status"), 200);
      EXPECT_LT(Since(start), 3000);
    }
    // Each idle one is closed once its time to send a request is over.
    size_t closed = 0;
    for (int fd : idle) {
      bool ended = false;
      ReadUntilClosed(fd, closed == 0 ? 20000 : 1000, &ended);
      if (ended) ++closed;
      close(fd);
    }
    EXPECT_EQ(closed, idle.size());
    EXPECT_EQ(GetStatus("/"), 200);
  });
}

TEST_F(WebHostileTest, AClientThatSendsSlowlyIsClosedWhileOthersAreAnswered) {
  Inside([&] {
    int slow = ConnectWeb();
    const std::string request = "GET /metrics HTTP/1.1\r\nHost: x\r\nX-Slow: " + std::string(200, 's') + "\r\n\r\n";
    auto start = steady_clock::now();
    bool ended = false;
    for (size_t i = 0; i < request.size() && !ended; ++i) {
      if (send(slow, &request[i], 1, MSG_NOSIGNAL) != 1) break;
      ReadUntilClosed(slow, 250, &ended);
      if (i % 8 == 0) {
        EXPECT_EQ(GetStatus("/metrics"), 200) << i;
      }
    }
    EXPECT_TRUE(ended || ReadUntilClosed(slow, 5000).empty());
    EXPECT_LT(Since(start), 20000);
    close(slow);
  });
}

TEST_F(WebHostileTest, AClientThatNeverReadsIsClosedWhileOthersAreAnswered) {
  Inside([&] {
    int deaf = ConnectWeb(true);
    int small = 4096;
    setsockopt(deaf, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    std::string burst;
    for (int i = 0; i < 200; ++i) burst += "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n";
    auto start = steady_clock::now();
    size_t sent = 0;
    // Pipelined requests whose answers it never takes, until the server
    // stops taking them.
    for (int round = 0; round < 400 && Since(start) < 8000; ++round) {
      ssize_t n = send(deaf, burst.data(), burst.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) sent += static_cast<size_t>(n);
      if (round % 40 == 0) {
        EXPECT_EQ(GetStatus("/metrics"), 200) << round;
      }
      std::this_thread::sleep_for(milliseconds(10));
    }
    EXPECT_GT(sent, burst.size());
    // It never reads: within the answer's time limit the server drops it,
    // answering the others meanwhile. Then what was left in its buffer
    // drains to the end of the stream.
    auto waiting = steady_clock::now();
    while (Since(waiting) < 14000) {
      EXPECT_EQ(GetStatus("/api/status"), 200);
      std::this_thread::sleep_for(milliseconds(500));
    }
    bool ended = false;
    ReadUntilClosed(deaf, 5000, &ended);
    EXPECT_TRUE(ended);
    close(deaf);
  });
}

}  // namespace
