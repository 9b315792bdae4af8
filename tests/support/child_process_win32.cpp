#include <windows.h>

#include <thread>

#include "core/windows_command_line.h"
#include "tests/support/buffered_line.h"
#include "tests/support/child_process.h"
#include "tests/support/test_host.h"

namespace {

std::string LastError(const char* what) { return std::string(what) + ": error " + std::to_string(GetLastError()); }

void Close(HANDLE* handle) {
  if (*handle) CloseHandle(*handle);
  *handle = nullptr;
}

void Drain(HANDLE pipe, std::string* sink) {
  char chunk[4096];
  DWORD n = 0;
  while (ReadFile(pipe, chunk, sizeof chunk, &n, nullptr) && n > 0) sink->append(chunk, n);
}

class WindowsChild : public ChildProcess {
 public:
  WindowsChild(PROCESS_INFORMATION info, HANDLE in, HANDLE out, HANDLE err)
      : process_(info.hProcess), id_(info.dwProcessId), in_(in), out_(out), err_(err) {
    CloseHandle(info.hThread);
  }
  ~WindowsChild() override {
    if (process_) {
      Kill();
      Wait();
    }
    CloseInput();
    Close(&out_);
    Close(&err_);
  }

  long Id() const override { return static_cast<long>(id_); }

  bool Write(const std::string& text) override {
    DWORD done = 0;
    return in_ && WriteFile(in_, text.data(), static_cast<DWORD>(text.size()), &done, nullptr) && done == text.size();
  }

  void CloseInput() override { Close(&in_); }

  bool ReadLine(std::string* line) override {
    bool read = ReadBufferedLine(&buffered_, line, [this](char* chunk, size_t size) -> long {
      DWORD n = 0;
      return out_ && ReadFile(out_, chunk, static_cast<DWORD>(size), &n, nullptr) ? static_cast<long>(n) : -1;
    });
    if (read && !line->empty() && line->back() == '\r') line->pop_back();
    return read;
  }

  bool ReadAll(std::string* out, std::string* err, int timeout_ms) override {
    out->append(buffered_);
    buffered_.clear();
    // Anonymous pipes cannot be waited on: a reader thread each, and the
    // time-out on the process itself.
    std::string got_out, got_err;
    std::thread out_reader(Drain, out_, &got_out);
    std::thread err_reader;
    if (err_) err_reader = std::thread(Drain, err_, &got_err);
    bool ended = WaitForSingleObject(process_, static_cast<DWORD>(timeout_ms)) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(process_, 1);
    out_reader.join();
    if (err_reader.joinable()) err_reader.join();
    out->append(got_out);
    err->append(got_err);
    return ended;
  }

  void Kill() override {
    if (process_) TerminateProcess(process_, 1);
    killed_ = true;
  }

  int Wait() override {
    if (!process_) return status_;
    WaitForSingleObject(process_, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    Close(&process_);
    return status_ = killed_ ? -1 : static_cast<int>(code);
  }

 private:
  HANDLE process_;
  DWORD id_;
  HANDLE in_, out_, err_;
  bool killed_ = false;
  int status_ = -1;
  std::string buffered_;
};

// A pipe whose `inherited` end the child gets.
bool MakePipe(HANDLE* read, HANDLE* write, bool childReads) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  if (!CreatePipe(read, write, &inherit, 0)) return false;
  return SetHandleInformation(childReads ? *write : *read, HANDLE_FLAG_INHERIT, 0);
}

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::vector<std::string>& argv, const Options& options,
                                                  std::string* error) {
  if (argv.empty()) {
    if (error) *error = "no program";
    return nullptr;
  }
  std::vector<std::string> native = argv;
  native[0] = NativePath(argv[0]);
  std::string command = core::WindowsCommandLine(native);

  HANDLE in_read = nullptr, in_write = nullptr, out_read = nullptr, out_write = nullptr;
  HANDLE err_read = nullptr, err_write = nullptr;
  if (!MakePipe(&in_read, &in_write, true) || !MakePipe(&out_read, &out_write, false) ||
      (options.captureErrors && !MakePipe(&err_read, &err_write, false))) {
    if (error) *error = LastError("CreatePipe");
    return nullptr;
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = options.pipeOutput ? in_read : GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = options.pipeOutput ? out_write : GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = options.captureErrors ? err_write : GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
  if (!started && error) *error = LastError(("CreateProcess " + command).c_str());
  Close(&in_read);
  Close(&out_write);
  Close(&err_write);
  if (!started) {
    Close(&in_write);
    Close(&out_read);
    Close(&err_read);
    return nullptr;
  }
  return std::make_unique<WindowsChild>(info, in_write, out_read, err_read);
}
