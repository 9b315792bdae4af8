#include <winsock2.h>
#include <windows.h>

#include <cstring>

#include "platform/udp_socket.h"

#include "platform/common/host_entry.h"
#include "platform/win32/window_object.h"

struct platform::UdpSocket {
  SOCKET handle;
};

namespace platform {

int StartupSockets() {
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 2), &data);
}

void CleanupSockets() { WSACleanup(); }

int CreateUdpSocket(uint16_t port, UdpSocket** out) {
  SOCKET handle = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (handle == INVALID_SOCKET) return WSAGetLastError();
  BOOL on = TRUE;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  // The port is shared: every program of the computer that listens for
  // the LAN's notifications receives each broadcast.
  if (setsockopt(handle, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on) != 0 ||
      setsockopt(handle, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on) != 0 ||
      bind(handle, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    int error = WSAGetLastError();
    closesocket(handle);
    return error;
  }
  *out = new UdpSocket{handle};
  return 0;
}

void CloseUdpSocket(UdpSocket* socket) {
  if (!socket) return;
  closesocket(socket->handle);
  delete socket;
}

uintptr_t UdpSocketId(const UdpSocket* socket) { return static_cast<uintptr_t>(socket->handle); }

int SelectSocketEvents(UdpSocket* socket, Window window, uint32_t message, uint32_t events) {
  if (WSAAsyncSelect(socket->handle, window->hwnd, message, static_cast<long>(events)) != 0) return WSAGetLastError();
  return 0;
}

int ConnectUdpSocket(UdpSocket* socket, const char* address, uint16_t port) {
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(port);
  remote.sin_addr.s_addr = address ? inet_addr(address) : INADDR_NONE;
  // inet_addr's INADDR_NONE is also 255.255.255.255, a valid destination.
  if (!address || (remote.sin_addr.s_addr == INADDR_NONE && std::strcmp(address, "255.255.255.255") != 0))
    return WSAEADDRNOTAVAIL;
  if (connect(socket->handle, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) return WSAGetLastError();
  return 0;
}

int SendUdp(UdpSocket* socket, const void* data, size_t size, size_t* sent) {
  int n = send(socket->handle, static_cast<const char*>(data), static_cast<int>(size), 0);
  if (n == SOCKET_ERROR) return WSAGetLastError();
  *sent = static_cast<size_t>(n);
  return 0;
}

int ReceiveUdp(UdpSocket* socket, void* buffer, size_t size, size_t* received) {
  int n = recv(socket->handle, static_cast<char*>(buffer), static_cast<int>(size), 0);
  if (n == SOCKET_ERROR) {
    int error = WSAGetLastError();
    // A datagram longer than the buffer arrives cut, as on other systems.
    if (error != WSAEMSGSIZE) return error;
    n = static_cast<int>(size);
  }
  *received = static_cast<size_t>(n);
  return 0;
}

int GetLocalHostName(char* buffer, size_t size) {
  if (gethostname(buffer, static_cast<int>(size)) != 0) return WSAGetLastError();
  return 0;
}

int LookupHost(const char* name, HostEntry* entry) {
  hostent* found = gethostbyname(name);
  if (!found) return WSAGetLastError();
  *entry = EntryOf(*found);
  return 0;
}

}  // namespace platform
