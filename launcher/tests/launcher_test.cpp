// The launcher's rules: the key from the whole tail, which lines of
// "arquivos.txt" count, the extension branches with their calls and
// messages, and messages that never run past their buffer.
#include "launcher/launcher.h"

#include <gtest/gtest.h>

#include "platform/win1252.h"
#include "launcher/arquivos.h"
#include "platform/directories.h"

using namespace launcher;

namespace {

struct Call {
  std::string file, parameters;
  int show;
};

class Recorder : public LauncherSystem {
 public:
  bool fileOpens = true;
  std::string file;
  std::vector<intptr_t> results;  // in turn; then success
  std::vector<Call> calls;
  std::vector<std::string> boxes;  // "caption|text"

  bool ReadConfiguration(std::string* text) override {
    *text = file;
    return fileOpens;
  }
  intptr_t Open(const char* f, const char* p, int show) override {
    calls.push_back({f, p ? p : "<none>", show});
    if (results.empty()) return 42;
    intptr_t r = results.front();
    results.erase(results.begin());
    return r;
  }
  void Box(const char* caption, const char* text, uint32_t) override {
    boxes.push_back(std::string(caption) + "|" + text);
  }
};

TEST(Arquivos, KeysEndAtTheFirstColonAndOnlyValuesStartingWithALetterCount) {
  Entries e = ParseArquivos(
      "manual:D:\\doc\\manual.pdf\n"
      "branco: D:\\a.pdf\n"
      "digito:1x.exe\n"
      "aspas:\"D:\\x.exe\"\n"
      "sem dois pontos\n"
      "Manual:C:\\outro.pdf\r\n"
      "manual:E:\\novo.pdf\n"
      "ultima:F:\\fim.txt");
  EXPECT_EQ(e.size(), 3u);
  EXPECT_EQ(e["manual"], "E:\\novo.pdf") << "a later line replaces the value";
  EXPECT_EQ(e["Manual"], "C:\\outro.pdf") << "keys are case-sensitive; the CR is the line end's";
  EXPECT_EQ(e["ultima"], "F:\\fim.txt") << "the last line counts without a newline";
  EXPECT_EQ(ExtensionOf("\"D:\\a.b\\setup.exe\""), "exe");
  EXPECT_EQ(ExtensionOf("D:\\pasta.x\\leiame"), "x\\leiame");
  EXPECT_EQ(ExtensionOf("leiame"), "");
}

TEST(Launcher, EmptyTailOrMissingKeyOrMissingFileShowTheirBoxesOnly) {
  Recorder r;
  RunLauncher("", r);
  EXPECT_EQ(r.boxes, std::vector<std::string>{"Launcher - ERRO!|Quantidade de parâmetros insuficiente."_w1252});

  Recorder absent;
  absent.file = "manual:D:\\a.pdf\n";
  RunLauncher("outra", absent);
  EXPECT_EQ(absent.boxes, std::vector<std::string>{"Launcher - ERRO!|Erro na extensão do arquivo"_w1252});

  Recorder noFile;
  noFile.fileOpens = false;
  RunLauncher("manual", noFile);
  EXPECT_EQ(noFile.boxes, (std::vector<std::string>{"ERRO|Erro na abertura do arquivo de configuração do autorun!"_w1252,
                                                    "Launcher - ERRO!|Erro na extensão do arquivo"_w1252}));
  EXPECT_TRUE(r.calls.empty() && absent.calls.empty() && noFile.calls.empty());
}

TEST(Launcher, TheWholeTailIsTheKeyAndEachExtensionHasItsCall) {
  Recorder r;
  r.file = "guia do usuario:D:\\guia.pdf\nleia:D:\\leia me.txt\"\nnotas:D:\\n.my\nsetup:D:\\s.exe\n";
  RunLauncher("guia do usuario", r);
  RunLauncher("leia", r);
  RunLauncher("notas", r);
  RunLauncher("setup", r);
  ASSERT_EQ(r.calls.size(), 4u);
  EXPECT_EQ(r.calls[0].file, "D:\\guia.pdf") << "a PDF that opens at once is opened once";
  EXPECT_EQ(r.calls[1].file, "notepad.exe");
  EXPECT_EQ(r.calls[1].parameters, "D:\\leia me.txt\"") << "the value as stored, its quote included";
  EXPECT_EQ(r.calls[1].show, 1);
  EXPECT_EQ(r.calls[2].file, "notepad.exe");
  EXPECT_EQ(r.calls[3].file, "D:\\s.exe");
  EXPECT_EQ(r.calls[3].show, 0);
  EXPECT_TRUE(r.boxes.empty());
}

TEST(Launcher, FailuresGiveTheirMessagesAndAPdfIsTriedTwice) {
  Recorder r;
  r.file = "pdf:D:\\a.pdf\nexe:D:\\a.exe\ntxt:D:\\a.txt\nmaiusc:D:\\a.PDF\nsemponto:D:\\leiame\n";
  r.results = {2, 2, 2, 2, 31, 2};
  for (const char* key : {"pdf", "exe", "txt", "maiusc"}) RunLauncher(key, r);
  ASSERT_EQ(r.calls.size(), 5u);
  EXPECT_EQ(r.calls[1].file, "D:\\a.pdf");
  EXPECT_EQ(r.calls[4].file, "D:\\a.PDF") << "capitals go to the last branch: opened as they are";
  ASSERT_EQ(r.boxes.size(), 5u);
  EXPECT_EQ(r.boxes[0], "Launcher - ERRO!|Não foi possível abrir o arquivo D:\\a.pdf. Por favor, verifique se há um "
                        "leitor de PDFs instalado no computador."_w1252);
  EXPECT_EQ(r.boxes[1], "Launcher - ERRO!|Não foi possível executar o comando D:\\a.exe"_w1252);
  EXPECT_NE(r.boxes[2].find("abrí-lo diretamente"_w1252), std::string::npos);
  EXPECT_EQ(r.boxes[3], "Launcher - ERRO!|Não foi possível executar o comando desejado!!"_w1252);
  EXPECT_EQ(r.boxes[4], "Launcher - ERRO!|D:\\a.PDF");
  r.results = {2};
  RunLauncher("semponto", r);
  EXPECT_EQ(r.calls.back().file, "D:\\leiame");
  EXPECT_EQ(r.boxes.back(), "Launcher - ERRO!|D:\\leiame");
}

TEST(Launcher, MessagesHoldAPathOfTheLongestLengthAndCutLongerValues) {
  std::string longest(platform::MaxPathBytes() - 1, 'p');
  std::string text = FormatMessage("Não foi possível abrir o arquivo %s. Por favor, verifique se há um leitor de PDFs "
                                   "instalado no computador."_w1252,
                                   longest);
  EXPECT_NE(text.find(longest + ". Por favor"), std::string::npos) << "the whole text fits";
  std::string huge(100000, 'q');
  Recorder r;
  r.file = "x:" + huge + ".exe\n";
  r.results = {2};
  RunLauncher("x", r);
  ASSERT_EQ(r.boxes.size(), 1u);
  EXPECT_LT(r.boxes[0].size(), 200 + platform::MaxPathBytes());
  EXPECT_EQ(r.calls[0].file.size(), huge.size() + 4) << "the call itself gets the whole value";
}

}  // namespace
