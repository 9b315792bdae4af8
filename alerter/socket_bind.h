// CSocketBind, the monitoring program's LAN endpoint on UDP port 2648: a
// notifying server's socket connected to the classful broadcast address of
// its host, or a client's listening socket. Notifications come on the main
// thread (CAsyncSocket).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "framework/async_socket.h"

// The text of a Windows Sockets error number; "Erro desconhecido" for any
// other.
const char* SocketErrorText(int code);

// The classful broadcast address of an IPv4 address, "%u.%u.%u.%u": a.255.255.255
// below 128, a.b.255.255 below 192, a.b.c.255 from 192 on.
std::string ClassfulBroadcast(const uint8_t address[4]);

// Windows-1252 text in lower case (letters with accents included).
std::string LowerCase(const std::string& text);

// The acceptance rule when only "HostName" is accepted: the sender's name,
// cut before its first '.' when that comes after the first character,
// equals `hostName` without regard to case.
bool IsAcceptedSender(const char* senderName, const std::string& hostName);

// The start-up probe: the host name, its entry and its broadcast address
// written to the debug output. -1 when the host name cannot be read, else 0.
int NetworkCheck();

class CSocketBind : public CAsyncSocket {
 public:
  using ReceiveHandler = std::function<void(const uint8_t* bytes, int count)>;
  // Shows "CSocketBind: Erro em gethostname(): %d" with the socket error
  // number, through the owning program's own message routine.
  using HostNameWarning = void (*)(int error);

  // Takes this computer's name in lower case and its broadcast address
  // (empty when the name does not resolve). When the name cannot be read,
  // `warn` is called and the name stays empty.
  explicit CSocketBind(HostNameWarning warn);

  // "Net Mode" 4: bound to port 2648 and connected to the broadcast
  // address. False when the socket cannot be made or connected, or when
  // there is no broadcast address to connect to.
  bool OpenSender();
  // "Net Mode" 5: bound to port 2648.
  bool OpenListener();
  void SetReceiveHandler(ReceiveHandler handler) { handler_ = std::move(handler); }

  // Sends one datagram on the connected socket; Send's result.
  int SendNotification(const void* data, int length);

  bool IsReady() const { return ready_; }
  const std::string& LocalName() const { return localName_; }
  const std::string& BroadcastAddress() const { return broadcastAddress_; }

 protected:
  void OnReceive(int errorCode) override;

 private:
  bool CreateIfNeeded();

  bool ready_ = false;
  ReceiveHandler handler_;
  std::string localName_;         // at most 63 characters
  std::string broadcastAddress_;  // dotted quad, or empty
};
