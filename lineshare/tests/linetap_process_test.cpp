// LineTap across real processes: a master that owns the (simulated) port and
// slaves that read the shared record, each a separate process that loaded
// the library.
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "sandbox.h"
#include "temp_host_root.h"

namespace {

// One process holding LineTap, driven line by line.
class Peer {
 public:
  Peer() {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], STDIN_FILENO);
      dup2(out[1], STDOUT_FILENO);
      close(in[0]), close(in[1]), close(out[0]), close(out[1]);
      execl(LINETAP_PEER, LINETAP_PEER, LINETAP_LIBRARY, static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    to_ = fdopen(in[1], "w");
    from_ = fdopen(out[0], "r");
    // The first answer means the library is loaded.
    if (Call("exports") != "10") throw std::runtime_error("LineTap did not load with its ten exports");
  }
  ~Peer() { Stop(); }

  std::string Call(const std::string& command) {
    std::fprintf(to_, "%s\n", command.c_str());
    std::fflush(to_);
    char line[64] = {};
    if (!std::fgets(line, sizeof line, from_)) return "<no answer>";
    std::string answer(line);
    if (!answer.empty() && answer.back() == '\n') answer.pop_back();
    return answer;
  }
  int Int(const std::string& command) { return std::stoi(Call(command)); }

  // Ends the process, as a crash would when `kill` is set.
  void Stop(bool kill = false) {
    if (pid_ <= 0) return;
    if (kill) ::kill(pid_, SIGKILL);
    std::fclose(to_);
    std::fclose(from_);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  FILE* to_ = nullptr;
  FILE* from_ = nullptr;
};

class LineTapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lines_ = root_ / "lines";
    setenv("VIGIL20_SIMLINES", lines_.c_str(), 1);
    SetLines("DSR CTS");
  }
  void TearDown() override { unsetenv("VIGIL20_SIMLINES"); }
  void SetLines(const std::string& names) {
    std::ofstream(lines_ + ".tmp") << names << "\n";
    std::rename((lines_ + ".tmp").c_str(), lines_.c_str());
  }
  static std::vector<int> SlaveReads(Peer& slave) {
    return {slave.Int("serialSlaveGetCts"), slave.Int("serialSlaveGetDsr"), slave.Int("serialSlaveGetRing")};
  }

  TempHostRoot root_;
  std::string lines_;
};

TEST_F(LineTapTest, ExportsTheTenEntryPointsByNameAndNothingElse) {
  Peer peer;  // refuses to start unless all ten are found by name
  EXPECT_EQ(peer.Call("_ZN8platform14OpenSerialPortERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEEPS5_"),
            "missing")
      << "the platform layer inside stays hidden";
}

TEST_F(LineTapTest, SlavesSeeTheMastersLastReadAndNothingBeforeOrAfter) {
  Peer master, slave;
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{-1, -1, -1})) << "before any master";

  ASSERT_EQ(master.Int("serialOpen 2 0"), 1);
  EXPECT_EQ(master.Int("serialSetDtr 0"), 1);
  EXPECT_EQ(master.Int("serialSetRts 1"), 1);
  EXPECT_EQ(ReadWholeFile(lines_ + ".out"), "RTS\n");
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{-1, -1, -1})) << "opening reads nothing";

  EXPECT_EQ(master.Int("serialGetDsr"), 1);
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{1, 1, 0}));

  // The UPS drops DSR (mains failure); the slave sees it after the master's
  // next read of any input, with the CTS of that same read.
  SetLines("CTS RI");
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{1, 1, 0})) << "slaves never touch the port";
  EXPECT_EQ(master.Int("serialGetDsr"), 0);
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{1, 0, 1}));
  EXPECT_EQ(master.Int("serialGetCts"), 1);
  EXPECT_EQ(master.Int("serialGetRing"), 1);

  // A slave that arrives later sees the same record.
  Peer late;
  EXPECT_EQ(SlaveReads(late), (std::vector<int>{1, 0, 1}));

  EXPECT_EQ(master.Int("serialClose"), 1);
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{-1, -1, -1}));
  EXPECT_EQ(SlaveReads(late), (std::vector<int>{-1, -1, -1}));
}

TEST_F(LineTapTest, AFailedReadIsMinusThreeForEveryone) {
  Peer master, slave;
  ASSERT_EQ(master.Int("serialOpen 1 0"), 1);
  ASSERT_EQ(master.Int("serialGetCts"), 1);
  ASSERT_EQ(unlink(lines_.c_str()), 0);  // the cable is pulled out
  EXPECT_EQ(master.Int("serialGetCts"), -3);
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{-3, -3, -3}));
  SetLines("DSR");
  EXPECT_EQ(master.Int("serialGetDsr"), 1);
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{0, 1, 0}));
}

TEST_F(LineTapTest, PortTenAndAbsentOrBusyPortsAreRefused) {
  Peer master, other;
  EXPECT_EQ(master.Int("serialOpen 10 0"), -1);
  EXPECT_EQ(master.Int("serialOpen 0 0"), -1);
  ASSERT_EQ(master.Int("serialOpen 9 1"), 1);
  EXPECT_EQ(other.Int("serialOpen 9 0"), -1) << "the port is held by the first master";
  EXPECT_EQ(other.Int("serialSetDtr 1"), 0) << "no port, no output";
  unlink(lines_.c_str());
  Peer third;
  EXPECT_EQ(third.Int("serialOpen 1 0"), -1) << "no line file: no port";
}

TEST_F(LineTapTest, AMasterThatDiesLeavesItsLastReadUntilNobodyHoldsTheLibrary) {
  Peer slave;
  {
    Peer master;
    ASSERT_EQ(master.Int("serialOpen 2 0"), 1);
    ASSERT_EQ(master.Int("serialGetDsr"), 1);
    master.Stop(/*kill=*/true);
  }
  EXPECT_EQ(SlaveReads(slave), (std::vector<int>{1, 1, 0})) << "kept while the slave holds the library";
  slave.Stop();
  Peer fresh;
  EXPECT_EQ(SlaveReads(fresh), (std::vector<int>{-1, -1, -1})) << "as loaded, once nobody held it";
}

TEST_F(LineTapTest, SeparateHostRootsHaveSeparateRecords) {
  Peer master;
  ASSERT_EQ(master.Int("serialOpen 2 0"), 1);
  ASSERT_EQ(master.Int("serialGetDsr"), 1);
  TempHostRoot other;
  Peer elsewhere;
  EXPECT_EQ(SlaveReads(elsewhere), (std::vector<int>{-1, -1, -1}));
}

}  // namespace
