// The daemon on a serial device (a pty answered by the modem shim, see
// tty_fixture.h): the whole road through the terminal driver's calls, an
// adapter pulled and plugged back, a driver that cannot wait for a change,
// and a monitor that sleeps while nothing happens, on the device and on the
// simulator.
#include <chrono>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <gtest/gtest.h>
#include <thread>

#include "tty_fixture.h"

namespace {

using std::chrono::milliseconds;

// What the tests take for a pulled adapter: the old descriptor fails for
// good, also once a new device is there under the same name, which only a
// new open reaches.
TEST(TheStandInDevice, APulledAdapterHangsItsOldDescriptorUpForGood) {
  char folder[] = "/tmp/vigil-pty-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  std::string link = std::string(folder) + "/usb-Vigil_Teste-if00-port0";
  PtyDevice pty(link);
  int old = open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(old, 0);
  termios settings{};
  EXPECT_EQ(tcgetattr(old, &settings), 0);
  pty.Pull();
  EXPECT_NE(access(link.c_str(), F_OK), 0) << "the device's name goes too";
  pty.Plug();
  errno = 0;
  EXPECT_NE(tcgetattr(old, &settings), 0);
  EXPECT_EQ(errno, EIO);
  int again = open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(again, 0);
  EXPECT_EQ(tcgetattr(again, &settings), 0);
  close(again);
  close(old);
  pty.Pull();
  rmdir(folder);
}

void PrintOnFailure(const Sandbox& box) {
  std::printf("log:\n%s\nrecorded:\n%s\n", LogText(box).c_str(), box.Read("recorded").c_str());
}

TEST(DaemonOnATty, TheWholeRoadThroughTheSerialDevice) {
  TtyStation station;  // COM2, bound at /dev/ttyS1
  const Sandbox& box = station.box();
  box.WriteConf(LocalConf());
  ListenForDatagrams(box);
  ASSERT_EQ(station.Start().status, 0);
  ASSERT_TRUE(WaitUntil([&] { return !Datagrams(box).empty(); }, 3000));
  EXPECT_EQ(Datagrams(box).front().pf, 0);
  // Outputs while watching, set with TIOCMSET: RTS on, DTR off.
  EXPECT_EQ(station.Outputs(), "RTS\n");

  station.Lines("drop DSR");
  ASSERT_TRUE(WaitForLog(box, "--> estacao1: Falta de Rede\n", 3000));
  EXPECT_TRUE(WaitUntil([&] { return Datagrams(box).back().pf == 1; }, 2000));
  station.Lines("raise DSR");
  ASSERT_TRUE(WaitForLog(box, "Retorno da rede\n", 3000));

  station.Lines("drop RI");
  ASSERT_TRUE(WaitForLog(box, "Entrada em Bypass\n", 3000));
  station.Lines("raise RI");
  ASSERT_TRUE(WaitForLog(box, "Saida de Bypass\n", 3000));

  // All three inputs down with bypass signalling: the cable is missing.
  station.Lines("set");
  ASSERT_TRUE(WaitForLog(box, "Problemas na comunicacao. Verifique o cabo serial\n", 3000));
  EXPECT_TRUE(WaitUntil([&] { return Datagrams(box).back().cf == 1; }, 2000));
  station.Lines("set DSR CTS RI");
  ASSERT_TRUE(WaitForLog(box, "Comunicacao Ok\n", 3000));

  station.Lines("drop CTS");
  ASSERT_TRUE(WaitForLog(box, "Desligamento iniciado\n", 3000));
  EXPECT_TRUE(WaitForRecorded(box, "/sbin/poweroff \n")) << box.Read("recorded");
  std::string log = LogText(box);
  EXPECT_LT(log.find("Bateria em nivel critico"), log.find("Desligamento iniciado"));
  EXPECT_EQ(CountOf(log, "Falta de Rede"), 1);

  // The outputs found at start come back on the device at the stop.
  EXPECT_EQ(Vigil(box, "stop").status, 0);
  EXPECT_TRUE(box.WaitDaemonGone(3000));
  EXPECT_EQ(station.Outputs(), "\n");
  if (HasFailure()) PrintOnFailure(box);
}

TEST(DaemonOnATty, AnAdapterPulledAndPluggedBackIsACommunicationFailureThatEnds) {
  // A USB adapter named by its stable link, with its DTR raised on every open.
  const std::string device = "/usr/local/serial/by-id/usb-Vigil_Teste_0001-if00-port0";
  TtyStation station(device);
  const Sandbox& box = station.box();
  box.WriteConf(LocalConf(
      {{1, "Autonomia em minutos = 30"}, {3, "Desligar no fim = nao"}, {8, "Porta serial (COM1 a COM8) = " + device}}));
  ListenForDatagrams(box);
  ASSERT_EQ(station.Start().status, 0);
  station.Lines("drop DSR");
  ASSERT_TRUE(WaitForLog(box, "Falta de Rede\n", 3000));
  ASSERT_TRUE(WaitUntil([&] { return Peek(box).dt >= 1; }, 3000)) << "the countdown did not start";

  station.Pull();
  ASSERT_TRUE(WaitForLog(box, "Problemas na comunicacao. Verifique o cabo serial\n", 3000));
  EXPECT_TRUE(WaitUntil([&] { return Datagrams(box).back().cf == 1; }, 2000));
  // Several attempts to open the device again fail meanwhile.
  std::this_thread::sleep_for(milliseconds(2500));
  Block away = Peek(box);
  EXPECT_EQ(away.pf, 1) << "the last state of the lines stands";
  EXPECT_GE(away.dt, 3) << "the autonomy goes on counting";

  station.Plug("CTS RI");
  ASSERT_TRUE(WaitForLog(box, "Comunicacao Ok\n", 4000));
  // The new device's outputs are set again: RTS on, DTR off.
  EXPECT_TRUE(WaitUntil([&] { return station.Outputs() == "RTS\n"; }, 2000)) << station.Outputs();
  std::this_thread::sleep_for(milliseconds(600));
  Block back = Peek(box);
  EXPECT_GE(back.dt, away.dt) << "the same discharge, not a new one";
  EXPECT_EQ(back.base, 1800);

  station.Lines("raise DSR");
  ASSERT_TRUE(WaitForLog(box, "Retorno da rede\n", 3000));
  std::string log = LogText(box);
  // Told once each way; never a mains failure or return of its own.
  EXPECT_EQ(CountOf(log, "Problemas na comunicacao"), 1) << log;
  EXPECT_EQ(CountOf(log, "Comunicacao Ok"), 1) << log;
  EXPECT_EQ(CountOf(log, "Falta de Rede"), 1) << log;
  EXPECT_EQ(CountOf(log, "Retorno da rede"), 1) << log;
  EXPECT_LT(log.find("Comunicacao Ok"), log.find("Retorno da rede"));
  EXPECT_EQ(Vigil(box, "stop").status, 0);
  if (HasFailure()) PrintOnFailure(box);
}

TEST(DaemonOnATty, AnAdapterMissingAtStartRefusesTheStartAsBefore) {
  const std::string device = "/usr/local/serial/by-id/usb-Vigil_Teste_0002-if00-port0";
  TtyStation station(device);
  station.Pull();
  station.box().WriteConf(LocalConf({{8, "Porta serial (COM1 a COM8) = " + device}}));
  EXPECT_EQ(station.Start().status, 1);
  EXPECT_TRUE(station.box().WaitDaemonGone(3000));
  EXPECT_FALSE(IpcObjectsPresent(station.box()));
}

TEST(DaemonOnATty, ADriverWithoutTheWaitIsReadTenTimesASecondAndSaysSoOnce) {
  TtyStation station;
  const Sandbox& box = station.box();
  box.WriteConf(LocalConf());
  ASSERT_EQ(station.Start("VIGIL_SHIM_NO_WAIT=1").status, 0);
  const std::string told = "A porta serial nao avisa as mudancas das linhas; elas serao lidas 10 vezes por segundo\n";
  ASSERT_TRUE(WaitForLog(box, told, 3000));
  // The filter's timings as ever: a glitch of one or two reads is nothing.
  station.Lines("drop DSR");
  std::this_thread::sleep_for(milliseconds(130));
  station.Lines("raise DSR");
  std::this_thread::sleep_for(milliseconds(1000));
  station.Lines("drop DSR");
  ASSERT_TRUE(WaitForLog(box, "Falta de Rede\n", 3000));
  std::string log = LogText(box);
  EXPECT_EQ(CountOf(log, told), 1);
  EXPECT_EQ(CountOf(log, "Falta de Rede"), 1) << log;
  pid_t main = box.DaemonMain();
  long before = Wakeups(main);
  std::this_thread::sleep_for(milliseconds(1000));
  EXPECT_GE(Wakeups(main) - before, 5) << "it reads the lines every 100 ms";
  EXPECT_EQ(Vigil(box, "stop").status, 0);
}

// Idle on mains, the monitor sleeps until the next broadcast (every 5 s):
// far fewer wake-ups than the ten a second of reading the lines.
void ExpectQuiet(const Sandbox& box) {
  pid_t main = box.DaemonMain();
  ASSERT_NE(main, 0);
  // Past the first broadcasts and the worker's first pause.
  std::this_thread::sleep_for(milliseconds(1500));
  long before = Wakeups(main);
  auto started = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(milliseconds(6000));
  long woke = Wakeups(main) - before;
  long seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started).count();
  EXPECT_LE(woke, seconds + 2) << woke << " wake-ups in " << seconds << " s";
  // Still awake to a change.
}

