// A Windows command line made from separate arguments, quoted so that the
// C runtime's parser (CommandLineToArgvW's rules) gives each back whole:
// spaces, tabs and quotes inside an argument, and backslashes before a
// quote, survive. Pure text: used by the suite's program starter and by the
// tests' on Windows.
#pragma once

#include <string>
#include <vector>

namespace core {

std::string QuoteWindowsArgument(const std::string& argument);

// The arguments quoted one by one and joined by spaces; the first is the
// program.
std::string WindowsCommandLine(const std::vector<std::string>& arguments);

}  // namespace core
