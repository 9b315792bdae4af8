// vigil-nut: every Vigil station heard on the LAN served, read-only, to the
// clients of Network UPS Tools (upsc, upsmon, upslog, Home Assistant...).
//
//   vigil-nut [-c FILE]
//
// Runs in the foreground, as systemd expects; ends on SIGTERM or SIGINT.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <cerrno>

#include "core/lan_datagram.h"
#include "platform/service_readiness.h"
#include "tools/vigil_nut/gateway.h"
#include "tools/vigil_nut/gateway_config.h"

using core::kLanPort;

namespace {

volatile std::sig_atomic_t stop = 0;

void Stop(int) { stop = 1; }

void Alive() { platform::NotifyServiceAlive(); }

int Usage() {
  std::fprintf(stderr, "usage: vigil-nut [-c FILE]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string path = vigil_nut::kDefaultConfigPath;
  int option;
  while ((option = getopt(argc, argv, "c:h")) != -1) {
    if (option == 'c')
      path = optarg;
    else
      return Usage();
  }
  if (optind != argc) return Usage();

  vigil_nut::GatewayConfig config;
  std::string error;
  if (!vigil_nut::ReadGatewayConfig(path, &config, &error)) {
    std::fprintf(stderr, "vigil-nut: %s\n", error.c_str());
    return 1;
  }

  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, nullptr);
  struct sigaction ending {};
  ending.sa_handler = Stop;
  sigaction(SIGTERM, &ending, nullptr);
  sigaction(SIGINT, &ending, nullptr);

  // Descriptors for every connection allowed, and a few more.
  rlimit files{};
  rlim_t wanted = static_cast<rlim_t>(config.maxConnections) + 64;
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < wanted) {
    files.rlim_cur = wanted < files.rlim_max ? wanted : files.rlim_max;
    if (setrlimit(RLIMIT_NOFILE, &files) != 0)
      std::fprintf(stderr, "vigil-nut: cannot have %lu files open: %s\n", static_cast<unsigned long>(wanted),
                   std::strerror(errno));
  }

  vigil_nut::Gateway gateway(config);
  if (!gateway.Open(kLanPort, &error)) {
    std::fprintf(stderr, "vigil-nut: %s\n", error.c_str());
    return 1;
  }
  platform::NotifyServiceReady();
  gateway.Run(stop, Alive);
  return 0;
}
