#include "alerter/socket_bind.h"

#include <cstdio>
#include <cstring>

#include "core/lan_datagram.h"
#include "alerter/texts.h"
#include "alerter/user_messages.h"

using core::kLanPort;

namespace {

struct ErrorText {
  int code;
  const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {10093, "A successful AfxSocketInit must occur before using this API"},
    {10050, "The Windows Sockets implementation detected that the network subsystem failed"},
    {10048, "The specified address is already in use"},
    {10036, "A blocking Windows Sockets call is in progress"},
    {10049, "The specified address is not available from the local machine"},
    {10047, "Addresses in the specified family cannot be used with this socket"},
    {10061, "The attempt to connect was rejected"},
    {10014, "The nSockAddrLen argument is incorrect"},
    {10022, "The socket is not already bound to an address"},
    {10056, "The socket is already connected"},
    {10024, "No more file descriptors are available"},
    {10051, "The network cannot be reached from this host at this time"},
    {10055, "No buffer space is available, The socket cannot be connected"},
    {10038, "The descriptor is not a socket"},
    {10060, "Attempt to connect timed out without establishing a connection"},
    {10035, "The socket is marked as nonblocking and the connection cannot be completed immediately"},
    {10045, "The referenced socket is not of a type that supports the Listen operation"},
    {10013, "The requested address is a broadcast address, but the appropriate flag was not set."},
    {10052, "The connection must be reset because the Windows Sockets implementation dropped it."},
    {10058,
     "The socket has been shut down; it is not possible to call Send on a socket after ShutDown has been invoked "
     "with nHow set to 1 or 2."},
    {10040,
     "The socket is of type SOCK_DGRAM, and the datagram is larger than the maximum supported by the Windows "
     "Sockets implementation."},
    {10053, "The virtual circuit was aborted due to timeout or other failure."},
    {10054, "The virtual circuit was reset by the remote side."},
};

// The address of a name's host entry as its broadcast address; empty when
// the name does not resolve to an IPv4 address.
std::string BroadcastOf(const std::string& name) {
  platform::HostEntry entry;
  if (platform::LookupHost(name.c_str(), &entry) != 0 || !entry.hasAddress) return "";
  return ClassfulBroadcast(entry.address);
}

unsigned char LowerByte(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  // Windows-1252 capitals with accents: À to Þ except ×, and Š, Œ, Ž, Ÿ.
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<unsigned char>(c + 16);
  if (c == 0x9F) return 0xFF;
  return c;
}

}  // namespace

const char* SocketErrorText(int code) {
  for (const auto& entry : kErrorTexts)
    if (entry.code == code) return entry.text;
  return "Erro desconhecido";
}

std::string ClassfulBroadcast(const uint8_t a[4]) {
  unsigned b1 = a[1], b2 = a[2], b3 = 255;
  if (a[0] < 128) {
    b1 = b2 = 255;
  } else if (a[0] < 192) {
    b2 = 255;
  }
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>(a[0]), b1, b2, b3);
  return text;
}

std::string LowerCase(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(LowerByte(static_cast<unsigned char>(c)));
  return lower;
}

bool IsAcceptedSender(const char* senderName, const std::string& hostName) {
  std::string sender = senderName;
  size_t dot = sender.find('.');
  if (dot != std::string::npos && dot > 0) sender.resize(dot);
  return LowerCase(sender) == LowerCase(hostName);
}

int NetworkCheck() {
  char name[256];
  if (platform::GetLocalHostName(name, sizeof name) != 0) {
    DebugLine("Erro em gethostname()\n");
    return -1;
  }
  DebugLine("Hostname: %s\n", name);
  platform::HostEntry entry;
  if (platform::LookupHost(name, &entry) != 0) {
    DebugLine("Erro em gethostbyname()\n");
    return 0;
  }
  DebugLine("Name: %s\n", entry.officialName.c_str());
  DebugLine("Alias: %s\n", entry.firstAlias.c_str());
  if (entry.hasAddress) {
    DebugLine("Add: %u.%u.%u.%u\n", entry.address[0], entry.address[1], entry.address[2], entry.address[3]);
    DebugLine("Broadcast: %s\n", ClassfulBroadcast(entry.address).c_str());
  }
  return 0;
}

CSocketBind::CSocketBind(HostNameWarning warn) {
  char name[64];
  int error = platform::GetLocalHostName(name, sizeof name);
  if (error != 0) {
    warn(error);
    name[0] = '\0';
  }
  localName_ = LowerCase(name);
  if (localName_.size() > 63) localName_.resize(63);
  if (!localName_.empty()) broadcastAddress_ = BroadcastOf(localName_);
}

bool CSocketBind::CreateIfNeeded() {
  if (IsCreated()) return true;
  if (Create(kLanPort, platform::kFdAllEvents)) return true;
  DebugLine("%s\n", SocketErrorText(GetLastError()));
  return false;
}

bool CSocketBind::OpenSender() {
  if (!CreateIfNeeded()) return false;
  // No address to connect to: the host name did not resolve.
  if (broadcastAddress_.empty()) {
    DebugLine("%s\n", SocketErrorText(10049));
    return false;
  }
  if (Connect(broadcastAddress_.c_str(), kLanPort) || GetLastError() == platform::kWsaWouldBlock) {
    ready_ = true;
    return true;
  }
  return false;
}

bool CSocketBind::OpenListener() {
  if (!CreateIfNeeded()) return false;
  DebugLine("Servidor escutando na porta %d\n", kLanPort);
  ready_ = true;
  return true;
}

int CSocketBind::SendNotification(const void* data, int length) {
  int result = Send(data, length);
  if (result == kSocketError) DebugLine("Erro: %s\n", SocketErrorText(GetLastError()));
  return result;
}

void CSocketBind::OnReceive(int) {
  // One buffer for every reception, on the main thread.
  static uint8_t buffer[256];
  int count = Receive(buffer, sizeof buffer);
  if (count == kSocketError) return;
  if (handler_) handler_(buffer, count);
}
