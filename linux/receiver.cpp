// The receiver: the main process of a station without a UPS cable. It takes
// the UPS state from another station's datagrams and acts on it as if the
// lines were its own.
#include <cstring>
#include <string>
#include <ctime>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "config_file.h"
#include "diag.h"
#include "lan_message.h"
#include "linuxbase/monotonic_clock.h"
#include "linuxbase/service_notify.h"
#include "linuxbase/unique_fd.h"
#include "roles.h"
#include "shared_block.h"
#include "worker_wake.h"

using core::LanDatagram;
using core::kLanSignedMax;

namespace {

constexpr const char* kSetUpLabel = "Receptor de Dados";
constexpr const char* kLabel = "Receptor De Dados";
// Seconds without an accepted datagram after which the server counts as lost.
constexpr time_t kSilenceLimit = 29;

linuxbase::UniqueFd OpenBoundSocket(uint16_t port) {
  linuxbase::UniqueFd sock(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!sock) return sock;
  struct sockaddr_in local;
  std::memset(&local, 0, sizeof local);
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  // Shared with the other listeners of the computer (the gateways, the
  // status page), each receiving every broadcast. A receiver that cannot
  // have its port would wait for datagrams forever.
  int on = 1;
  if (setsockopt(sock.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      bind(sock.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
    sock.reset();
  return sock;
}

// The accepted server's name, cut to what a datagram can carry.
std::string ServerName() {
  std::string server = StrCopy(config.server);
  return server.substr(0, kNameMax);
}

bool Accepts(const LanDatagram& d, const std::string& server) {
  return config.accept_any == 1 || server == std::string(d.name, d.name_len);
}

}  // namespace

RoleEnd RunReceiver(pid_t worker, StartGate* gate, const DaemonConfig& fixed) {
  linuxbase::UniqueFd sock = OpenBoundSocket(fixed.port);
  if (!sock) return RoleEnd::kSetUpFailed;
  OpenStartGate(gate, kSetUpLabel);

  const std::string server = ServerName();
  LockBlock(kSetUpLabel);
  BlockSetName(server.c_str(), static_cast<int>(server.size()));
  UnlockBlock(kSetUpLabel);
  time_t last_accepted = linuxbase::MonotonicSeconds();
  core::UpsState reported;  // what VigilDiag last announced

  while (BlockRunning()) {
    linuxbase::NotifyServiceAlive(linuxbase::MonotonicSeconds() * 1000);
    // Without a key a datagram is read as ever, at most the block's 52
    // bytes; with one, whole, so that a longer one can be told from the
    // signed form.
    uint8_t buffer[kLanSignedMax + 1] = {};
    if (WaitRecv(sock.get()) > 0) {
      ssize_t n = recv(sock.get(), buffer, LanKeyed() ? sizeof buffer : kBlockSize, 0);
      if (n > 0) {
        LanDatagram datagram;
        bool valid = AttrPkg(&datagram, buffer, static_cast<size_t>(n)) == 0;
        LockBlock(kLabel);
        bool accepted = valid && Accepts(datagram, server) && CheckDatagram(datagram, buffer, static_cast<size_t>(n));
        if (accepted) {
          const core::UpsState before = ReadUpsState();
          // A station with a UPS of its own keeps its own estimate.
          CopyDatagramToBlock(datagram, config.local_ups == 1);
          WakeWorkerOnChange(worker, before);
          last_accepted = linuxbase::MonotonicSeconds();
        }
        bool was_lost = reported.signal_fault;
        VigilDiag(&reported, worker);
        // Back from a silence, the datagram's own state is acted on at once:
        // a server that is shutting down may send no other.
        if (accepted && was_lost && !reported.signal_fault) VigilDiag(&reported, worker);
        UnlockBlock(kLabel);
      }
    }
    if (linuxbase::MonotonicSeconds() - last_accepted > kSilenceLimit) {
      LockBlock(kLabel);
      WriteSignalFault(true);
      VigilDiag(&reported, worker);
      UnlockBlock(kLabel);
    }
  }
  return RoleEnd::kStopped;
}
