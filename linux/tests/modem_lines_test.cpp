// Which serial devices can be waited on for a change of RI.
#include <gtest/gtest.h>
#include <sys/sysmacros.h>

#include "linux/modem_lines.h"

namespace {

TEST(ModemLinesTest, OnlyThe8250PortsCountRingOnItsTrailingEdge) {
  EXPECT_TRUE(CountsRingTrailingEdgeOnly(makedev(4, 64)));    // ttyS0
  EXPECT_TRUE(CountsRingTrailingEdgeOnly(makedev(4, 71)));    // ttyS7
  EXPECT_FALSE(CountsRingTrailingEdgeOnly(makedev(4, 1)));    // tty1, a console
  EXPECT_FALSE(CountsRingTrailingEdgeOnly(makedev(188, 0)));  // ttyUSB0
  EXPECT_FALSE(CountsRingTrailingEdgeOnly(makedev(166, 0)));  // ttyACM0
  EXPECT_FALSE(CountsRingTrailingEdgeOnly(makedev(136, 3)));  // a pty
}

}  // namespace
