// The gateways' configuration files (vigil-nut.conf, vigil-web.conf) as
// numbered lines, each parser then reading its own words from them.
#pragma once

#include <string_view>
#include <vector>

namespace core {

struct ConfigLine {
  int number = 0;         // from 1, for the error that names the line
  std::string_view text;  // without its end: "\n" or "\r\n"
};

// Views into `text`, which must outlive them. A last line without an end
// counts; an empty text has no line.
std::vector<ConfigLine> ConfigLines(std::string_view text);

// A setting's whole number: decimal digits only, at most five of them, from
// `low` to `high`. False, and `out` untouched, for anything else.
bool ConfigNumber(std::string_view text, int low, int high, int* out);

}  // namespace core
