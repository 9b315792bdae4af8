// The quoting that the C runtime's parser must undo exactly: each case is
// what CommandLineToArgvW gives back for the quoted text.
#include <gtest/gtest.h>

#include "core/windows_command_line.h"

namespace {

using core::QuoteWindowsArgument;

TEST(WindowsCommandLine, QuotesOnlyWhatTheParserWouldSplitAndEscapesQuotesWithTheirBackslashes) {
  EXPECT_EQ(QuoteWindowsArgument("-normal"), "-normal");
  EXPECT_EQ(QuoteWindowsArgument("C:\\Program Files\\Vigil\\alerter.exe"), "\"C:\\Program Files\\Vigil\\alerter.exe\"");
  EXPECT_EQ(QuoteWindowsArgument(""), "\"\"");  // an empty argument stays an argument
  EXPECT_EQ(QuoteWindowsArgument("a\tb"), "\"a\tb\"");
  EXPECT_EQ(QuoteWindowsArgument("say \"hi\""), "\"say \\\"hi\\\"\"");
  // Backslashes before a quote double; elsewhere they stay as they are.
  EXPECT_EQ(QuoteWindowsArgument("a\\\"b"), "\"a\\\\\\\"b\"");
  EXPECT_EQ(QuoteWindowsArgument("a\\b c"), "\"a\\b c\"");
  // A trailing backslash would escape the closing quote: it doubles.
  EXPECT_EQ(QuoteWindowsArgument("C:\\dir with space\\"), "\"C:\\dir with space\\\\\"");
  EXPECT_EQ(QuoteWindowsArgument("C:\\dir\\"), "C:\\dir\\");
}

TEST(WindowsCommandLine, JoinsTheQuotedArgumentsWithOneSpace) {
  EXPECT_EQ(core::WindowsCommandLine({"C:\\a b\\p.exe", "x", "", "y z"}), "\"C:\\a b\\p.exe\" x \"\" \"y z\"");
  EXPECT_EQ(core::WindowsCommandLine({}), "");
}

}  // namespace
