// alerter: the monitoring program of the Windows form, as a service or as
// an ordinary program.
#include "alerter/alerter_app.h"
#include "framework/win_app.h"

int main(int argc, char** argv) {
  // Not a static object: a supervisor's exit request ends the process from
  // another thread, and the application must not be torn down under the
  // main thread then.
  auto* app = new CAlerterApp;
  int status = RunApplication(*app, argc, argv);
  delete app;
  return status;
}
