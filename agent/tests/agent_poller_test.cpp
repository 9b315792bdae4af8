// The line poller and its traps with LineTap's master in another process
// (linetap_peer, as alerter holds the port) on the line simulator: the
// agent in this process reads the master's lines through the slave reads.
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "agent/tests/agent_fixture.h"
#include "lineshare/tests/peer.h"
#include "platform/event.h"
#include "tests/support/wait_until.h"

namespace {

// How long the poller may take to see a change.
constexpr int kWaitMs = 10000;

class PollerTest : public AgentTest {
 protected:
  void SetUp() override {
    lines_ = host_.ScratchPath("lines");
    SetEnvironment("VIGIL20_SIMLINES", lines_);
    WriteLines(lines_, "DSR CTS RI");
    master_ = std::make_unique<Peer>();
  }
  void TearDown() override {
    Unload();
    master_.reset();
    UnsetEnvironment("VIGIL20_SIMLINES");
  }
  // The master opens the port as alerter does and reads the lines once.
  void StartMaster() {
    ASSERT_EQ(master_->Int("serialOpen 2 0"), 1);
    ASSERT_EQ(master_->Int("serialSetDtr 0"), 1);
    ASSERT_EQ(master_->Int("serialSetRts 1"), 1);
    master_->Int("serialGetDsr");
  }
  // The UPS changes its lines; the master's next read publishes them, and
  // the poller has seen them once the change-cycle counter moved.
  void Change(const std::string& names) {
    int32_t cycles = agent_->Read("2.1");
    WriteLines(lines_, names);
    master_->Int("serialGetDsr");
    ASSERT_TRUE(WaitUntil([&] { return agent_->Read("2.1") != cycles; }, kWaitMs))
        << "the poller saw no change to " << names;
  }
  // Waits for the poller to show `dsr`, `cts`, `ri` and `available`.
  bool Shows(int32_t dsr, int32_t cts, int32_t ri, int32_t available) {
    return WaitUntil([&] {
      return agent_->Read("1.1") == dsr && agent_->Read("1.2") == cts && agent_->Read("1.3") == ri &&
             agent_->Read("1.4") == available;
    }, kWaitMs);
  }

