#include "platform/linux/command_words.h"

namespace platform {

std::vector<std::string> SplitCommandWords(const std::string& tail) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < tail.size()) {
    while (i < tail.size() && (tail[i] == ' ' || tail[i] == '\t')) ++i;
    if (i == tail.size()) break;
    std::string word;
    bool quoted = false;
    for (; i < tail.size() && (quoted || (tail[i] != ' ' && tail[i] != '\t')); ++i) {
      size_t backslashes = 0;
      while (i < tail.size() && tail[i] == '\\') ++backslashes, ++i;
      if (i < tail.size() && tail[i] == '"') {
        word.append(backslashes / 2, '\\');
        if (backslashes % 2) {
          word += '"';
        } else {
          quoted = !quoted;
        }
        continue;
      }
      word.append(backslashes, '\\');
      if (i == tail.size()) break;
      if (!quoted && (tail[i] == ' ' || tail[i] == '\t')) break;
      word += tail[i];
    }
    words.push_back(word);
  }
  return words;
}

}  // namespace platform
