// The daemon when what surrounds it fails: a console that takes no output, a
// read-only or full disk, a log that is not a file, a shutdown command that
// hangs, a daemon that crashed before it. Each time the computer must still
// be protected.
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "daemon_fixture.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

void PrintOnFailure(const Sandbox& box) {
  if (!::testing::Test::HasFailure()) return;
  std::printf("log:\n%s\nconsole:\n%s\nrecorded:\n%s\n", LogText(box).c_str(), box.Read("console").c_str(),
              box.Read("recorded").c_str());
}

// A pseudo-terminal whose output is stopped, as by XOFF (Ctrl-S) or a serial
// console with flow control and nobody attached: every write to it blocks.
class StoppedTerminal {
 public:
  StoppedTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) throw std::runtime_error("no pty");
    path_ = ptsname(master_);
    slave_ = open(path_.c_str(), O_RDWR | O_NOCTTY);
    struct termios raw;
    if (slave_ < 0 || tcgetattr(slave_, &raw) != 0) throw std::runtime_error("no pty slave");
    cfmakeraw(&raw);
    if (tcsetattr(slave_, TCSANOW, &raw) != 0 || tcflow(slave_, TCOOFF) != 0)
      throw std::runtime_error("cannot stop the pty");
  }
  ~StoppedTerminal() {
    close(slave_);
    close(master_);
  }
  const std::string& path() const { return path_; }

  // Lets the output go, and returns what reaches the terminal's other side.
  std::string Resume() {
    tcflow(slave_, TCOON);
    std::this_thread::sleep_for(milliseconds(200));
    std::string seen;
    fcntl(master_, F_SETFL, O_NONBLOCK);
    char buf[4096];
    ssize_t n;
    while ((n = read(master_, buf, sizeof buf)) > 0) seen.append(buf, static_cast<size_t>(n));
    return seen;
  }

 private:
  int master_ = -1, slave_ = -1;
  std::string path_;
};

TEST(DaemonSurroundingsTest, AStoppedConsoleNeverHoldsTheShutdownUp) {
  StoppedTerminal console;
  Sandbox::Options options;
  options.console_device = console.path();
  Sandbox box(options);
  // Console lines on; the countdown writes to the console too.
  box.WriteConf(LocalConf());
  Lines(box, "set DSR CTS RI");
  ASSERT_EQ(StartDaemon(box).status, 0);

  Lines(box, "drop DSR");
  ASSERT_TRUE(WaitForLog(box, "--> estacao1: Falta de Rede\n", 3000));
  ASSERT_TRUE(WaitUntil([&] { return Peek(box).dt >= 2; }, 4000)) << "the countdown stands still";
  Lines(box, "drop CTS");
  ASSERT_TRUE(WaitForLog(box, "--> estacao1: Desligamento iniciado\n", 3000));
  EXPECT_TRUE(WaitUntil([&] { return box.Read("recorded") == "/sbin/poweroff \n"; }, 3000));
  CommandResult stop = Vigil(box, "stop");
  EXPECT_FALSE(stop.timed_out);
  EXPECT_EQ(stop.status, 0);
  // Nothing was queued behind the stopped output, not even part of a line.
  EXPECT_EQ(console.Resume(), "");
  PrintOnFailure(box);
}

TEST(DaemonSurroundingsTest, AReadOnlyDirectoryStillGivesItsConfiguration) {
  Sandbox box;
  box.WriteConf(LocalConf());
  Lines(box, "set DSR CTS RI");
  ASSERT_EQ(box.Run("mount --bind vigil20 vigil20 && mount -o remount,ro,bind vigil20").status, 0);
  ASSERT_NE(box.Run("touch vigil20/x").status, 0) << "the folder is not read-only";

  ASSERT_EQ(StartDaemon(box).status, 0);
  Lines(box, "drop CTS");
  // The log cannot be written; the console still says it, and the computer
  // is still switched off.
  ASSERT_TRUE(WaitUntil([&] { return box.Read("console").find("--> estacao1: Desligamento iniciado\n") !=
                                     std::string::npos; },
                        3000));
  EXPECT_TRUE(WaitUntil([&] { return box.Read("recorded") == "/sbin/poweroff \n"; }, 3000));
  EXPECT_EQ(Vigil(box, "stop").status, 0);
  CommandResult log = Vigil(box, "log");
  EXPECT_EQ(log.status, 1);
  EXPECT_EQ(log.err.rfind("Erro ao abrir o aquivo de log...: ", 0), 0u) << log.err;
  PrintOnFailure(box);
}

