// The launcher program on Linux, in a folder standing for the CD, with a
// recording shell on PATH: programs found as Windows finds them (the
// current folder, then PATH, notepad.exe included), documents opened with
// xdg-open, and the boxes told on standard error.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "platform/tests/support/temp_host_root.h"
#include "sandbox.h"

namespace {

struct Cd : ::testing::Test {
  TempHostRoot root;
  std::string dir = root / "cd";
  std::string bin = root / "bin";
  std::string log = root / "calls.log";

  void SetUp() override {
    std::filesystem::create_directories(dir);
    std::filesystem::create_directories(bin);
  }
  // A program that appends its name and arguments to the log.
  void Recorder(const std::string& path, const std::string& exitCode = "0") {
    std::ofstream(path) << "#!/bin/sh\necho \"$(basename \"$0\") $*\" >> " << log << "\nexit " << exitCode << "\n";
    chmod(path.c_str(), 0755);
  }
  CommandResult Run(const std::string& tail) {
    return RunProcess({"/bin/sh", "-c", "cd " + dir + " && PATH=" + bin + ":/usr/bin:/bin exec " LAUNCHER_BIN " " + tail},
                      20000);
  }
  bool LogHas(const std::string& line) {
    return WaitUntil([&] { return ReadWholeFile(log).find(line + "\n") != std::string::npos; }, 10000);
  }
};

TEST_F(Cd, ProgramsComeFromTheCdFolderOrPathAndTextsGoToNotepad) {
  Recorder(dir + "/instalar.exe");
  Recorder(bin + "/notepad.exe");
  std::ofstream(dir + "/arquivos.txt") << "instalar:instalar.exe\r\nleia:leia me.txt\naspas:\"leia.txt\"\n";
  CommandResult setup = Run("instalar");
  EXPECT_EQ(setup.status, 0);
  EXPECT_TRUE(LogHas("instalar.exe "));
  CommandResult leia = Run("leia");
  EXPECT_EQ(leia.status, 0);
  EXPECT_TRUE(LogHas("notepad.exe leia me.txt"));
  EXPECT_EQ(setup.err + leia.err, "");
  CommandResult quoted = Run("aspas");
  EXPECT_NE(quoted.err.find("Erro na extensão do arquivo"), std::string::npos) << "a value starting with a quote is not kept";
}

TEST_F(Cd, DocumentsGoToXdgOpenAndItsRefusalIsTheMessage) {
  Recorder(bin + "/xdg-open", "3");
  std::ofstream(dir + "/manual.pdf") << "%PDF";
  std::ofstream(dir + "/arquivos.txt") << "manual:manual.pdf\nfalta:naoexiste.exe\n";
  CommandResult pdf = Run("manual");
  EXPECT_EQ(pdf.status, 0);
  std::string calls = ReadWholeFile(log);
  EXPECT_EQ(calls, "xdg-open manual.pdf\nxdg-open manual.pdf\n") << "tried twice";
  EXPECT_NE(pdf.err.find("Launcher - ERRO!: Não foi possível abrir o arquivo manual.pdf. Por favor, verifique"),
            std::string::npos)
      << pdf.err;
  CommandResult missing = Run("falta");
  EXPECT_NE(missing.err.find("Não foi possível executar o comando naoexiste.exe"), std::string::npos) << missing.err;
  CommandResult none = Run("");
  EXPECT_NE(none.err.find("Quantidade de parâmetros insuficiente."), std::string::npos) << none.err;
}

}  // namespace
