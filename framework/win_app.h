// The application object of a Windows program: start-up, the message loop
// of the main thread and the exit, run by RunApplication from main().
#pragma once

#include <cstdint>

#include "framework/command_line.h"
#include "framework/object.h"
#include "framework/wnd.h"

class CWinApp : public CObject {
 public:
  static constexpr CRuntimeClass runtimeClass{"CWinApp", &CObject::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  // Must be made on the main thread: it becomes the thread of the loop,
  // with its message queue ready for quit requests from other threads.
  CWinApp();
  ~CWinApp() override = default;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Start-up; false ends the program (ExitInstance still runs).
  virtual bool InitInstance();
  // The main thread's message loop until a quit request, then ExitInstance.
  virtual int Run();
  // The exit; returns the program's exit status.
  virtual int ExitInstance();

  // Posts the quit message (with `code`) to the main thread's loop; from
  // any thread.
  bool PostQuitRequest(int code = 0) const;
  uint32_t MainThreadId() const { return mainThreadId_; }

  // Hands the program's arguments to `info`.
  void ParseCommandLine(CCommandLineInfo& info) const;

  CWnd* m_pMainWnd = nullptr;  // not owned

 protected:
  int m_exitCode = 0;  // what ExitInstance returns unless a derived class decides

 private:
  friend int RunApplication(CWinApp& app, int argc, char** argv);
  uint32_t mainThreadId_;
  int argc_ = 0;
  char** argv_ = nullptr;
};

// The program's life: InitInstance, then Run when it succeeded, else
// ExitInstance. Returns the exit status.
int RunApplication(CWinApp& app, int argc, char** argv);
