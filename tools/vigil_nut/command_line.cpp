#include "tools/vigil_nut/command_line.h"

namespace vigil_nut {

namespace {

bool Printable(unsigned char c) { return c >= 0x20 && c <= 0x7E; }

LineVerdict Split(std::string_view line, std::vector<std::string>* words) {
  if (line.size() > kMaxLineBytes) return LineVerdict::kRefused;
  // A line with a control byte is refused whole, before any of it is read:
  // a request is never half taken.
  for (unsigned char c : line)
    if (!Printable(c)) return LineVerdict::kRefused;

  enum class State { kBetween, kWord, kQuoted };
  State state = State::kBetween;
  std::string word;
  auto finish = [&]() -> bool {
    if (words->size() >= kMaxWords) return false;
    words->push_back(word);
    word.clear();
    return true;
  };
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    switch (state) {
      case State::kBetween:
        if (c == ' ') continue;
        if (c == '#') return LineVerdict::kWords;
        if (c == '"') {
          state = State::kQuoted;
          continue;
        }
        state = State::kWord;
        [[fallthrough]];
      case State::kWord:
        if (c == ' ' || c == '#') {
          if (!finish()) return LineVerdict::kRefused;
          if (c == '#') return LineVerdict::kWords;
          state = State::kBetween;
        } else if (c == '\\') {
          // A backslash at the very end escapes nothing.
          if (i + 1 < line.size()) word += line[++i];
        } else if (c == '=') {
          // upsd makes an equals sign a word of its own.
          if (!word.empty() && !finish()) return LineVerdict::kRefused;
          word.assign(1, '=');
          if (!finish()) return LineVerdict::kRefused;
          state = State::kBetween;
        } else {
          word += c;
        }
        break;
      case State::kQuoted:
        if (c == '"') {
          if (!finish()) return LineVerdict::kRefused;
          state = State::kBetween;
        } else if (c == '#') {
          return LineVerdict::kRefused;
        } else if (c == '\\') {
          if (i + 1 >= line.size()) return LineVerdict::kRefused;
          word += line[++i];
        } else {
          word += c;
        }
        break;
    }
  }
  if (state == State::kQuoted) return LineVerdict::kRefused;
  if (state == State::kWord && !finish()) return LineVerdict::kRefused;
  return LineVerdict::kWords;
}

}  // namespace

LineVerdict SplitCommandLine(std::string_view line, std::vector<std::string>* words) {
  words->clear();
  LineVerdict verdict = Split(line, words);
  // What was split before the fault is not a request either.
  if (verdict == LineVerdict::kRefused) words->clear();
  return verdict;
}

}  // namespace vigil_nut
