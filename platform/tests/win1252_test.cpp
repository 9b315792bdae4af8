// Windows-1252 texts: literals converted when compiling, upper case as the
// ANSI calls give it, and the way to and from UTF-8 for terminals.
#include "platform/win1252.h"

#include <gtest/gtest.h>

namespace {

TEST(Win1252, LiteralsAreConvertedByteForByte) {
  EXPECT_EQ(std::string("Comunicação"_w1252), "Comunica\xE7\xE3o");
  EXPECT_EQ(std::string("€ – ü"_w1252), "\x80 \x96 \xFC");
  EXPECT_EQ(std::string("plain"_w1252), "plain");
}

TEST(Win1252, UpperCaseFoldsAccentsAndComparesWithoutCase) {
  EXPECT_EQ(win1252::UpperCase("posto-7 ção ÿ œ"_w1252), "POSTO-7 ÇÃO Ÿ Œ"_w1252);
  EXPECT_EQ(win1252::UpperCase("ß÷"_w1252), "ß÷"_w1252);
  EXPECT_EQ(win1252::CompareNoCase("Sala", "SALA"), 0);
  EXPECT_LT(win1252::CompareNoCase("abc", "ABD"), 0);
  EXPECT_LT(win1252::CompareNoCase("AB", "abc"), 0);
}

TEST(Win1252, Utf8BothWaysWithQuestionMarksForWhatDoesNotFit) {
  std::string text = "Opções de Cone&xão €"_w1252;
  EXPECT_EQ(win1252::ToUtf8(text), "Opções de Cone&xão €");
  EXPECT_EQ(win1252::FromUtf8(win1252::ToUtf8(text)), text);
  EXPECT_EQ(win1252::FromUtf8("日本 ok"), "?? ok");
  EXPECT_EQ(win1252::FromUtf8("a\xC3"), "a?") << "a sequence cut at the end";
  EXPECT_EQ(win1252::ToUtf8("\x81"), "\xEF\xBF\xBD") << "an unassigned byte";
}

}  // namespace