TEST(DaemonOnATty, IdleOnMainsItWaitsForAChangeAndStillSeesItAtOnce) {
  TtyStation station;
  const Sandbox& box = station.box();
  box.WriteConf(LocalConf());
  ListenForDatagrams(box);
  ASSERT_EQ(station.Start().status, 0);
  ExpectQuiet(box);
  station.Lines("drop DSR");
  ASSERT_TRUE(WaitForLog(box, "Falta de Rede\n", 2000));
  // A stop ends the wait at once.
  auto asked = std::chrono::steady_clock::now();
  EXPECT_EQ(Vigil(box, "stop").status, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(3));
}

TEST(DaemonOnTheSimulator, IdleOnMainsItWaitsForAChangeAndStillSeesItAtOnce) {
  Sandbox box;
  box.WriteConf(LocalConf());
  Lines(box, "set DSR CTS RI");
  ListenForDatagrams(box);
  ASSERT_EQ(StartDaemon(box).status, 0);
  ExpectQuiet(box);
  // Written the way the tools write it (a rename over the file), and in place.
  Lines(box, "drop DSR");
  ASSERT_TRUE(WaitForLog(box, "Falta de Rede\n", 2000));
  box.Run("echo DSR CTS RI > /usr/local/lines");
  ASSERT_TRUE(WaitForLog(box, "Retorno da rede\n", 2000));
  // A termination signal ends the wait too.
  pid_t main = box.DaemonMain();
  kill(main, SIGTERM);
  EXPECT_TRUE(WaitUntil([&] { return box.DaemonWorker() == 0; }, 3000));
  EXPECT_EQ(Vigil(box, "stop").status, 0);
}

TEST(DaemonOnTheSimulator, APortLineThatNamesNoPortIsToldInTheLog) {
  Sandbox box;
  box.WriteConf(LocalConf({{8, "Porta serial (COM1 a COM8) = ttyUSB0"}}));
  Lines(box, "set DSR CTS RI");
  ASSERT_EQ(StartDaemon(box).status, 0);
  EXPECT_TRUE(WaitForLog(box,
                         "--> estacao1: Porta serial nao reconhecida na configuracao (use COM1 a COM8 ou o caminho do "
                         "dispositivo); usando /dev/ttyS1\n",
                         3000))
      << LogText(box);
  EXPECT_EQ(Vigil(box, "stop").status, 0);
}

}  // namespace
