// vigil-web: every Vigil station of the LAN on one page, with its history,
// as JSON and as Prometheus metrics. Read-only.
//
//   vigil-web [-c FILE]          Linux: the settings file (/etc/vigil20/vigil-web.conf)
//   vigil-web.exe [-install | -remove | -start | -stop | -normal]
//                                Windows: the service "VigilWeb"; settings from the registry
#include "web/web_app.h"

int main(int argc, char** argv) {
  // Not a static object: the service manager's stop comes on another thread.
  auto* app = new web::CWebApp;
  int status = RunApplication(*app, argc, argv);
  delete app;
  return status;
}
