// Datagram sockets and host names, after Windows Sockets 2.2: socket, bind,
// connect, send, recv, WSAAsyncSelect, gethostname and gethostbyname.
// Results are 0 or the Windows Sockets error number (WSAE*, 10000 and up),
// the same on every system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/window_messages.h"

namespace platform {

// Socket notifications (the FD_* bits): the low word of the notification's
// lParam; the high word is an error number or 0.
inline constexpr uint32_t kFdRead = 0x01;
inline constexpr uint32_t kFdWrite = 0x02;
inline constexpr uint32_t kFdOob = 0x04;
inline constexpr uint32_t kFdAccept = 0x08;
inline constexpr uint32_t kFdConnect = 0x10;
inline constexpr uint32_t kFdClose = 0x20;
inline constexpr uint32_t kFdAllEvents = 0x3F;

// Error numbers the programs name.
inline constexpr int kWsaWouldBlock = 10035;
inline constexpr int kWsaAddressInUse = 10048;

// WSAStartup(2.2) and WSACleanup; 0 or an error number.
int StartupSockets();
void CleanupSockets();

struct UdpSocket;

// A datagram socket bound to `port` (0: any) on every local address,
// allowed to send to broadcast addresses, sharing the port with the other
// programs that bind it so (each receives every broadcast). 0 or an error
// number.
int CreateUdpSocket(uint16_t port, UdpSocket** out);
void CloseUdpSocket(UdpSocket* socket);
// A number naming the socket in its notifications.
uintptr_t UdpSocketId(const UdpSocket* socket);

// WSAAsyncSelect: `message` is posted to `window` with wParam the socket's
// id and lParam the event, for the `events` asked for. The window must
// belong to the calling thread. Makes the socket non-blocking.
int SelectSocketEvents(UdpSocket* socket, Window window, uint32_t message, uint32_t events);

// Fixes the destination of sends: `address` in dotted-quad form.
int ConnectUdpSocket(UdpSocket* socket, const char* address, uint16_t port);
int SendUdp(UdpSocket* socket, const void* data, size_t size, size_t* sent);
// One datagram, cut to `size`; asks for the next read notification.
int ReceiveUdp(UdpSocket* socket, void* buffer, size_t size, size_t* received);

// gethostname into `buffer` of `size` bytes; 0 or an error number.
int GetLocalHostName(char* buffer, size_t size);

// What gethostbyname answers for a name.
struct HostEntry {
  std::string officialName;
  std::string firstAlias;  // empty when there is none
  bool hasAddress = false;
  uint8_t address[4] = {};  // the first IPv4 address
};
// 0 or an error number.
int LookupHost(const char* name, HostEntry* entry);

}  // namespace platform
