// The user's manual: it comes out of groff as a PDF of real length, on A4,
// with its accented letters; and every text it quotes from the programs
// (its .PROG lines) is a text that the programs really have, so that a
// message renamed in the code breaks this test instead of the manual
// silently going stale.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win1252.h"

namespace fs = std::filesystem;

namespace {

const fs::path kSource = VIGIL_SOURCE_DIR;
const fs::path kManualDir = kSource / "packaging" / "manual";

// The folders whose programs show texts to the user.
const char* const kProductFolders[] = {"alerter", "applet", "agent",    "config", "core",
                                        "framework", "linux", "launcher", "tools",  "web"};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A byte written as an escape in the sources is a Windows-1252 byte (the
// programs' code page).
void AppendWindows1252(std::string& out, unsigned byte) {
  win1252::AppendUtf8(out, win1252::ToUnicode(static_cast<uint8_t>(byte & 0xFF)));
}

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// The string literals of a C or C++ source, decoded to UTF-8, adjacent
// literals joined as the compiler joins them. Comments and character
// literals are skipped. Source bytes (UTF-8, as in the "..."_w1252
// literals) are kept; escapes are decoded.
std::vector<std::string> StringLiterals(const std::string& src) {
  std::vector<std::string> literals;
  std::string current;
  bool open = false;  // a literal was read and may still be continued
  size_t i = 0, n = src.size();
  auto close = [&] {
    if (open) literals.push_back(current);
    current.clear();
    open = false;
  };
  while (i < n) {
    char c = src[i];
    if (c == '/' && i + 1 < n && src[i + 1] == '/') {
      while (i < n && src[i] != '\n') ++i;
      continue;
    }
    if (c == '/' && i + 1 < n && src[i + 1] == '*') {
      size_t end = src.find("*/", i + 2);
      i = end == std::string::npos ? n : end + 2;
      continue;
    }
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
      continue;
    }
    if (c == '\'' && !(i > 0 && IsHex(src[i - 1]))) {  // a character literal, not a digit separator
      ++i;
      while (i < n && src[i] != '\'') i += src[i] == '\\' ? 2 : 1;
      ++i;
      close();
      continue;
    }
    if (c == '"') {
      ++i;
      while (i < n && src[i] != '"') {
        if (src[i] != '\\') {
          current += src[i++];
          continue;
        }
        char e = i + 1 < n ? src[i + 1] : '\0';
        i += 2;
        switch (e) {
          case 'n':
            current += '\n';
            break;
          case 'r':
            current += '\r';
            break;
          case 't':
            current += '\t';
            break;
          case 'x': {
            unsigned value = 0;
            while (i < n && IsHex(src[i])) value = value * 16 + std::stoul(std::string(1, src[i++]), nullptr, 16);
            AppendWindows1252(current, value);
            break;
          }
          default:
            if (e >= '0' && e <= '7') {
              unsigned value = static_cast<unsigned>(e - '0');
              for (int k = 0; k < 2 && i < n && src[i] >= '0' && src[i] <= '7'; ++k)
                value = value * 8 + (src[i++] - '0');
              AppendWindows1252(current, value);
            } else {
              current += e;  // \\ \" \' \?
            }
        }
      }
      ++i;
      while (i < n && (std::isalnum(static_cast<unsigned char>(src[i])) || src[i] == '_')) ++i;  // _w1252
      open = true;
      continue;
    }
    close();
    ++i;
  }
  close();
  return literals;
}

// What the user sees of a program text: a line break reads as a blank, a
// carriage return as nothing, and "&" marks the next letter as the
// control's shortcut ("&&" is an ampersand).
std::string AsShown(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') continue;
    if (c == '\n') {
      out += ' ';
    } else if (c == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') out += text[++i];
    } else {
      out += c;
    }
  }
  return out;
}

struct Corpus {
  std::vector<std::string> texts;  // as shown
  size_t files = 0;
};

bool IsCode(const fs::path& path) {
  std::string ext = path.extension().string();
  return ext == ".cpp" || ext == ".h" || ext == ".c" || ext == ".cc";
}

// Texts kept outside the code: the agent's message table, launcher and
// sample files.
bool IsTextResource(const fs::path& path) {
  std::string ext = path.extension().string();
  return ext == ".mc" || ext == ".txt" || ext == ".conf";
}

