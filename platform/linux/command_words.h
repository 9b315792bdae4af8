// A command tail split into words as the Windows C runtime splits one:
// blanks separate words, double quotes group blanks into a word and are
// removed, backslashes before a quote escape it.
#pragma once

#include <string>
#include <vector>

namespace platform {

std::vector<std::string> SplitCommandWords(const std::string& tail);

}  // namespace platform
