// A program started by a test: its standard input and output are pipes to
// the test, its standard error is the test's own (or captured). The one way
// the tests start programs, on Linux and on Windows.
#pragma once

#include <memory>
#include <string>
#include <vector>

struct CommandResult {
  int status = -1;  // exit status, or -1 when killed or timed out
  bool timed_out = false;
  std::string out;
  std::string err;
};

class ChildProcess {
 public:
  struct Options {
    bool captureErrors = false;  // standard error to ReadAll's `err` instead of the test's
    bool pipeOutput = true;      // false: standard input and output stay the test's own
    bool ownGroup = false;       // a process group of its own, so Kill reaches its children (Linux)
  };

  // Starts argv[0] (a path, or a name looked up like a shell does) with the
  // other arguments. Null with `error` set when it cannot start.
  static std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& argv, const Options& options,
                                             std::string* error);
  virtual ~ChildProcess() = default;

  // The system's process id.
  virtual long Id() const = 0;
  // Writes to the program's standard input; false when it is closed.
  virtual bool Write(const std::string& text) = 0;
  virtual void CloseInput() = 0;
  // One line of standard output without its line end; false at its end.
  virtual bool ReadLine(std::string* line) = 0;
  // Everything left on standard output (and the captured errors) until the
  // program closes them or `timeout_ms` passes; false on the time-out.
  virtual bool ReadAll(std::string* out, std::string* err, int timeout_ms) = 0;
  // Ends the program at once (with its group when it has one).
  virtual void Kill() = 0;
  // Waits for the end: the exit status, or -1 when it was killed.
  virtual int Wait() = 0;
};

// Runs argv[0] with the given arguments, its input empty, and waits at most
// timeout_ms for it; a program still running then is killed.
CommandResult RunProcess(const std::vector<std::string>& argv, int timeout_ms);