Corpus ProductTexts(const fs::path& root) {
  Corpus corpus;
  for (const char* folder : kProductFolders) {
    fs::path dir = root / folder;
    if (!fs::is_directory(dir)) continue;
    for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator(); ++it) {
      std::string name = it->path().filename().string();
      // The tests quote the texts too: they prove nothing about the product.
      if (it->is_directory() && (name == "tests" || name == "fuzz" || name == "bench")) {
        it.disable_recursion_pending();
        continue;
      }
      if (!it->is_regular_file()) continue;
      if (IsCode(it->path())) {
        for (const std::string& literal : StringLiterals(ReadFile(it->path())))
          corpus.texts.push_back(AsShown(literal));
        ++corpus.files;
      } else if (IsTextResource(it->path())) {
        corpus.texts.push_back(AsShown(ReadFile(it->path())));
        ++corpus.files;
      }
    }
  }
  return corpus;
}

// A quotation of the manual: its pieces of exact text, with a value of the
// program's own (a printf conversion) between each two.
using Quote = std::vector<std::string>;

// The groff text of a .PROG argument to what it prints; a \fI...\fP span
// stands for a value the program fills in. Nullopt for an escape this
// reader does not know, so that nothing is checked wrongly.
std::optional<Quote> ParseQuote(const std::string& groff) {
  Quote pieces(1);
  for (size_t i = 0; i < groff.size(); ++i) {
    if (groff[i] != '\\') {
      pieces.back() += groff[i];
      continue;
    }
    std::string rest = groff.substr(i + 1);
    if (rest.rfind("fI", 0) == 0) {
      size_t end = groff.find("\\fP", i);
      if (end == std::string::npos) return std::nullopt;
      pieces.emplace_back();
      i = end + 2;
    } else if (rest.rfind("e", 0) == 0) {
      pieces.back() += '\\';
      i += 1;
    } else if (rest.rfind("-", 0) == 0) {
      pieces.back() += '-';
      i += 1;
    } else if (rest.rfind("&", 0) == 0) {
      i += 1;
    } else if (rest.rfind("(dq", 0) == 0) {
      pieces.back() += '"';
      i += 3;
    } else if (rest.rfind("(aq", 0) == 0) {
      pieces.back() += '\'';
      i += 3;
    } else {
      return std::nullopt;
    }
  }
  return pieces;
}

// The first argument of a macro line, as groff reads it: a quoted
// argument ends at a lone double quote; "" inside it is one.
std::string FirstArgument(const std::string& line, size_t from) {
  while (from < line.size() && line[from] == ' ') ++from;
  std::string arg;
  if (from < line.size() && line[from] == '"') {
    for (size_t i = from + 1; i < line.size(); ++i) {
      if (line[i] == '"') {
        if (i + 1 < line.size() && line[i + 1] == '"') {
          arg += '"';
          ++i;
          continue;
        }
        break;
      }
      arg += line[i];
    }
  } else {
    size_t end = line.find(' ', from);
    arg = line.substr(from, end == std::string::npos ? std::string::npos : end - from);
  }
  return arg;
}

struct QuotedText {
  int line;
  std::string groff;
};

std::vector<QuotedText> ManualQuotes(const std::string& source) {
  std::vector<QuotedText> quotes;
  std::istringstream in(source);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number)
    if (line.rfind(".PROG ", 0) == 0) quotes.push_back({number, FirstArgument(line, 6)});
  return quotes;
}

// Length of a printf conversion at text[at], or 0.
size_t ConversionAt(const std::string& text, size_t at) {
  if (at >= text.size() || text[at] != '%') return 0;
  size_t i = at + 1;
  while (i < text.size() && std::string("-+ #0123456789.lhz").find(text[i]) != std::string::npos) ++i;
  if (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i]))) return i + 1 - at;
  return 0;
}

bool MatchesAt(const Quote& quote, const std::string& text, size_t at) {
  for (size_t k = 0; k < quote.size(); ++k) {
    if (k > 0) {
      size_t length = ConversionAt(text, at);
      if (length == 0) return false;
      at += length;
    }
    if (text.compare(at, quote[k].size(), quote[k]) != 0) return false;
    at += quote[k].size();
  }
  return true;
}

bool Contains(const std::string& text, const Quote& quote) {
  for (size_t at = text.find(quote[0]); at != std::string::npos; at = text.find(quote[0], at + 1))
    if (MatchesAt(quote, text, at)) return true;
  return false;
}

bool InCorpus(const Corpus& corpus, const Quote& quote) {
  for (const std::string& text : corpus.texts)
    if (Contains(text, quote)) return true;
  return false;
}

