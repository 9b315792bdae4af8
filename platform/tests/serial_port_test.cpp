// The serial port without a serial device: the name and bit mappings, the
// termios set-up on a pseudo-terminal, and the line simulator.
#include "platform/serial_port.h"
#include "platform/linux/serial_device.h"

#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "tests/support/sandbox.h"
#include "platform/tests/support/temp_host_root.h"

using namespace platform;

namespace {

TEST(SerialPortNames, Com1ToCom9AreTtyS0ToTtyS8AndNothingElse) {
  EXPECT_EQ(serial_linux::DevicePath("COM1"), "/dev/ttyS0");
  EXPECT_EQ(serial_linux::DevicePath("COM2"), "/dev/ttyS1");
  EXPECT_EQ(serial_linux::DevicePath("COM9"), "/dev/ttyS8");
  for (const char* name : {"COM10", "COM0", "COM", "com1", "COM1 ", "LPT1", "COM-1"})
    EXPECT_EQ(serial_linux::DevicePath(name), std::nullopt) << name;
}

TEST(SerialPortNames, ALinkInTheHostRootNamesTheDeviceOfItsPort) {
  TempHostRoot root;
  std::filesystem::create_directories(root / "dosdevices");
  // An adapter's stable name, away for now: the port is missing, never
  // another one.
  std::filesystem::create_symlink("/dev/serial/by-id/usb-Vigil_0001-if00-port0", root / "dosdevices/com3");
  EXPECT_EQ(serial_linux::DevicePath("COM3"), root / "dosdevices/com3");
  EXPECT_EQ(serial_linux::DevicePath("COM2"), "/dev/ttyS1");
  std::string error;
  unsetenv("VIGIL20_SIMLINES");
  EXPECT_EQ(OpenSerialPort("COM3", &error), nullptr);
  EXPECT_NE(error.find("dosdevices/com3"), std::string::npos) << error;
}

TEST(SerialPortNames, ModemLinesMapToTheWindowsStatusBits) {
  EXPECT_EQ(serial_linux::ModemStatusFromLines(TIOCM_CTS), kModemCtsOn);
  EXPECT_EQ(serial_linux::ModemStatusFromLines(TIOCM_DSR), kModemDsrOn);
  EXPECT_EQ(serial_linux::ModemStatusFromLines(TIOCM_RNG), kModemRingOn);
  EXPECT_EQ(serial_linux::ModemStatusFromLines(TIOCM_CAR), kModemRlsdOn);
  EXPECT_EQ(serial_linux::ModemStatusFromLines(TIOCM_RTS | TIOCM_DTR), 0u);
  EXPECT_EQ(kModemCtsOn | kModemDsrOn | kModemRingOn | kModemRlsdOn, 0xF0u);
}

TEST(SerialPortTermios, HandshakeSetUpIs1200BaudEightNoneOneWithHardwareFlow) {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);

  std::string error;
  ASSERT_TRUE(serial_linux::ConfigureTerminal(terminal, true, &error)) << error;
  termios settings{};
  ASSERT_EQ(tcgetattr(terminal, &settings), 0);
  EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B1200));
  EXPECT_EQ(cfgetispeed(&settings), static_cast<speed_t>(B1200));
  EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB), 0u);
  EXPECT_NE(settings.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(settings.c_iflag & (IXON | IXOFF), 0u);
  EXPECT_EQ(settings.c_lflag & ICANON, 0u);

  // Without handshake RTS must be raised, which a pseudo-terminal cannot do:
  // the set-up reports that instead of pretending.
  EXPECT_FALSE(serial_linux::ConfigureTerminal(terminal, false, &error));
  EXPECT_NE(error.find("RTS"), std::string::npos) << error;
  close(terminal);
  close(master);
}

class SimulatedPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lines_ = root_ / "lines";
    setenv("VIGIL20_SIMLINES", lines_.c_str(), 1);
  }
  void TearDown() override { unsetenv("VIGIL20_SIMLINES"); }
  void Write(const std::string& text) { std::ofstream(lines_) << text; }

  TempHostRoot root_;
  std::string lines_;
};

TEST_F(SimulatedPortTest, ReadsTheSimulatedLinesAndWritesTheOutputs) {
  std::string error;
  EXPECT_EQ(OpenSerialPort("COM2", &error), nullptr) << "no line file: no port";
  Write("DSR CTS\n");
  SerialPort* port = OpenSerialPort("COM2", &error);
  ASSERT_NE(port, nullptr) << error;
  EXPECT_EQ(ReadWholeFile(lines_ + ".out"), "RTS DTR\n");
  ASSERT_TRUE(ConfigureSerialPort(port, false, &error)) << error;

  uint32_t status = 0;
  ASSERT_TRUE(GetSerialModemStatus(port, &status));
  EXPECT_EQ(status, kModemDsrOn | kModemCtsOn);
  Write("CTS RI");
  ASSERT_TRUE(GetSerialModemStatus(port, &status));
  EXPECT_EQ(status, kModemCtsOn | kModemRingOn);

  EXPECT_TRUE(SetSerialDtr(port, false));
  EXPECT_EQ(ReadWholeFile(lines_ + ".out"), "RTS\n");
  EXPECT_TRUE(SetSerialRts(port, false));
  EXPECT_TRUE(SetSerialDtr(port, true));
  EXPECT_EQ(ReadWholeFile(lines_ + ".out"), "DTR\n");

  ASSERT_EQ(unlink(lines_.c_str()), 0);
  EXPECT_FALSE(GetSerialModemStatus(port, &status)) << "an unplugged line file is a failed read";
  CloseSerialPort(port);
  EXPECT_EQ(ReadWholeFile(lines_ + ".out"), "\n");
}

TEST_F(SimulatedPortTest, ThePortIsExclusiveAndOnlyCom1ToCom9Exist) {
  Write("DSR");
  std::string error;
  SerialPort* port = OpenSerialPort("COM1", &error);
  ASSERT_NE(port, nullptr) << error;
  EXPECT_EQ(OpenSerialPort("COM1", &error), nullptr);
  EXPECT_NE(error.find("in use"), std::string::npos) << error;
  CloseSerialPort(port);
  port = OpenSerialPort("COM9", &error);
  EXPECT_NE(port, nullptr) << error;
  CloseSerialPort(port);
  EXPECT_EQ(OpenSerialPort("COM10", &error), nullptr);
}

}  // namespace
