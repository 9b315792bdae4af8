// LineTap's record under the Linux stand-in: one per host root.
#include <gtest/gtest.h>

#include "lineshare/tests/peer.h"
#include "platform/tests/support/temp_host_root.h"

namespace {

TEST(LineTapOnLinux, SeparateHostRootsHaveSeparateRecords) {
  TempHostRoot root;
  WriteLines(root / "lines", "DSR CTS");
  setenv("VIGIL20_SIMLINES", (root / "lines").c_str(), 1);
  Peer master;
  ASSERT_EQ(master.Int("serialOpen 2 0"), 1);
  ASSERT_EQ(master.Int("serialGetDsr"), 1);
  TempHostRoot other;
  Peer elsewhere;
  EXPECT_EQ(elsewhere.SlaveReads(), (std::vector<int>{-1, -1, -1}));
  unsetenv("VIGIL20_SIMLINES");
}

}  // namespace
