// The layers of the source tree, lowest first, and the check that every
// quoted include of the product code points to its own layer or one below.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace layers {

struct Violation {
  std::string file;  // relative to the tree's root
  int line = 0;
  std::string include;
  std::string why;
};

// Reads every .h, .cpp and .c file of the product code under `root` (not
// the tests, fuzz targets or benchmarks) and returns each include that goes
// against the layers, in file and line order.
std::vector<Violation> CheckIncludes(const std::filesystem::path& root);

}  // namespace layers
