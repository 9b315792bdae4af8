#include "framework/win_app.h"

#include "platform/window_messages.h"

CWinApp::CWinApp() : mainThreadId_(platform::CurrentThreadId()) { platform::PrepareMessageQueue(); }

bool CWinApp::InitInstance() { return true; }

int CWinApp::Run() {
  int quitCode = platform::RunMessageLoop();
  if (m_exitCode == 0) m_exitCode = quitCode;
  return ExitInstance();
}

int CWinApp::ExitInstance() { return m_exitCode; }

bool CWinApp::PostQuitRequest(int code) const { return platform::PostQuitToThread(mainThreadId_, code); }

void CWinApp::ParseCommandLine(CCommandLineInfo& info) const { ::ParseCommandLine(argc_, argv_, info); }

int RunApplication(CWinApp& app, int argc, char** argv) {
  app.argc_ = argc;
  app.argv_ = argv;
  if (!app.InitInstance()) return app.ExitInstance();
  return app.Run();
}
