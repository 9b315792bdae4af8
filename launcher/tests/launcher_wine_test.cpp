// launcher.exe on Windows (under Wine): run as the autorun menu runs it,
// in the CD's folder with its arquivos.txt, it starts the program its key
// names through ShellExecuteA.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/test_host.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

DWORD RunLauncher(const std::string& folder, const std::string& tail) {
  std::string line = "\"";
  line.append(NativePath(LAUNCHER_EXE)).append("\" ").append(tail);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &process))
    return GetLastError() + 1000;
  WaitForSingleObject(process.hProcess, 30000);
  DWORD status = 999;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return status;
}

TEST(LauncherOnWindows, TheKeysProgramIsStartedFromTheCdsFolderWithTheWholeTailAsKey) {
  TestHost host;
  std::string folder = NativePath(host.ScratchPath("cd"));
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string log = NativePath(host.ScratchPath("recorded.txt"));
  SetEnvironment("VIGIL_RECORDER_LOG", log);
  std::string recorder = NativePath(RECORDER_EXE);
  ASSERT_TRUE(CopyFileA(recorder.c_str(), (folder + "\\instalar.exe").c_str(), FALSE));
  std::ofstream(folder + "\\arquivos.txt", std::ios::binary) << "guia de instalacao:instalar.exe\r\n";

  EXPECT_EQ(RunLauncher(folder, "guia de instalacao"), 0u);
  bool ran = false;
  for (int i = 0; i < 200 && !ran; ++i) {
    ran = ReadAll(log).find("ran") != std::string::npos;
    if (!ran) Sleep(50);
  }
  EXPECT_TRUE(ran) << "instalar.exe was not started";
  EXPECT_EQ(ReadAll(log), "ran \n") << "opened with no parameters";
}

}  // namespace
