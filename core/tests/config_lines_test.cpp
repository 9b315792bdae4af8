#include "core/config_lines.h"

#include <gtest/gtest.h>

#include <string>

using core::ConfigLine;
using core::ConfigLines;
using core::ConfigNumber;

TEST(ConfigLinesTest, LinesAreNumberedFromOneWithoutTheirEnds) {
  std::vector<ConfigLine> lines = ConfigLines("LISTEN 0.0.0.0\r\n\n# note\nKEY x");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].number, 1);
  EXPECT_EQ(lines[0].text, "LISTEN 0.0.0.0");
  EXPECT_EQ(lines[1].text, "") << "an empty line still counts, so later numbers match an editor's";
  EXPECT_EQ(lines[2].text, "# note");
  EXPECT_EQ(lines[3].number, 4);
  EXPECT_EQ(lines[3].text, "KEY x") << "a last line without its end";
}

TEST(ConfigLinesTest, OnlyALineEndsCarriageReturnIsDropped) {
  std::string text("a\rb\r\r\n\r", 7);  // the lines are views into it
  std::vector<ConfigLine> lines = ConfigLines(text);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "a\rb\r");
  EXPECT_EQ(lines[1].text, "") << "a lone carriage return at the end is a line end";
  EXPECT_TRUE(ConfigLines("").empty());
  EXPECT_EQ(ConfigLines("\n").size(), 1u);
  std::string nul("x\0y\n", 4);
  EXPECT_EQ(ConfigLines(nul)[0].text.size(), 3u) << "a NUL byte is the parser's to refuse, not a line end";
}

TEST(ConfigLinesTest, ANumberIsDigitsWithinItsBoundsAndAnythingElseLeavesTheSettingAlone) {
  int value = -7;
  EXPECT_TRUE(ConfigNumber("65535", 1, 65535, &value));
  EXPECT_EQ(value, 65535);
  EXPECT_TRUE(ConfigNumber("0", 0, 2, &value));
  EXPECT_EQ(value, 0);
  value = -7;
  for (const char* refused : {"", "65536", "-1", "+1", " 1", "1 ", "1x", "0x10", "999999", "123456"})
    EXPECT_FALSE(ConfigNumber(refused, 0, 65535, &value)) << '"' << refused << '"';
  EXPECT_FALSE(ConfigNumber("3", 0, 2, &value)) << "above the highest";
  EXPECT_FALSE(ConfigNumber("4", 5, 9, &value)) << "below the lowest";
  EXPECT_EQ(value, -7) << "a refused number changes nothing";
}
