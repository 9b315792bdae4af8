// The poller's traps while alerter.exe, LineTap's master, watches the
// simulated lines. The copy of alerter.exe beside the agent loads the same
// LineTap.dll file as the agent, and a DLL's shared section is one per file.
#include <chrono>
#include <functional>
#include <thread>

#include "agent/tests/agent_fixture.h"
#include "lineshare/tests/peer.h"
#include "platform/event.h"
#include "tests/support/child_process.h"
#include "tests/support/wait_until.h"

namespace {

class AlerterMasterTest : public AgentTest {
 protected:
  void SetUp() override {
    lines_ = host_.ScratchPath("lines");
    SetEnvironment("VIGIL20_SIMLINES", lines_);
    WriteLines(lines_, "DSR CTS RI");
    SetSetting("", "ComPort", 1);
    SetSetting("", "Interval", 100);
    SetSetting("", "Signal Filter", 0);
  }
  void TearDown() override {
    Unload();
    alerter_.reset();  // ended with the test
    UnsetEnvironment("VIGIL20_SIMLINES");
  }
  void StartAlerter() {
    std::string error;
    alerter_ = ChildProcess::Start({ALERTER_BESIDE_AGENT, "-normal"}, {}, &error);
    ASSERT_TRUE(alerter_) << error;
  }
  // The ids raised until `count` have come (or the time-out).
  std::vector<int32_t> TrapsUntil(AgentHost& agent, size_t count) {
    std::vector<int32_t> traps;
    WaitUntil([&] {
      for (int32_t id : agent.DrainTraps()) traps.push_back(id);
      return traps.size() >= count;
    }, 10000);
    return traps;
  }

  std::string lines_;
  std::unique_ptr<ChildProcess> alerter_;
};

TEST_F(AlerterMasterTest, ADsrDropAndReturnUnderAlerterRaiseTraps1And2) {
  AgentHost& agent = Load();
  // No master yet: the poller's first cycle makes the lines unavailable
  // (the start shows them available), so lines seen available afterwards
  // are alerter.exe's reading, the poller's baseline.
  ASSERT_TRUE(WaitUntil([&] { return agent.Read("1.4") == 0; }, 10000));
  StartAlerter();
  ASSERT_TRUE(WaitUntil([&] { return agent.Read("1.4") == 1 && agent.Read("1.1") == 0; }, 60000))
      << "alerter.exe published no reading";
  EXPECT_EQ(agent.DrainTraps(), std::vector<int32_t>{}) << "the baseline raises nothing";

  WriteLines(lines_, "CTS RI");
  ASSERT_TRUE(platform::WaitEventHandle(agent.trapEvent(), 10000)) << "the trap event is set";
  EXPECT_EQ(TrapsUntil(agent, 1), std::vector<int32_t>{1});
  WriteLines(lines_, "DSR CTS RI");
  EXPECT_EQ(TrapsUntil(agent, 1), std::vector<int32_t>{2});
  EXPECT_EQ(agent.Read("2.2"), 2) << "two DSR changes counted";
}

}  // namespace