TEST(DaemonSurroundingsTest, AFullDiskLeavesNoTornRecordAndStillShutsDown) {
  Sandbox box;
  // No filter and no tones: every change of the lines is logged at once. The
  // small disk exists only inside the sandbox, so the file is copied there.
  box.WriteConf(LocalConf({{5, "Avisos sonoros (sim/nao) = nao"}, {15, "Filtro (sim/naom) = naom"}}));
  ASSERT_EQ(box.Run("cp vigil20/vigil20.conf conf && mount -t tmpfs -o size=64k vigil-full vigil20 && "
                    "cp conf vigil20/vigil20.conf")
                .status,
            0);
  Lines(box, "set DSR CTS RI");
  ASSERT_EQ(StartDaemon(box).status, 0);
  Lines(box, "drop DSR");
  ASSERT_TRUE(WaitForLog(box, "Falta de Rede\n", 3000));
  box.Run("dd if=/dev/zero of=vigil20/filler bs=1k count=1000 2>/dev/null");
  ASSERT_NE(box.Run("echo x >> vigil20/filler").status, 0) << "the disk is not full";

  // More records than the log's last page can take.
  for (int i = 0; i < 12; ++i) {
    Lines(box, "raise DSR");
    std::this_thread::sleep_for(milliseconds(250));
    Lines(box, "drop DSR");
    std::this_thread::sleep_for(milliseconds(250));
  }
  Lines(box, "drop CTS");
  ASSERT_TRUE(WaitUntil([&] { return box.Read("recorded") == "/sbin/poweroff \n"; }, 3000));
  EXPECT_NE(box.Read("console").find("--> estacao1: Bateria em nivel critico\n"), std::string::npos);
  long size = std::atol(box.Run("stat -c %s vigil20/vigil20.log").out.c_str());
  EXPECT_EQ(size % 255, 0) << "a torn record";
  EXPECT_LT(size / 255, 26) << "the disk was never full";
  std::string log = LogText(box);
  EXPECT_EQ(CountOf(log, "\n"), size / 255);
  EXPECT_EQ(log.find("--> estacao1: Falta de Rede\n"), 25u);
  EXPECT_EQ(Vigil(box, "stop").status, 0);
  PrintOnFailure(box);
}

TEST(DaemonSurroundingsTest, LogCommandOnAFolderFailsWithItsMessage) {
  Sandbox box;
  ASSERT_EQ(box.Run("mkdir -p vigil20/vigil20.log").status, 0);
  CommandResult log = Vigil(box, "log");
  EXPECT_EQ(log.status, 1);
  EXPECT_EQ(log.out, "");
  EXPECT_EQ(log.err, "Erro ao abrir o aquivo de log...: Is a directory\n");
}

TEST(DaemonSurroundingsTest, AStartAfterACrashClearsWhatTheCrashLeft) {
  Sandbox box;
  box.WriteConf(LocalConf());
  Lines(box, "set DSR CTS RI");
  ASSERT_EQ(StartDaemon(box).status, 0);
  pid_t crashed = box.DaemonMain();
  ASSERT_GT(crashed, 0);
  kill(crashed, SIGKILL);
  ASSERT_TRUE(box.WaitDaemonGone(3000));
  ASSERT_TRUE(IpcObjectsPresent(box));

  ASSERT_EQ(StartDaemon(box).status, 0);
  EXPECT_NE(box.DaemonMain(), 0);
  Lines(box, "drop DSR");
  EXPECT_TRUE(WaitForLog(box, "--> estacao1: Falta de Rede\n", 3000));
  // A live daemon's block is not taken for a crashed one's.
  EXPECT_EQ(StartDaemon(box).status, 1);
  EXPECT_EQ(Vigil(box, "stop").status, 0);
  EXPECT_FALSE(IpcObjectsPresent(box));
  PrintOnFailure(box);
}

// Two minutes of a command that never ends, then the power-off all the same.
TEST(DaemonSurroundingsTest, AHangingShutdownCommandIsGivenTwoMinutes) {
  Sandbox box;
  box.Write("antes", "#!/bin/sh\necho started >> /usr/local/antes.ran\nexec sleep 100000\n");
  chmod(box.Path("antes").c_str(), 0755);
  box.WriteConf(LocalConf({{16, "Executar comando (sim/nao) = sim"}, {17, "Comando = /usr/local/antes"}}));
  Lines(box, "set DSR CTS RI");
  ASSERT_EQ(StartDaemon(box).status, 0);
  Lines(box, "drop CTS");
  ASSERT_TRUE(WaitForLog(box, "Desligamento iniciado\n", 3000));
  auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(WaitUntil([&] { return box.Read("antes.ran") == "started\n"; }, 3000));
  std::this_thread::sleep_for(seconds(100));
  EXPECT_EQ(box.Read("recorded"), "") << "the command's two minutes were cut short";
  ASSERT_TRUE(WaitUntil([&] { return box.Read("recorded") == "/sbin/poweroff \n"; }, 40000));
  auto waited = std::chrono::duration_cast<seconds>(std::chrono::steady_clock::now() - started).count();
  EXPECT_GE(waited, 115);
  // The command was ended, not left behind.
  EXPECT_NE(box.Run("pgrep -x sleep").status, 0);
  EXPECT_EQ(Vigil(box, "stop").status, 0);
  PrintOnFailure(box);
}

}  // namespace
