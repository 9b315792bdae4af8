#include "linesim/line_sim.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace linesim {
namespace {

struct LineName {
  int bit;
  const char* name;
};

constexpr LineName kNames[] = {
    {kDsr, "DSR"}, {kCts, "CTS"}, {kRi, "RI"}, {kRts, "RTS"}, {kDtr, "DTR"},
};

// Far more than any list of five names; a larger file is not a line file.
constexpr size_t kMaxFileBytes = 4096;

enum class ReadResult { kOk, kMissing, kFailed };

ReadResult ReadSmallFile(const std::string& path, std::string& text) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return ReadResult::kMissing;
  char buf[kMaxFileBytes + 1];
  size_t n = std::fread(buf, 1, sizeof buf, f);
  bool failed = std::ferror(f) != 0 || n > kMaxFileBytes;
  std::fclose(f);
  if (failed) return ReadResult::kFailed;
  text.assign(buf, n);
  return ReadResult::kOk;
}

// std::filesystem::rename replaces an existing file in one step on both
// systems (std::rename does not on Windows).
bool ReplaceFile(const std::string& path, const std::string& text) {
  std::string tmp = path + ".tmp";
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = std::fclose(f) == 0 && ok;
  std::error_code error;
  if (ok) std::filesystem::rename(tmp, path, error);
  if (ok && !error) return true;
  std::remove(tmp.c_str());
  return false;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

const char* PathFromEnvironment() {
  const char* path = std::getenv(kEnvironmentVariable);
  return (path && *path) ? path : nullptr;
}

std::optional<int> ParseLineNames(std::string_view text, int allowed) {
  int word = 0;
  size_t i = 0;
  while (i < text.size()) {
    if (IsBlank(text[i])) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    std::string_view token = text.substr(i, end - i);
    bool known = false;
    for (const auto& line : kNames) {
      if ((line.bit & allowed) && token == line.name) {
        word |= line.bit;
        known = true;
      }
    }
    if (!known) return std::nullopt;
    i = end;
  }
  return word;
}

std::string FormatLineNames(int word, int allowed) {
  std::string text;
  for (const auto& line : kNames) {
    if ((line.bit & allowed & word) == 0) continue;
    if (!text.empty()) text += ' ';
    text += line.name;
  }
  return text;
}

std::optional<int> ReadInputWord(const std::string& path) {
  std::string text;
  if (ReadSmallFile(path, text) != ReadResult::kOk) return std::nullopt;
  return ParseLineNames(text, kInputs);
}

std::optional<int> ReadModemWord(const std::string& path) {
  std::string inputs_text, outputs_text;
  if (ReadSmallFile(path, inputs_text) != ReadResult::kOk) return std::nullopt;
  auto inputs = ParseLineNames(inputs_text, kInputs);
  if (!inputs) return std::nullopt;
  int outputs = 0;
  switch (ReadSmallFile(path + ".out", outputs_text)) {
    case ReadResult::kMissing:
      break;
    case ReadResult::kFailed:
      return std::nullopt;
    case ReadResult::kOk: {
      auto parsed = ParseLineNames(outputs_text, kOutputs);
      if (!parsed) return std::nullopt;
      outputs = *parsed;
    }
  }
  return *inputs | outputs;
}

bool WriteOutputs(const std::string& path, int word) {
  return ReplaceFile(path + ".out", FormatLineNames(word, kOutputs) + "\n");
}

bool WriteInputs(const std::string& path, int word) { return ReplaceFile(path, FormatLineNames(word, kInputs) + "\n"); }

bool AppendTone(const std::string& path, int hz, int ms) {
  std::string beep = path + ".beep";
  FILE* f = std::fopen(beep.c_str(), "a");
  if (!f) return false;
  bool ok = std::fprintf(f, "%d Hz %d ms\n", hz, ms) > 0;
  return std::fclose(f) == 0 && ok;
}

}  // namespace linesim
