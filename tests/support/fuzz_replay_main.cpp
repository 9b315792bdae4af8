// Stand-in for libFuzzer's driver when the fuzz targets are built with gcc:
// feeds the target its seed files, then truncated, bit-flipped and over-long
// copies of each seed, then pseudo-random inputs. Deterministic, so a failure
// repeats.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

void Feed(const Bytes& input) {
  // A copy of exactly `size` bytes on the heap lets AddressSanitizer catch a
  // read one past the end.
  auto* copy = new uint8_t[input.size() ? input.size() : 1];
  std::copy(input.begin(), input.end(), copy);
  LLVMFuzzerTestOneInput(copy, input.size());
  delete[] copy;
}

uint64_t Next(uint64_t& state) {
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
  return state;
}

void FeedMutations(const Bytes& seed, uint64_t& rng) {
  Feed(seed);
  for (size_t cut = 0; cut < seed.size(); ++cut) Feed(Bytes(seed.begin(), seed.begin() + cut));
  for (size_t bit = 0; bit < seed.size() * 8; ++bit) {
    Bytes flipped = seed;
    flipped[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
    Feed(flipped);
  }
  for (size_t extra : {1u, 7u, 64u, 1000u, 70000u}) {
    Bytes longer = seed;
    for (size_t i = 0; i < extra; ++i) longer.push_back(static_cast<uint8_t>(Next(rng)));
    Feed(longer);
  }
  for (int round = 0; round < 2000; ++round) {
    Bytes mutated = seed;
    int edits = 1 + static_cast<int>(Next(rng) % 8);
    for (int e = 0; e < edits && !mutated.empty(); ++e)
      mutated[Next(rng) % mutated.size()] = static_cast<uint8_t>(Next(rng));
    Feed(mutated);
  }
}

}  // namespace

int main(int argc, char** argv) {
  uint64_t rng = 0x9E3779B97F4A7C15ull;
  std::vector<Bytes> seeds;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path dir(argv[i]);
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
      if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
      std::ifstream in(file, std::ios::binary);
      seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  seeds.push_back({});
  for (const auto& seed : seeds) FeedMutations(seed, rng);
  for (int round = 0; round < 20000; ++round) {
    Bytes input(Next(rng) % 600);
    for (auto& byte : input) byte = static_cast<uint8_t>(Next(rng));
    Feed(input);
  }
  std::printf("replayed %zu seeds and their mutations\n", seeds.size() - 1);
  return 0;
}