int RunShell(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

size_t CountPageObjects(const std::string& pdf) {
  size_t count = 0;
  const std::string page = "/Type /Page";
  for (size_t at = pdf.find(page); at != std::string::npos; at = pdf.find(page, at + 1)) {
    char next = at + page.size() < pdf.size() ? pdf[at + page.size()] : ' ';
    if (next != 's') ++count;  // "/Type /Pages" is the page tree
  }
  return count;
}

TEST(ManualPdf, GroffMakesAnA4PdfOfManyPagesWithItsAccents) {
  char dir[] = "/tmp/vigil-manual-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  fs::path pdf = fs::path(dir) / "manual.pdf";
  fs::path log = fs::path(dir) / "make-manual.log";
  int status = RunShell("'" + (kManualDir / "make-manual.sh").string() + "' '" + pdf.string() + "' >'" + log.string() +
                        "' 2>&1");
  std::string output = ReadFile(log);
  std::string text = ReadFile(pdf);
  fs::remove_all(dir);

  ASSERT_EQ(status, 0) << output;
  ASSERT_EQ(text.rfind("%PDF-", 0), 0u) << "not a PDF";
  EXPECT_GE(CountPageObjects(text), 12u) << "the manual is a real manual, not a leaflet";
  EXPECT_NE(text.find("/MediaBox [0 0 595 842"), std::string::npos) << "pages are not A4";
  // The accented letters of Portuguese reached the fonts as their glyphs.
  for (const char* glyph : {"/ccedilla", "/atilde", "/otilde", "/eacute", "/aacute", "/iacute", "/ecircumflex"})
    EXPECT_NE(text.find(glyph), std::string::npos) << glyph << " missing from the PDF";
}

TEST(ManualQuotes, EveryQuotedProgramTextIsInTheProgramsSources) {
  std::vector<QuotedText> quotes = ManualQuotes(ReadFile(kManualDir / "manual.ms"));
  ASSERT_GE(quotes.size(), 100u) << "the manual's quotations were not found";
  Corpus corpus = ProductTexts(kSource);
  ASSERT_GT(corpus.files, 50u);
  for (const QuotedText& quoted : quotes) {
    std::optional<Quote> quote = ParseQuote(quoted.groff);
    if (!quote) {
      ADD_FAILURE() << "manual.ms:" << quoted.line << ": unknown groff escape in " << quoted.groff;
      continue;
    }
    EXPECT_TRUE(InCorpus(corpus, *quote))
        << "manual.ms:" << quoted.line << ": no program has the text \"" << quoted.groff << "\"";
  }
}

// The reader of sources and quotations itself, on texts written the ways
// the programs write them.
TEST(ManualQuotes, TheCheckReadsEveryEncodingAndMissesWhatIsNotThere) {
  const std::string source =
      "// \"Falta de energia\" in a comment is no text of the program\n"
      "const char* a = \"Desligamento for\\xE7\"\n  \"ado\";\n"
      "auto b = \"Conex\xC3\xA3o ao nobreak pela &Rede local\"_w1252;\n"
      "char c = '\"'; int d = 1'000;\n"
      "const char* e = \"N\\xE3o foi poss\\xEDvel abrir a porta de comunica\\xE7\\xE3o COM%d\";\n"
      "const char* f = \"Aten\\xE7\\xE3o: linha um\\nlinha dois\";\n";
  Corpus corpus;
  for (const std::string& literal : StringLiterals(source)) corpus.texts.push_back(AsShown(literal));
  ASSERT_EQ(corpus.texts.size(), 4u);

  auto found = [&](const std::string& groff) {
    std::optional<Quote> quote = ParseQuote(groff);
    EXPECT_TRUE(quote.has_value()) << groff;
    return quote && InCorpus(corpus, *quote);
  };
  EXPECT_TRUE(found("Desligamento forçado"));
  EXPECT_TRUE(found("Conexão ao nobreak pela Rede local"));
  EXPECT_TRUE(found("Não foi possível abrir a porta de comunicação COM\\fIn\\fP"));
  EXPECT_TRUE(found("Atenção: linha um linha dois"));
  EXPECT_FALSE(found("Falta de energia"));
  EXPECT_FALSE(found("Desligamento forcado"));
  EXPECT_FALSE(found("Conexão ao nobreak pela &Rede local"));
  EXPECT_FALSE(found("Não foi possível abrir a porta de comunicação COM\\fIn\\fP agora"));
  EXPECT_FALSE(ParseQuote("texto com \\*[string]").has_value());

  EXPECT_EQ(FirstArgument(".PROG \"Enviar (\"\"Traps\"\") já\" ,", 6), "Enviar (\"Traps\") já");
}

}  // namespace
