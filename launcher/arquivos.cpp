#include "launcher/arquivos.h"

namespace launcher {
namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

void TakeLine(std::string line, Entries* entries) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  size_t colon = line.find(':');
  if (colon == std::string::npos) return;
  std::string value = line.substr(colon + 1);
  if (value.empty() || !IsLetter(value[0])) return;
  (*entries)[line.substr(0, colon)] = value;
}

}  // namespace

Entries ParseArquivos(const std::string& text) {
  Entries entries;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();  // the last line, without a newline
    TakeLine(text.substr(start, end - start), &entries);
    start = end + 1;
  }
  return entries;
}

std::string ExtensionOf(const std::string& value) {
  std::string copy = value;
  if (!copy.empty() && copy.front() == '"') copy.erase(0, 1);
  if (!copy.empty() && copy.back() == '"') copy.pop_back();
  size_t dot = copy.rfind('.');
  return dot == std::string::npos ? "" : copy.substr(dot + 1);
}

}  // namespace launcher
