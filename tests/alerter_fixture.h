// Shared pieces of the process tests of alerter: a private host root with
// its settings, the simulated lines, a recorder in place of the power-off
// command, the session broker answering the boxes, and clients of the
// status pipe.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "platform/named_pipe.h"
#include "platform/registry.h"
#include "platform/tests/support/temp_host_root.h"
#include "sandbox.h"
#include "tests/support/record_fields.h"

inline constexpr const char* kStatusPipe = "\\\\.\\pipe\\vigil20_pipe";

inline int CountIn(const std::string& text, const std::string& needle) {
  int n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++n;
  return n;
}

// The event codes in an event file, oldest first.
inline std::vector<int32_t> EventCodes(const std::string& path) { return EventFileCodes(ReadWholeFile(path)); }

// One request to the status pipe: the reply's bytes, or nothing (empty)
// when no reply came.
inline std::string AskPipe(const std::string& request, int timeoutMs = 3000) {
  platform::PipeClient* client = nullptr;
  if (platform::ConnectToPipe(kStatusPipe, static_cast<uint32_t>(timeoutMs), &client) != 0) return "";
  std::string reply;
  if (platform::WritePipeClient(client, request.data(), static_cast<uint32_t>(request.size())) == 0) {
    char buffer[4096];
    uint32_t got = 0;
    if (platform::ReadPipeClient(client, buffer, sizeof buffer, &got, static_cast<uint32_t>(timeoutMs)) == 0)
      reply.assign(buffer, got);
  }
  platform::ClosePipeClient(client);
  return reply;
}

// For an alerter in a sandbox whose host root is <sandbox>/root: its event
// codes, and its status pipe asked from here.
inline std::vector<int32_t> AlerterEvents(const Sandbox& box) {
  return EventCodes(box.Path("root/windows/EvtVigil20.dat"));
}
inline std::string AskPipeIn(const Sandbox& box) {
  std::string previous = std::getenv("VIGIL20_HOST_ROOT") ? std::getenv("VIGIL20_HOST_ROOT") : "";
  setenv("VIGIL20_HOST_ROOT", box.Path("root").c_str(), 1);
  std::string reply = AskPipe("\n", 1000);
  setenv("VIGIL20_HOST_ROOT", previous.c_str(), 1);
  return reply;
}

// A 32-bit field of a status reply.
inline int32_t Field(const std::string& reply, size_t offset) {
  if (reply.size() < offset + 4) return -999;
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(reply[offset + i]);
  return static_cast<int32_t>(value);
}

// A host of its own for alerter: VIGIL20_HOST_ROOT, VIGIL20_SIMLINES (all
// three inputs active) and VIGIL20_POWEROFF (a recorder) for the life of
// the object, in this process and in the programs it starts.
class AlerterHost {
 public:
  AlerterHost() {
    setenv("VIGIL20_SIMLINES", Path("lines").c_str(), 1);
    Lines("set DSR CTS RI");
    std::string recorder = Path("poweroff");
    std::FILE* f = std::fopen(recorder.c_str(), "w");
    std::fprintf(f, "#!/bin/sh\necho \"called $*\" >> '%s'\n", Path("recorded").c_str());
    std::fclose(f);
    chmod(recorder.c_str(), 0755);
    // No test may ever reach the real power-off.
    setenv("VIGIL20_POWEROFF", recorder.c_str(), 1);
  }
  ~AlerterHost() {
    session_.reset();
    unsetenv("VIGIL20_SIMLINES");
    unsetenv("VIGIL20_POWEROFF");
  }

  std::string Path(const std::string& relative) const { return root_ / relative; }
  std::string Read(const std::string& relative) const { return ReadWholeFile(Path(relative)); }

  // A REG_DWORD of the settings key (or a subkey).
  void Setting(const std::string& name, uint32_t value) {
    platform::RegKeyHandle key;
    ASSERT_EQ(platform::CreateRegKey(platform::kLocalMachine, "Software\\Tessaly\\Vigil 2.0", platform::kKeyAllAccess,
                                     key.out(), nullptr),
              platform::kRegOk);
    ASSERT_EQ(platform::SetRegDword(key.get(), name, value), platform::kRegOk);
  }
  void Setting(const std::string& name, const std::string& value) {
    platform::RegKeyHandle key;
    ASSERT_EQ(platform::CreateRegKey(platform::kLocalMachine, "Software\\Tessaly\\Vigil 2.0", platform::kKeyAllAccess,
                                     key.out(), nullptr),
              platform::kRegOk);
    ASSERT_EQ(platform::SetRegString(key.get(), name, value), platform::kRegOk);
  }

  // vigil-lines on the simulated lines: "drop DSR", "raise CTS", "set".
  void Lines(const std::string& words) const {
    ASSERT_EQ(RunProcess({"/bin/sh", "-c", std::string(VIGIL_LINES_BIN " '") + Path("lines") + "' " + words}, 5000).status, 0);
  }

  // Starts alerter with `arguments`, its errors kept.
  std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& arguments = {"-normal"}) const {
    std::vector<std::string> argv = {ALERTER_BIN};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ChildProcess::Options options;
    options.captureErrors = true;
    std::string error;
    auto child = ChildProcess::Start(argv, options, &error);
    EXPECT_TRUE(child) << error;
    return child;
  }
  // Runs alerter to its end.
  CommandResult Run(const std::vector<std::string>& arguments, int timeoutMs = 30000) const {
    std::vector<std::string> argv = {ALERTER_BIN};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunProcess(argv, timeoutMs);
  }

  // Waits until the status pipe answers (start-up is over).
  bool WaitServing(int timeoutMs = 10000) const {
    return WaitUntil([] { return AskPipe("\n", 500).size() == 216; }, timeoutMs);
  }

  std::vector<int32_t> Events() const { return EventCodes(Path("windows/EvtVigil20.dat")); }
  bool WaitForEvents(const std::vector<int32_t>& codes, int timeoutMs) const {
    return WaitUntil([&] { return Events() == codes; }, timeoutMs);
  }

  // The session broker answering every box with `answer` and recording it.
  void Session(const std::string& answer) {
    ChildProcess::Options options;
    options.captureErrors = true;
    std::string error;
    session_ = ChildProcess::Start({VIGIL_SESSION_BIN, "--answer", answer, "--record", Path("boxes")}, options, &error);
    ASSERT_TRUE(session_) << error;
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(Path("run/session")); }, 5000));
  }
  std::string Boxes() const { return Read("boxes"); }

 private:
  TempHostRoot root_;
  std::unique_ptr<ChildProcess> session_;
};
