// The checker on a small tree of its own: each kind of wrong arrow is
// named with its file and line, and the right ones pass.
#include <gtest/gtest.h>

#include <fstream>

#include "include_layers.h"

namespace {

namespace fs = std::filesystem;

class LayersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("layers_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                         "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  void Write(const std::string& relative, const std::string& text) {
    fs::create_directories((root_ / relative).parent_path());
    std::ofstream(root_ / relative) << text;
  }

  fs::path root_;
};

TEST_F(LayersTest, DownwardAndOwnFolderIncludesPass) {
  Write("platform/registry.h", "#pragma once\n");
  Write("platform/linux/registry.cpp", "#include \"platform/registry.h\"\n#include \"platform/linux/host_root.h\"\n");
  Write("platform/linux/host_root.h", "");
  Write("framework/wnd.cpp", "#include \"platform/registry.h\"\n#include <string>\n");
  Write("applet/page.cpp", "#include \"core/lan_datagram.h\"\n#include \"config/apl_config.h\"\n#include \"launcher/x.h\"\n");
  Write("linux/main.cpp",
        "#include \"config_file.h\"\n#include \"core/lan_datagram.h\"\n#include \"linesim/line_sim.h\"\n"
        "#include \"linuxbase/unique_fd.h\"\n");
  Write("linux/config_file.h", "");
  Write("platform/linux/pipe.cpp", "#include \"linuxbase/unique_fd.h\"\n#include \"core/lan_trust.h\"\n");
  Write("tools/vigil_nut/gateway.cpp", "#include \"linuxbase/unique_fd.h\"\n");
  Write("linuxbase/service_notify.cpp", "#include \"linuxbase/unique_fd.h\"\n#include \"core/hmac_sha256.h\"\n");
  EXPECT_TRUE(layers::CheckIncludes(root_).empty());
}

TEST_F(LayersTest, EveryWrongArrowIsNamedWithItsFileAndLine) {
  Write("platform/dialog_window.h", "#pragma once\n\n#include \"framework/dialog/tab_sheet.h\"\n");
  Write("tools/vigil_msg.cpp", "// tool\n#include \"platform/linux/event_loop.h\"\n");
  Write("config/config.cpp", "#include \"lineshare/line_tap.h\"\n#include \"agent/event_file.h\"\n");
  Write("linux/lan.cpp", "#include \"alerter/state.h\"\n#include \"platform/registry.h\"\n");
  Write("alerter/x.cpp", "#include \"linux/config_file.h\"\n#include \"linuxbase/unique_fd.h\"\n");
  Write("core/lan_trust.cpp", "#include \"linuxbase/unique_fd.h\"\n#include \"platform/hmac_sha256.h\"\n");
  Write("tools/vigil20s/status.cpp", "#include \"linuxbase/service_notify.h\"\n");

  std::vector<layers::Violation> found = layers::CheckIncludes(root_);
  std::vector<std::string> seen;
  for (const auto& v : found) seen.push_back(v.file + ":" + std::to_string(v.line) + " " + v.include);
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "alerter/x.cpp:1 linux/config_file.h",
                      "alerter/x.cpp:2 linuxbase/unique_fd.h",
                      "config/config.cpp:2 agent/event_file.h",
                      "core/lan_trust.cpp:1 linuxbase/unique_fd.h",
                      "core/lan_trust.cpp:2 platform/hmac_sha256.h",
                      "linux/lan.cpp:1 alerter/state.h",
                      "linux/lan.cpp:2 platform/registry.h",
                      "platform/dialog_window.h:3 framework/dialog/tab_sheet.h",
                      "tools/vigil20s/status.cpp:1 linuxbase/service_notify.h",
                      "tools/vigil_msg.cpp:2 platform/linux/event_loop.h",
                  }));
}

TEST_F(LayersTest, TheAlerterAndTheAgentIncludeNothingOfEachOther) {
  Write("alerter/alerter_app.h", "#include \"eventfile/event_file.h\"\n#include \"agent/event_file.h\"\n");
  Write("agent/ups_agent_app.cpp", "#include \"config/config.h\"\n#include \"alerter/monitor.h\"\n");
  Write("config/config.cpp", "#include \"eventfile/event_file.h\"\n#include \"lineshare/line_tap.h\"\n");

  std::vector<layers::Violation> found = layers::CheckIncludes(root_);
  std::vector<std::string> seen;
  for (const auto& v : found) seen.push_back(v.file + ":" + std::to_string(v.line) + " " + v.include);
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "agent/ups_agent_app.cpp:2 alerter/monitor.h",
                      "alerter/alerter_app.h:2 agent/event_file.h",
                  }));
}

TEST_F(LayersTest, TestsFuzzTargetsAndBenchmarksAreNotProductCode) {
  Write("platform/tests/x_test.cpp", "#include \"tools/vigil_snmp/y.h\"\n");
  Write("platform/fuzz/x_fuzz.cpp", "#include \"alerter/z.h\"\n");
  Write("alerter/bench/b.cpp", "#include \"platform/linux/shared_section.h\"\n");
  EXPECT_TRUE(layers::CheckIncludes(root_).empty());
}

}  // namespace
