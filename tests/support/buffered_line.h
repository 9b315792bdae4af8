// The line reading that both forms of ChildProcess share: a line is taken
// from what is already buffered, else more is read into the buffer.
#pragma once

#include <functional>
#include <string>

// Takes the next line (without its '\n') out of `buffered`, reading more
// through `read_some` (bytes read into the chunk, 0 at the end, negative on
// failure) until one is whole. At the end or on failure, what is left
// unterminated is the last line; false when nothing is left.
inline bool ReadBufferedLine(std::string* buffered, std::string* line,
                             const std::function<long(char* chunk, size_t size)>& read_some) {
  for (;;) {
    size_t end = buffered->find('\n');
    if (end != std::string::npos) {
      *line = buffered->substr(0, end);
      buffered->erase(0, end + 1);
      return true;
    }
    char chunk[512];
    long n = read_some(chunk, sizeof chunk);
    if (n <= 0) {
      if (buffered->empty()) return false;
      *line = *buffered;
      buffered->clear();
      return true;
    }
    buffered->append(chunk, static_cast<size_t>(n));
  }
}
