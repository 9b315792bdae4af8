// The daemon on a USB UPS of the HID Power Device class (usb_fixture.h):
// each form of name, the road to the recorded power-off, a UPS that only
// answers feature reports, the unplug, the autonomy from the UPS's own
// estimate and the start that finds nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "usb_fixture.h"

namespace {

void PrintOnFailure(const Sandbox& box) {
  std::printf("log:\n%s\nrecorded:\n%s\n", LogText(box).c_str(), box.Read("recorded").c_str());
}

class EachName : public testing::TestWithParam<const char*> {};

TEST_P(EachName, DrivesMainsFailureReturnAndTheShutdownOfACriticalBattery) {
  UsbStation station(Bytes(kInputReportUps), kMakerUps);
  const Sandbox& box = station.box();
  station.ups().SetFeature({0x04, 0x60, 0x09});  // the battery at 24 V
  station.ups().Plug(2);
  box.WriteConf(LocalConf({{8, std::string("Porta serial (COM1 a COM8) = ") + GetParam()}}));
  ListenForDatagrams(box);
  ASSERT_EQ(station.Start().status, 0) << LogText(box);
  std::string log = LogText(box);
  EXPECT_NE(log.find("Nobreak USB \"" + std::string(GetParam()) + "\": /dev/hidraw2, 051D:0002 \"Maker UPS\" serie \"AS1\""),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("ttyS"), std::string::npos) << "no serial port is ever named";

  ASSERT_TRUE(station.Send(kOnMains));
  ASSERT_TRUE(station.Send(kOnBattery));
  ASSERT_TRUE(WaitForLog(box, "--> estacao1: Falta de Rede\n", 3000)) << LogText(box);
  EXPECT_TRUE(WaitUntil([&] { return !Datagrams(box).empty() && Datagrams(box).back().pf == 1; }, 3000));
  ASSERT_TRUE(station.Send(kOnMains));
  ASSERT_TRUE(WaitForLog(box, "Retorno da rede\n", 3000)) << LogText(box);

  ASSERT_TRUE(station.Send(kOnBattery));
  ASSERT_TRUE(WaitForLog(box, "Falta de Rede\n", 3000, 2));
  ASSERT_TRUE(station.Send(kOnBatteryLow));
  ASSERT_TRUE(WaitForLog(box, "Bateria em nivel critico\n", 3000)) << LogText(box);
  EXPECT_TRUE(WaitForRecorded(box, "/sbin/poweroff \n")) << box.Read("recorded");
  log = LogText(box);
  EXPECT_LT(log.find("Bateria em nivel critico"), log.find("Desligamento iniciado"));
  EXPECT_EQ(CountOf(log, "Problemas na comunicacao"), 0);
  if (HasFailure()) PrintOnFailure(box);
}

INSTANTIATE_TEST_SUITE_P(DaemonOnAUsbUps, EachName,
                         testing::Values("usb", "usb:051D:0002", "usb:51d:2:AS1", "/dev/hidraw2"));

// "On line" and "discharging" at once is no mains failure; a flag that
// flickers (mains, then low battery) shorter than the stability filter's
// three passes of 100 ms is not announced (judged only when the machine
// let the test keep each flicker short enough).
TEST(DaemonOnAUsbUps, ACalibratingUpsAndAFlickerRaiseNoMainsFailure) {
  UsbStation station(Bytes(kInputReportUps), kMakerUps);
  const Sandbox& box = station.box();
  station.ups().Plug(2);
  box.WriteConf(LocalConf({{8, "Porta serial (COM1 a COM8) = usb"}}));
  ASSERT_EQ(station.Start().status, 0) << LogText(box);
  ASSERT_TRUE(station.Send({0x01, 0b01001}));  // ACPresent and Discharging
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  EXPECT_EQ(CountOf(LogText(box), "Falta de Rede"), 0) << LogText(box);
  EXPECT_EQ(Peek(box).pf, 0);

  // Five times `flag` for 40 ms and back to `steady`, then time to settle;
  // false when the machine let a flicker last longer than the filter.
  auto flicker = [&](const std::vector<uint8_t>& flag, const std::vector<uint8_t>& steady) {
    bool short_enough = true;
    for (int i = 0; i < 5; ++i) {
      auto raised = std::chrono::steady_clock::now();
      EXPECT_TRUE(station.Send(flag));
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
      EXPECT_TRUE(station.Send(steady));
      if (std::chrono::steady_clock::now() - raised > std::chrono::milliseconds(150)) short_enough = false;
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    return short_enough;
  };
  if (flicker(kOnBattery, kOnMains)) {
    EXPECT_EQ(CountOf(LogText(box), "Falta de Rede"), 0) << LogText(box);
  }
  EXPECT_EQ(Peek(box).pf, 0);
  // A failure that lasts is still seen.
  ASSERT_TRUE(station.Send(kOnBattery));
  EXPECT_TRUE(WaitForLog(box, "Falta de Rede\n", 3000)) << LogText(box);
  // On battery, a low-battery flag that flickers is no critical battery.
  if (flicker(kOnBatteryLow, kOnBattery)) {
    EXPECT_EQ(CountOf(LogText(box), "Bateria em nivel critico"), 0) << LogText(box);
  }
  ASSERT_TRUE(station.Send({0x01, 0b01001}));
  ASSERT_TRUE(WaitForLog(box, "Retorno da rede\n", 3000)) << LogText(box);
  // The safe reading is said once, however often the UPS calibrates; and
  // the feature report this UPS never answers (the test set none) once.
  std::string log = LogText(box);
  EXPECT_EQ(CountOf(log, "descarregando ao mesmo tempo (calibracao?): lido como na rede\n"), 1) << log;
  EXPECT_EQ(CountOf(log, "Nobreak USB nao responde ao relatorio de recurso 4: ele nao sera mais pedido\n"), 1) << log;
}

// A UPS whose descriptor and values are wrong as some in the field are:
// what was mended is said once each, and its figures come out right.
TEST(DaemonOnAUsbUps, AFaultyUpsIsReadRightAndItsFaultsToldOnce) {
  UsbStation station(Bytes(kFaultyUps), {3, 0x0665, 0x5161, "Faulty UPS", ""});
  const Sandbox& box = station.box();
  station.ups().Plug(0);
  box.WriteConf(LocalConf({{8, "Porta serial (COM1 a COM8) = usb"}}));
  ASSERT_EQ(station.Start().status, 0) << LogText(box);
  // On line, 90 % on a charge field whose maximum reads -1, 600 s, the
  // input's 230 V sent as volts under a centivolt exponent, the battery's
  // 12.0 V sent as decivolts.
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(station.Send({0b001, 90, 0x58, 0x02, 0xE6, 0x00, 0x78}));
  const std::string figures = "vigil20/vigil20.ups";
  // Changed figures are written at most every 2 s after the first file.
  std::string written;
  ASSERT_TRUE(WaitUntil([&] {
    written = box.Exists(figures) ? box.Read(figures) : "";
    return written.find("charge_percent") != std::string::npos;
  }, 5000)) << written << LogText(box);
  EXPECT_NE(written.find("charge_percent=90.0\n"), std::string::npos) << written;
  EXPECT_NE(written.find("input_voltage_v=230.0\n"), std::string::npos) << written;
  EXPECT_NE(written.find("battery_voltage_v=12.0\n"), std::string::npos) << written;
  std::string log = LogText(box);
  EXPECT_EQ(CountOf(log, "com minimo acima do maximo: o maximo foi lido sem sinal\n"), 1) << log;
  EXPECT_EQ(CountOf(log, "tensao fora de escala: corrigida por uma potencia de dez\n"), 1) << log;
  EXPECT_EQ(CountOf(log, "Falta de Rede"), 0) << log;
}

// Idle on mains, the monitor sleeps in poll() until a report comes or the
// next thing falls due (the broadcast every 5 s, the feature poll every
// 10 s): about a wake-up a second at most, and a report still seen at once.
TEST(DaemonOnAUsbUps, IdleOnMainsItSleepsUntilAReportComes) {
  UsbStation station(Bytes(kInputReportUps), kMakerUps);
  const Sandbox& box = station.box();
  station.ups().Plug(2);
  box.WriteConf(LocalConf({{8, "Porta serial (COM1 a COM8) = usb"}}));
  ASSERT_EQ(station.Start().status, 0) << LogText(box);
  ASSERT_TRUE(station.Send(kOnMains));
  pid_t main = box.DaemonMain();
  ASSERT_NE(main, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  long before = Wakeups(main);
  auto started = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(6000));
  long woke = Wakeups(main) - before;
  long seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started).count();
  EXPECT_LE(woke, seconds + 2) << woke << " wake-ups in " << seconds << " s";
  ASSERT_TRUE(station.Send(kOnBattery));
  EXPECT_TRUE(WaitForLog(box, "Falta de Rede\n", 1500)) << LogText(box);
}

// A UPS that sends nothing by itself: its feature reports are asked for,
// and a discharge seen in them is the mains failure.
TEST(DaemonOnAUsbUps, AUpsThatOnlyAnswersFeatureReports) {
  UsbStation station(Bytes(kFeatureOnlyUps), {3, 0x0463, 0xFFFF, "Polled UPS", ""});
  const Sandbox& box = station.box();
  station.ups().SetFeature({0x10, 0b01});          // charging
  station.ups().SetFeature({0x11, 100, 60, 100});  // 100 %, 600 s, 39 %
  station.ups().SetFeature({0x12, 0x98, 0x08});    // 220.0 V
  station.ups().Plug(1);
  box.WriteConf(LocalConf({{8, "Porta serial (COM1 a COM8) = usb:0463:FFFF"}}));
  ASSERT_EQ(station.Start().status, 0) << LogText(box);
  EXPECT_TRUE(WaitUntil([&] { return Peek(box).left == 600; }, 3000)) << "the UPS's estimate, asked for at start";

  station.ups().SetFeature({0x10, 0b10});  // discharging
  ASSERT_TRUE(WaitForLog(box, "Falta de Rede\n", 4000)) << LogText(box);
  station.ups().SetFeature({0x10, 0b01});
  ASSERT_TRUE(WaitForLog(box, "Retorno da rede\n", 4000)) << LogText(box);
  EXPECT_EQ(CountOf(LogText(box), "Problemas na comunicacao"), 0);
}

// Unplugged on battery: one communication failure, the mains failure and
// the count on battery kept; found again under another node by identity.
TEST(DaemonOnAUsbUps, UnpluggedAndFoundAgainUnderAnotherNode) {
  UsbStation station(Bytes(kInputReportUps), kMakerUps);
  const Sandbox& box = station.box();
  station.ups().Plug(2);
  box.WriteConf(LocalConf({{8, "Porta serial (COM1 a COM8) = usb:051D:0002"}}));
  ASSERT_EQ(station.Start().status, 0) << LogText(box);
  ASSERT_TRUE(station.Send(kOnBattery));
  ASSERT_TRUE(WaitForLog(box, "Falta de Rede\n", 3000)) << LogText(box);

  station.ups().Unplug();
  ASSERT_TRUE(WaitForLog(box, "Problemas na comunicacao. Verifique o cabo serial\n", 3000)) << LogText(box);
  int on_battery = Peek(box).dt;
  // Several searches fail meanwhile: still told once.
  ASSERT_TRUE(WaitUntil([&] { return Peek(box).dt >= on_battery + 2; }, 4000)) << "the count on battery goes on";
  Block b = Peek(box);
  EXPECT_EQ(b.pf, 1);
  EXPECT_EQ(b.cf, 1);

  station.ups().Plug(5);
  ASSERT_TRUE(WaitForLog(box, "Nobreak USB encontrado de novo em /dev/hidraw5\n", 3000)) << LogText(box);
  ASSERT_TRUE(WaitForLog(box, "Comunicacao Ok\n", 3000)) << LogText(box);
  ASSERT_TRUE(station.Send(kOnMains));
  ASSERT_TRUE(WaitForLog(box, "Retorno da rede\n", 3000)) << LogText(box);
  std::string log = LogText(box);
  EXPECT_EQ(CountOf(log, "Problemas na comunicacao"), 1) << log;
  EXPECT_EQ(CountOf(log, "Falta de Rede"), 1) << log;
}

// The autonomy left is the UPS's own estimate, and its end comes when the
// estimate falls to the minute kept for the shutdown.
TEST(DaemonOnAUsbUps, TheEndOfTheAutonomyFollowsRunTimeToEmpty) {
  UsbStation station(Bytes(kInputReportUps), kMakerUps);
  const Sandbox& box = station.box();
  station.ups().Plug(2);
  box.WriteConf(LocalConf({{4, "Desligar com bateria em nivel critico (sim/nao) = nao"},
                           {8, "Porta serial (COM1 a COM8) = usb"}}));
  ASSERT_EQ(station.Start().status, 0) << LogText(box);
  ASSERT_TRUE(station.Send(Runtime(1500)));
  EXPECT_TRUE(WaitUntil([&] { return Peek(box).left == 1500; }, 3000));
  EXPECT_EQ(Peek(box).total, 1500);
  ASSERT_TRUE(station.Send(kOnBattery));
  ASSERT_TRUE(WaitForLog(box, "Falta de Rede\n", 3000)) << LogText(box);
  ASSERT_TRUE(station.Send(Runtime(300)));
  EXPECT_TRUE(WaitUntil([&] { return Peek(box).left == 300; }, 3000));
  EXPECT_EQ(LogText(box).find("Termino da autonomia prevista"), std::string::npos);
  // Unplugged, its last estimate runs down a second per second; found
  // again, the UPS's own figure replaces it.
  station.ups().Unplug();
  EXPECT_TRUE(WaitUntil([&] { return Peek(box).left <= 298; }, 4000)) << Peek(box).left;
  EXPECT_GT(Peek(box).left, 280);
  station.ups().Plug(3);
  ASSERT_TRUE(WaitForLog(box, "Comunicacao Ok\n", 3000)) << LogText(box);
  EXPECT_TRUE(WaitUntil([&] { return Peek(box).left == 300; }, 3000)) << Peek(box).left;
  ASSERT_TRUE(station.Send(Runtime(55)));
  ASSERT_TRUE(WaitForLog(box, "Termino da autonomia prevista\n", 3000)) << LogText(box);
  EXPECT_TRUE(WaitForRecorded(box, "/sbin/poweroff \n")) << box.Read("recorded");
}

// "linear" after line 1's number keeps the model of the lines instead.
TEST(DaemonOnAUsbUps, TheLinearModelWhenTheFileAsksForIt) {
  UsbStation station(Bytes(kInputReportUps), kMakerUps);
  const Sandbox& box = station.box();
  station.ups().Plug(2);
  box.WriteConf(LocalConf({{1, "Autonomia em minutos = 10 linear"}, {8, "Porta serial (COM1 a COM8) = usb"}}));
  ASSERT_EQ(station.Start().status, 0) << LogText(box);
  ASSERT_TRUE(station.Send(Runtime(1500)));
  ASSERT_TRUE(station.Send(kOnBattery));
  ASSERT_TRUE(WaitForLog(box, "Falta de Rede\n", 3000)) << LogText(box);
  ASSERT_TRUE(station.Send(Runtime(30)));
  ASSERT_TRUE(WaitUntil([&] { return Peek(box).dt >= 2; }, 4000));
  Block b = Peek(box);
  EXPECT_EQ(b.total, 600);
  EXPECT_GT(b.left, 590);
  EXPECT_LE(b.left, 600 - 2);
  EXPECT_EQ(LogText(box).find("Termino da autonomia prevista"), std::string::npos);
}

// A name that finds nothing, or no name at all, fails the start with the
// reason in the log: never a serial port instead.
TEST(DaemonOnAUsbUps, ANameThatFindsNothingFailsTheStart) {
  UsbStation station(Bytes(kInputReportUps), kMakerUps);
  const Sandbox& box = station.box();
  station.ups().Plug(2);
  box.WriteConf(LocalConf({{8, "Porta serial (COM1 a COM8) = usb:051D:0003"}}));
  EXPECT_NE(station.Start().status, 0);
  EXPECT_TRUE(box.WaitDaemonGone(3000));
  EXPECT_FALSE(IpcObjectsPresent(box));
  std::string log = LogText(box);
  EXPECT_NE(log.find("Nobreak USB \"usb:051D:0003\" nao encontrado: no USB UPS matches among 2 hidraw devices"),
            std::string::npos)
      << log;

  box.WriteConf(LocalConf({{8, "Porta serial (COM1 a COM8) = usb:51D"}}));
  EXPECT_NE(station.Start().status, 0);
  EXPECT_TRUE(box.WaitDaemonGone(3000));
  EXPECT_NE(LogText(box).find("Nome de nobreak USB invalido: \"usb:51D\""), std::string::npos) << LogText(box);

  station.ups().Unplug();
  box.WriteConf(LocalConf({{8, "Porta serial (COM1 a COM8) = /dev/hidraw2"}}));
  EXPECT_NE(station.Start().status, 0);
  EXPECT_TRUE(box.WaitDaemonGone(3000));
  EXPECT_NE(LogText(box).find("Nobreak USB \"/dev/hidraw2\" nao encontrado: /dev/hidraw2: "), std::string::npos)
      << LogText(box);
  EXPECT_EQ(LogText(box).find("ttyS"), std::string::npos);
}

}  // namespace

