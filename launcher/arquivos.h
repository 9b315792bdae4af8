// "arquivos.txt", the launcher's configuration: one entry per line, a key,
// a colon and a value (the key ends at the first colon; later colons are
// the value's). An entry is kept only when its value begins with a letter;
// a later line with the same key replaces the earlier one. Keys compare
// case-sensitively.
#pragma once

#include <map>
#include <string>

namespace launcher {

using Entries = std::map<std::string, std::string>;

// Reads the whole file's text. A carriage return before a line's end is
// not part of the value (the file is read as text, as Windows reads it).
Entries ParseArquivos(const std::string& text);

// The extension the launcher acts on: the text after the last '.' of the
// value with one leading and one trailing double quote removed; empty
// without a '.'.
std::string ExtensionOf(const std::string& value);

}  // namespace launcher
