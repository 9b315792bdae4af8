#include "tests/support/child_process.h"

CommandResult RunProcess(const std::vector<std::string>& argv, int timeout_ms) {
  CommandResult result;
  std::string error;
  ChildProcess::Options options;
  options.captureErrors = true;
  options.ownGroup = true;
  auto child = ChildProcess::Start(argv, options, &error);
  if (!child) {
    result.status = 127;
    result.err = error;
    return result;
  }
  child->CloseInput();
  if (!child->ReadAll(&result.out, &result.err, timeout_ms)) {
    result.timed_out = true;
    child->Kill();
  }
  int status = child->Wait();
  if (!result.timed_out) result.status = status;
  return result;
}