  std::string lines_;
  std::unique_ptr<Peer> master_;
};

TEST_F(PollerTest, FirstSampleIsTheBaselineThenEveryChangeRaisesItsTrapInOrder) {
  WriteLines(lines_, "CTS RI");  // DSR inactive at the first sample
  StartMaster();
  AgentHost& agent = Load();
  ASSERT_TRUE(Shows(1, 0, 0, 1));
  EXPECT_EQ(agent.DrainTraps(), std::vector<int32_t>{}) << "the baseline raises nothing";

  Change("DSR CTS RI");
  ASSERT_TRUE(platform::WaitEventHandle(agent.trapEvent(), 5000)) << "the trap event is set";
  TrapInfo trap;
  ASSERT_TRUE(agent.Trap(&trap));
  EXPECT_EQ(trap.enterprise, ParseOid("1.3.6.1.4.1.7491.1.1.1.4.2"));
  EXPECT_EQ(trap.generic, 6);
  EXPECT_EQ(trap.specific, 2);
  EXPECT_EQ(trap.bindings, 0u);
  EXPECT_TRUE(trap.listAllocated) << "an empty list still has its block";
  EXPECT_LT(trap.stamp, 60000u) << "milliseconds since the time-zero reference";
  EXPECT_FALSE(agent.Trap(&trap));

  Change("CTS");  // DSR and RI drop together: one cycle, two traps
  EXPECT_EQ(agent.Read("2.1"), 2);
  EXPECT_EQ(agent.Read("2.2"), 2);
  EXPECT_EQ(agent.Read("2.4"), 1);
  Change("");     // CTS drops too
  Change("DSR CTS RI");
  EXPECT_EQ(agent.DrainTraps(), (std::vector<int32_t>{1, 4, 3, 2, 5})) << "no trap for CTS coming back";
  EXPECT_EQ(agent.Read("2.1"), 4);
  EXPECT_EQ(agent.Read("2.2"), 3);
  EXPECT_EQ(agent.Read("2.3"), 2);
  EXPECT_EQ(agent.Read("2.4"), 2);

  QueryResult reset = agent.Query(SNMP_PDU_SET, {Var("2.5")}, {Integer(1)});
  EXPECT_EQ(reset.status, 0);
  for (const char* counter : {"2.1", "2.2", "2.3", "2.4"}) EXPECT_EQ(agent.Read(counter), 0) << counter;
}

TEST_F(PollerTest, AStoppedMasterMakesTheLinesUnavailableAndItsReturnIsComparedWithZeros) {
  WriteLines(lines_, "");  // a first sample that shows
  StartMaster();
  AgentHost& agent = Load();
  ASSERT_TRUE(Shows(1, 1, 1, 1));
  agent.DrainTraps();
  ASSERT_EQ(master_->Int("serialClose"), 1);  // alerter stops
  ASSERT_TRUE(Shows(2, 2, 2, 0));
  EXPECT_EQ(agent.DrainTraps(), std::vector<int32_t>{}) << "the failure itself raises nothing";
  WriteLines(lines_, "DSR CTS RI");
  StartMaster();  // back, with every line active and cable type 1
  ASSERT_TRUE(Shows(0, 0, 0, 1));
  EXPECT_EQ(agent.DrainTraps(), std::vector<int32_t>{}) << "nothing to report against zeros";

  // Cable type 2: RI is not used, and every recovery raises trap 4.
  SetSetting("", "Tipo Cabo", 2);
  agent.Read("1.6");  // reading the nominal autonomy reloads the settings
  ASSERT_TRUE(Shows(0, 0, 2, 1));
  agent.DrainTraps();
  int32_t riChanges = agent.Read("2.4");
  WriteLines(lines_, "DSR CTS");
  master_->Int("serialGetDsr");
  ASSERT_TRUE(Shows(0, 0, 2, 1));
  EXPECT_EQ(agent.Read("2.4"), riChanges) << "RI changes count for nothing";
  ASSERT_EQ(master_->Int("serialClose"), 1);
  ASSERT_TRUE(Shows(2, 2, 2, 0));
  agent.DrainTraps();
  StartMaster();
  ASSERT_TRUE(Shows(0, 0, 2, 1));
  std::vector<int32_t> traps;
  ASSERT_TRUE(WaitUntil([&] {
    for (int32_t id : agent.DrainTraps()) traps.push_back(id);
    return !traps.empty();
  }, kWaitMs));
  EXPECT_EQ(traps, std::vector<int32_t>{4}) << "RI state 2 against the zeros of the failure";
}

// alerter crashing must not leave the agent serving its last reading as
// current: the lines go unavailable, and a new alerter is seen when it reads.
TEST_F(PollerTest, AKilledMasterMakesTheLinesUnavailableAndANewMasterIsSeen) {
  WriteLines(lines_, "CTS RI");
  StartMaster();
  Load();
  ASSERT_TRUE(Shows(1, 0, 0, 1));
  auto killed = std::chrono::steady_clock::now();
  master_->Stop(/*kill=*/true);
  ASSERT_TRUE(Shows(2, 2, 2, 0)) << "the dead master's reading is still served";
  std::printf("lines unavailable %lld ms after the kill\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now() - killed)
                                         .count()));
  master_ = std::make_unique<Peer>();
  WriteLines(lines_, "DSR CTS RI");
  StartMaster();
  EXPECT_TRUE(Shows(0, 0, 0, 1)) << "the new master is not seen";
}

TEST_F(PollerTest, ThirtyTwoTrapsWaitAndFurtherOnesAreDropped) {
  WriteLines(lines_, "");  // a first sample that shows
  StartMaster();
  AgentHost& agent = Load();
  ASSERT_TRUE(Shows(1, 1, 1, 1));
  std::vector<int32_t> raised;
  // All three lines come back (traps 2, 5), then drop (1, 3, 4).
  while (raised.size() < 33) {
    Change("DSR CTS RI");
    raised.insert(raised.end(), {2, 5});
    Change("");
    raised.insert(raised.end(), {1, 3, 4});
  }
  std::vector<int32_t> first32(raised.begin(), raised.begin() + 32);
  EXPECT_EQ(agent.DrainTraps(), first32);
}

}  // namespace
