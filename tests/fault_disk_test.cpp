// A full disk: the programs' files on a small tmpfs that a filler takes up.
// Every program keeps running; what was written stays whole; writing
// resumes once the filler is gone.
#include <gtest/gtest.h>
#include <thread>

#include "alerter_fixture.h"
#include "daemon_fixture.h"
#include "lan_fixture.h"
#include "linux/log_file.h"

namespace {

// Fills the file system of `folder` inside `box` to its last byte.
void FillDisk(const Sandbox& box, const std::string& folder) {
  box.Run("dd if=/dev/zero of=" + folder + "/filler bs=1k >/dev/null 2>&1; "
          "dd if=/dev/zero of=" + folder + "/filler2 bs=1 >/dev/null 2>&1; true", 30000);
  ASSERT_NE(box.Run("echo x > " + folder + "/probe").status, 0) << "the disk is not full";
}

void FreeDisk(const Sandbox& box, const std::string& folder) {
  ASSERT_EQ(box.Run("rm -f " + folder + "/filler " + folder + "/filler2 " + folder + "/probe").status, 0);
}

// A file of the sandbox's own mounts, copied where the test can read it.
std::string ReadInside(const Sandbox& box, const std::string& path) {
  box.Run("cp '" + path + "' /usr/local/copy 2>/dev/null || : > /usr/local/copy");
  return box.Read("copy");
}

TEST(FullDisk, TheDaemonKeepsRunningKeepsItsLogAndLogsAgainWithSpace) {
  Sandbox box;
  box.WriteConf(LocalConf({{15, "Filtro de estabilidade (sim/naom) = nao"}}));
  ASSERT_EQ(box.Run("cp vigil20/vigil20.conf conf && mount -t tmpfs -o size=64k tmpfs vigil20 && "
                    "cp conf vigil20/vigil20.conf").status, 0);
  Lines(box, "set DSR CTS RI");
  ASSERT_EQ(StartDaemon(box).status, 0);
  Lines(box, "drop DSR");
  ASSERT_TRUE(WaitForLog(box, "Falta de Rede\n", 3000));
  Lines(box, "raise DSR");
  ASSERT_TRUE(WaitForLog(box, "Retorno da rede\n", 3000));
  std::string before = ReadInside(box, "/usr/local/vigil20/vigil20.log");

  FillDisk(box, "/usr/local/vigil20");
  for (int i = 0; i < 3; ++i) {
    Lines(box, "drop DSR");
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    Lines(box, "raise DSR");
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
  }
  EXPECT_NE(box.DaemonMain(), 0);
  EXPECT_NE(box.DaemonWorker(), 0);
  std::string full = ReadInside(box, "/usr/local/vigil20/vigil20.log");
  EXPECT_EQ(full.size() % kRecordSize, 0u);
  EXPECT_EQ(full.compare(0, before.size(), before), 0) << "records lost on the full disk";
  CommandResult shown = Vigil(box, "log");
  EXPECT_EQ(shown.status, 0) << shown.err;

  FreeDisk(box, "/usr/local/vigil20");
  int failures = CountOf(LogText(box), "Falta de Rede");
  Lines(box, "drop DSR");
  EXPECT_TRUE(WaitForLog(box, "Falta de Rede\n", 3000, failures + 1)) << LogText(box);
  std::string after = ReadInside(box, "/usr/local/vigil20/vigil20.log");
  EXPECT_EQ(after.size() % kRecordSize, 0u);
  EXPECT_EQ(after.compare(0, before.size(), before), 0);
  EXPECT_EQ(Vigil(box, "stop").status, 0);
}

TEST(FullDisk, AlerterKeepsRunningKeepsItsEventsAndSettingsAndWritesAgainWithSpace) {
  Sandbox box;
  ASSERT_EQ(box.Run("mkdir -p root && mount -t tmpfs -o size=256k tmpfs root").status, 0);
  AlerterLines(box, "set DSR CTS RI");
  AlerterSetting(box, "ComPort", 1);
  AlerterSetting(box, "Interval", 100);
  AlerterSetting(box, "Signal Filter", 0);
  box.Run("VIGIL20_HOST_ROOT=/usr/local/root VIGIL20_SIMLINES=/usr/local/alines VIGIL20_POWEROFF=/usr/local/sbin/poweroff " ALERTER_BIN
          " -normal > /usr/local/alerter.log 2>&1 & echo $! > /usr/local/alerter.pid");
  auto running = [&] { return box.Run("kill -0 $(cat /usr/local/alerter.pid)").status == 0; };
  auto events = [&] {
    std::string bytes = ReadInside(box, "/usr/local/root/windows/EvtVigil20.dat");
    box.Write("events", bytes);
    return EventCodes(box.Path("events"));
  };
  AlerterLines(box, "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return !events().empty() && events().back() == 1; }, 10000)) << box.Read("alerter.log");
  AlerterLines(box, "raise DSR");
  ASSERT_TRUE(WaitUntil([&] { return events().back() == 2; }, 5000));
  std::vector<int32_t> before = events();
  ASSERT_TRUE(running());

  FillDisk(box, "/usr/local/root");
  for (int i = 0; i < 3; ++i) {
    AlerterLines(box, "drop DSR");
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    AlerterLines(box, "raise DSR");
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
  }
  CommandResult refused = box.Run("VIGIL20_HOST_ROOT=/usr/local/root " VIGIL_REG_BIN
                                  " add 'HKLM\\Software\\Tessaly\\Vigil 2.0' /v Cheio /t REG_DWORD /d 1 /f");
  EXPECT_NE(refused.status, 0) << "a setting written on a full disk";
  EXPECT_TRUE(running()) << box.Read("alerter.log");
  std::vector<int32_t> full = events();
  ASSERT_GE(full.size(), before.size());
  EXPECT_TRUE(std::equal(before.begin(), before.end(), full.begin())) << "events lost on the full disk";
  CommandResult settings = box.Run("VIGIL20_HOST_ROOT=/usr/local/root " VIGIL_REG_BIN
                                   " query 'HKLM\\Software\\Tessaly\\Vigil 2.0'");
  EXPECT_NE(settings.out.find("Interval    REG_DWORD    0x64"), std::string::npos) << settings.out;

  FreeDisk(box, "/usr/local/root");
  AlerterLines(box, "drop DSR");
  ASSERT_TRUE(WaitUntil([&] { return events().size() > full.size() && events().back() == 1; }, 5000))
      << box.Read("alerter.log");
  std::vector<int32_t> after = events();
  EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin()));
  for (int32_t code : after) EXPECT_TRUE(code == 1 || code == 2 || code == 10 || code == 11) << code;
  EXPECT_EQ(ReadInside(box, "/usr/local/root/windows/EvtVigil20.dat").size() % 28, 0u);
  CommandResult written = box.Run("VIGIL20_HOST_ROOT=/usr/local/root " VIGIL_REG_BIN
                                  " add 'HKLM\\Software\\Tessaly\\Vigil 2.0' /v Cheio /t REG_DWORD /d 1 /f");
  EXPECT_EQ(written.status, 0) << written.err;
  EXPECT_TRUE(running());
}

}  // namespace
