#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/buffered_line.h"
#include "tests/support/child_process.h"

namespace {

using Clock = std::chrono::steady_clock;

class LinuxChild : public ChildProcess {
 public:
  LinuxChild(pid_t pid, int in, int out, int err, bool group) : pid_(pid), in_(in), out_(out), err_(err), group_(group) {}
  ~LinuxChild() override {
    if (pid_ > 0) {
      Kill();
      Wait();
    }
    CloseInput();
    Close(&out_);
    Close(&err_);
  }

  long Id() const override { return pid_; }

  bool Write(const std::string& text) override {
    size_t done = 0;
    while (in_ >= 0 && done < text.size()) {
      ssize_t n = write(in_, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return in_ >= 0;
  }

  void CloseInput() override { Close(&in_); }

  bool ReadLine(std::string* line) override {
    return ReadBufferedLine(&buffered_, line, [this](char* chunk, size_t size) -> long {
      for (;;) {
        ssize_t n = out_ < 0 ? 0 : read(out_, chunk, size);
        if (n < 0 && errno == EINTR) continue;
        return static_cast<long>(n);
      }
    });
  }

  bool ReadAll(std::string* out, std::string* err, int timeout_ms) override {
    out->append(buffered_);
    buffered_.clear();
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    std::string* sinks[2] = {out, err};
    for (;;) {
      if (fds[0].fd < 0 && fds[1].fd < 0) return true;
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      if (poll(fds, 2, static_cast<int>(left)) < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char chunk[4096];
        ssize_t n = read(fds[i].fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n > 0) {
          sinks[i]->append(chunk, static_cast<size_t>(n));
        } else {
          fds[i].fd = -1;
        }
      }
    }
  }

  void Kill() override {
    if (pid_ > 0) kill(group_ ? -pid_ : pid_, SIGKILL);
  }

  int Wait() override {
    if (pid_ <= 0) return status_;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0) {
      if (errno != EINTR) return status_ = -1;
    }
    pid_ = -1;
    return status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  static void Close(int* fd) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }

  pid_t pid_;
  int in_, out_, err_;
  bool group_;
  int status_ = -1;
  std::string buffered_;
};

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::vector<std::string>& argv, const Options& options,
                                                  std::string* error) {
  // in, out, err, and a pipe that closes on a successful exec and otherwise
  // carries exec's errno.
  int in[2], out[2], err[2] = {-1, -1}, failure[2];
  if (argv.empty() || pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 ||
      (options.captureErrors && pipe2(err, O_CLOEXEC) != 0) || pipe2(failure, O_CLOEXEC) != 0) {
    if (error) *error = argv.empty() ? "no program" : std::string("pipe: ") + std::strerror(errno);
    return nullptr;
  }
  pid_t pid = fork();
  if (pid < 0) {
    if (error) *error = std::string("fork: ") + std::strerror(errno);
    return nullptr;
  }
  if (pid == 0) {
    if (options.ownGroup) setpgid(0, 0);
    if (options.pipeOutput) {
      dup2(in[0], STDIN_FILENO);
      dup2(out[1], STDOUT_FILENO);
    }
    if (options.captureErrors) dup2(err[1], STDERR_FILENO);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    int code = errno;
    (void)!write(failure[1], &code, sizeof code);
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  if (options.captureErrors) close(err[1]);
  close(failure[1]);
  int code = 0;
  ssize_t n;
  while ((n = read(failure[0], &code, sizeof code)) < 0 && errno == EINTR) {
  }
  close(failure[0]);
  auto child = std::make_unique<LinuxChild>(pid, in[1], out[0], err[0], options.ownGroup);
  if (n > 0) {
    child->Wait();
    if (error) *error = argv[0] + ": " + std::strerror(code);
    return nullptr;
  }
  return child;
}
