// The simulator's files may hold anything a person or a test wrote.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "linesim/line_sim.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  const int allowed = linesim::kInputs;
  auto word = linesim::ParseLineNames(text, allowed);
  if (!word) return 0;
  if (*word & ~allowed) __builtin_trap();
  auto again = linesim::ParseLineNames(linesim::FormatLineNames(*word, allowed), allowed);
  if (!again || *again != *word) __builtin_trap();
  return 0;
}
