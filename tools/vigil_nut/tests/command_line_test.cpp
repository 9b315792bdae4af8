#include <gtest/gtest.h>

#include "tools/vigil_nut/command_line.h"

namespace {

using vigil_nut::LineVerdict;
using vigil_nut::SplitCommandLine;
using Words = std::vector<std::string>;

Words Split(const std::string& line) {
  Words words;
  EXPECT_EQ(SplitCommandLine(line, &words), LineVerdict::kWords) << line;
  return words;
}

bool Refused(const std::string& line) {
  Words words = {"stale"};
  bool refused = SplitCommandLine(line, &words) == LineVerdict::kRefused;
  if (refused) {
    EXPECT_TRUE(words.empty());
  }
  return refused;
}

TEST(NutCommandLine, SplitsAsUpsdDoes) {
  EXPECT_EQ(Split("GET VAR estacao1 ups.status"), (Words{"GET", "VAR", "estacao1", "ups.status"}));
  EXPECT_EQ(Split("  LIST   UPS  "), (Words{"LIST", "UPS"}));
  EXPECT_EQ(Split("PASSWORD \"two words\""), (Words{"PASSWORD", "two words"}));
  EXPECT_EQ(Split(R"(PASSWORD "a\"b\\c")"), (Words{"PASSWORD", "a\"b\\c"}));
  EXPECT_EQ(Split(R"(USERNAME a\ b)"), (Words{"USERNAME", "a b"}));
  EXPECT_EQ(Split("USERNAME \"\""), (Words{"USERNAME", ""}));
  EXPECT_EQ(Split("LIST UPS # the rest is a comment"), (Words{"LIST", "UPS"}));
  EXPECT_EQ(Split("LIST UPS#comment"), (Words{"LIST", "UPS"}));
  EXPECT_EQ(Split("a=b"), (Words{"a", "=", "b"}));
  EXPECT_EQ(Split(""), Words{});
  EXPECT_EQ(Split("# only a comment"), Words{});
}

TEST(NutCommandLine, RefusesTheWholeLineForOneBadByte) {
  // Each byte outside printable ASCII, wherever it is: nothing is taken.
  for (int c = 0; c < 256; ++c) {
    if (c >= 0x20 && c <= 0x7E) continue;
    std::string line = "GET VAR estacao1 ups.status";
    line.insert(4, 1, static_cast<char>(c));
    EXPECT_TRUE(Refused(line)) << c;
  }
  EXPECT_TRUE(Refused("LIST UPS\t"));
  EXPECT_TRUE(Refused(std::string("LIST UPS\0", 9)));
}

TEST(NutCommandLine, RefusesLinesItCannotTakeWhole) {
  EXPECT_TRUE(Refused("PASSWORD \"open quote"));
  EXPECT_TRUE(Refused("PASSWORD \"a#b\""));
  EXPECT_TRUE(Refused("PASSWORD \"ends in a backslash\\"));
  EXPECT_TRUE(Refused(std::string(vigil_nut::kMaxLineBytes + 1, 'A')));
  EXPECT_EQ(Split(std::string(vigil_nut::kMaxLineBytes, 'A')).size(), 1u);
  std::string many;
  for (size_t i = 0; i <= vigil_nut::kMaxWords; ++i) many += "w ";
  EXPECT_TRUE(Refused(many));
}

}  // namespace
