// Datagram sockets over the Linux socket calls, with errno turned into the
// Windows Sockets numbers; notifications go through the thread's message
// loop (event_loop.h).
#include "platform/udp_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "linuxbase/unique_fd.h"
#include "platform/common/host_entry.h"
#include "platform/event_loop_linux.h"

struct platform::UdpSocket {
  linuxbase::UniqueFd fd;
};

namespace platform {
namespace {

int WsaError(int error) {
  switch (error) {
    case EINTR:
      return 10004;
    case EBADF:
      return 10009;
    case EACCES:
    case EPERM:
      return 10013;
    case EFAULT:
      return 10014;
    case EINVAL:
      return 10022;
    case EMFILE:
    case ENFILE:
      return 10024;
    case EAGAIN:
      return kWsaWouldBlock;
    case EINPROGRESS:
      return 10036;
    case EALREADY:
      return 10037;
    case ENOTSOCK:
      return 10038;
    case EDESTADDRREQ:
      return 10039;
    case EMSGSIZE:
      return 10040;
    case EPROTOTYPE:
      return 10041;
    case ENOPROTOOPT:
      return 10042;
    case EPROTONOSUPPORT:
      return 10043;
    case EOPNOTSUPP:
      return 10045;
    case EAFNOSUPPORT:
      return 10047;
    case EADDRINUSE:
      return kWsaAddressInUse;
    case EADDRNOTAVAIL:
      return 10049;
    case ENETDOWN:
      return 10050;
    case ENETUNREACH:
      return 10051;
    case ENETRESET:
      return 10052;
    case ECONNABORTED:
      return 10053;
    case ECONNRESET:
      return 10054;
    case ENOBUFS:
    case ENOMEM:
      return 10055;
    case EISCONN:
      return 10056;
    case ENOTCONN:
      return 10057;
    case ESHUTDOWN:
    case EPIPE:
      return 10058;
    case ETIMEDOUT:
      return 10060;
    case ECONNREFUSED:
      return 10061;
    case EHOSTDOWN:
      return 10064;
    case EHOSTUNREACH:
      return 10065;
    default:
      return 10050;
  }
}

int LastError() { return WsaError(errno); }

}  // namespace

int StartupSockets() { return 0; }
void CleanupSockets() {}

int CreateUdpSocket(uint16_t port, UdpSocket** out) {
  linuxbase::UniqueFd fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!fd) return LastError();
  int on = 1;
  sockaddr_in local{.sin_family = AF_INET, .sin_port = htons(port), .sin_addr = {htonl(INADDR_ANY)}, .sin_zero = {}};
  // The port is shared: every program of the computer that listens for
  // the LAN's notifications (the monitoring program, the applet, the
  // gateways, the daemon) receives each broadcast.
  if (setsockopt(fd.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
      setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      bind(fd.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
    return LastError();
  *out = new UdpSocket{std::move(fd)};
  return 0;
}

void CloseUdpSocket(UdpSocket* socket) {
  if (!socket) return;
  event_loop::UnwatchSocket(socket->fd.get());
  delete socket;
}

uintptr_t UdpSocketId(const UdpSocket* socket) { return static_cast<uintptr_t>(socket->fd.get()); }

int SelectSocketEvents(UdpSocket* socket, Window window, uint32_t message, uint32_t events) {
  int flags = fcntl(socket->fd.get(), F_GETFL);
  if (flags < 0 || fcntl(socket->fd.get(), F_SETFL, flags | O_NONBLOCK) != 0) return LastError();
  uint32_t watched = 0;
  if (events & kFdRead) watched |= event_loop::kSocketRead;
  if (events & kFdWrite) watched |= event_loop::kSocketWrite;
  if (!event_loop::WatchSocket(window, socket->fd.get(), message, UdpSocketId(socket), watched)) return 10022;
  return 0;
}

int ConnectUdpSocket(UdpSocket* socket, const char* address, uint16_t port) {
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(port);
  if (!address || inet_pton(AF_INET, address, &remote.sin_addr) != 1) return 10049;
  if (connect(socket->fd.get(), reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) return LastError();
  return 0;
}

int SendUdp(UdpSocket* socket, const void* data, size_t size, size_t* sent) {
  for (;;) {
    ssize_t n = send(socket->fd.get(), data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return LastError();
    *sent = static_cast<size_t>(n);
    return 0;
  }
}

int ReceiveUdp(UdpSocket* socket, void* buffer, size_t size, size_t* received) {
  event_loop::RearmSocketRead(socket->fd.get());
  for (;;) {
    ssize_t n = recv(socket->fd.get(), buffer, size, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return LastError();
    *received = static_cast<size_t>(n);
    return 0;
  }
}

int GetLocalHostName(char* buffer, size_t size) {
  if (gethostname(buffer, size) != 0) return errno == ENAMETOOLONG ? 10014 : LastError();
  // Linux may fill the buffer without a terminator when the name is cut.
  if (std::memchr(buffer, '\0', size) == nullptr) return 10014;
  return 0;
}

int LookupHost(const char* name, HostEntry* entry) {
  hostent result{};
  hostent* found = nullptr;
  int error = 0;
  std::vector<char> work(8192);
  while (gethostbyname_r(name, &result, work.data(), work.size(), &found, &error) == ERANGE && work.size() < 1 << 20)
    work.resize(work.size() * 2);
  if (!found) return error == TRY_AGAIN ? 11002 : error == NO_RECOVERY ? 11003 : error == NO_DATA ? 11004 : 11001;
  *entry = EntryOf(*found);
  return 0;
}

}  // namespace platform
