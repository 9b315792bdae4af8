// A datagram socket whose notifications arrive as calls on the thread that
// created it, from its message loop (CAsyncSocket's way): OnReceive when a
// datagram waits, OnSend when sending is possible.
#pragma once

#include <cstdint>

#include "platform/udp_socket.h"

// Starts the socket layer (version 2.2) for the program; false on failure.
bool AfxSocketInit();

class CAsyncSocket {
 public:
  static constexpr int kSocketError = -1;

  CAsyncSocket() = default;
  virtual ~CAsyncSocket();
  CAsyncSocket(const CAsyncSocket&) = delete;
  CAsyncSocket& operator=(const CAsyncSocket&) = delete;

  // A datagram socket bound to `port` on every local address (broadcasts
  // allowed), notifying the `events` asked for (platform::kFd* bits).
  // False with GetLastError() set.
  bool Create(uint16_t port, uint32_t events = platform::kFdAllEvents);
  // Fixes the destination of Send. False with GetLastError() set.
  bool Connect(const char* address, uint16_t port);
  // Bytes sent or received, or kSocketError with GetLastError() set.
  int Send(const void* data, int size);
  int Receive(void* buffer, int size);
  void Close();

  bool IsCreated() const { return socket_ != nullptr; }
  // The Windows Sockets error number of the last failed call.
  int GetLastError() const { return lastError_; }

  // Delivers one notification; called by the framework's socket window.
  void Notify(uint32_t event, int error);

 protected:
  virtual void OnReceive(int errorCode);
  virtual void OnSend(int errorCode);

 private:
  bool Fail(int error);

  platform::UdpSocket* socket_ = nullptr;
  int lastError_ = 0;
};
