// One process holding LineTap (linetap_peer), driven line by line: a
// master or a slave in a process of its own, as alerter and the SNMP
// agent are.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/test_host.h"

class Peer {
 public:
  Peer() {
    std::string error;
    child_ = ChildProcess::Start({LINETAP_PEER, LINETAP_LIBRARY}, {}, &error);
    if (!child_) throw std::runtime_error(error);
    // The first answer means the library is loaded.
    if (Call("exports") != "10") throw std::runtime_error("LineTap did not load with its ten exports");
  }
  ~Peer() { Stop(); }

  std::string Call(const std::string& command) {
    std::string answer;
    if (!child_ || !child_->Write(command + "\n") || !child_->ReadLine(&answer)) return "<no answer>";
    return answer;
  }
  int Int(const std::string& command) { return std::stoi(Call(command)); }
  std::vector<int> SlaveReads() {
    return {Int("serialSlaveGetCts"), Int("serialSlaveGetDsr"), Int("serialSlaveGetRing")};
  }

  // Ends the process, as a crash would when `kill` is set.
  void Stop(bool kill = false) {
    if (!child_) return;
    if (kill) child_->Kill();
    child_->CloseInput();
    child_->Wait();
    child_.reset();
  }

 private:
  std::unique_ptr<ChildProcess> child_;
};

// A line file (the simulator's, or the shimmed pty's) written whole, as
// vigil-lines does.
inline void WriteLines(const std::string& path, const std::string& names) {
  std::string native = NativePath(path);
  std::ofstream(native + ".tmp", std::ios::binary) << names << "\n";
  std::filesystem::rename(native + ".tmp", native);
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