// What the UPS measures reaches vigil-nut on the same computer through the
// daemon's figures file, and goes with the UPS when it is unplugged and
// with the daemon when it stops.
TEST(DaemonOnAUsbUps, ItsFiguresReachTheNutGatewayBesideIt) {
  UsbStation station(Bytes(kInputReportUps), kMakerUps);
  const Sandbox& box = station.box();
  station.ups().SetFeature({0x04, 0x60, 0x09});  // the battery at 24 V
  station.ups().Plug(2);
  box.WriteConf(LocalConf({{8, "Porta serial (COM1 a COM8) = usb"}}));
  box.Write("nut.conf", "LISTEN 127.0.0.1\n");
  box.Run("chmod 600 /usr/local/nut.conf && " VIGIL_NUT_BIN " -c /usr/local/nut.conf >/usr/local/nut.log 2>&1 &");
  ASSERT_EQ(station.Start().status, 0) << LogText(box);
  ASSERT_TRUE(station.Send(kOnMains));
  ASSERT_TRUE(station.Send({0x02, 81, 0xDC, 0x05, 23}));  // 81 %, 1500 s, 23 % of its load
  ASSERT_TRUE(station.Send({0x03, 0xE6, 0x00}));         // 230 V in

  const std::string figures = "vigil20/vigil20.ups";
  std::string upsc;
  auto ask = [&] {
    upsc = box.Run("upsc estacao1@127.0.0.1").out;
    return upsc;
  };
  EXPECT_TRUE(WaitUntil([&] { return ask().find("ups.load: 23\n") != std::string::npos; }, 8000))
      << upsc << box.Read("nut.log") << (box.Exists(figures) ? box.Read(figures) : "no figures file");
  EXPECT_NE(upsc.find("battery.charge: 81\n"), std::string::npos) << upsc;
  EXPECT_NE(upsc.find("battery.runtime: 1500\n"), std::string::npos) << upsc;
  EXPECT_NE(upsc.find("input.voltage: 230\n"), std::string::npos) << upsc;
  EXPECT_NE(upsc.find("battery.voltage: 24\n"), std::string::npos) << upsc;
  EXPECT_NE(box.Read(figures).find("station=estacao1\n"), std::string::npos);

  station.ups().Unplug();
  EXPECT_TRUE(WaitUntil([&] { return !box.Exists(figures); }, 3000)) << "unplugged: nothing is measured";
  EXPECT_TRUE(WaitUntil([&] { return ask().find("ups.load") == std::string::npos; }, 3000)) << upsc;
  station.ups().Plug(3);
  EXPECT_TRUE(WaitUntil([&] { return box.Exists(figures); }, 4000)) << LogText(box);
  Vigil(box, "stop");
  ASSERT_TRUE(box.WaitDaemonGone(5000));
  EXPECT_FALSE(box.Exists(figures)) << "a stopped daemon leaves no figures behind";
}
