// Each thread with sockets has one message-only window that receives their
// notifications and hands each to its socket object.
#include "framework/async_socket.h"

#include <map>

#include "framework/wnd.h"

namespace {

// The message of socket notifications (MFC's WM_SOCKET_NOTIFY).
constexpr uint32_t kSocketNotify = 0x0373;

class CSocketWnd : public CWnd {
 public:
  std::map<uintptr_t, CAsyncSocket*> sockets;

 protected:
  intptr_t WindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    if (message != kSocketNotify) return CWnd::WindowProc(message, wParam, lParam);
    auto found = sockets.find(wParam);
    // A notification may still come for a socket closed meanwhile.
    if (found != sockets.end())
      found->second->Notify(static_cast<uint32_t>(lParam & 0xFFFF), static_cast<int>((lParam >> 16) & 0xFFFF));
    return 0;
  }
};

// Lives as long as its thread; made at the first socket.
thread_local CSocketWnd* socket_window = nullptr;

CSocketWnd* SocketWindow() {
  if (socket_window) return socket_window;
  auto* window = new CSocketWnd;
  if (!window->CreateMessageOnly()) {
    delete window;
    return nullptr;
  }
  socket_window = window;
  return window;
}

}  // namespace

bool AfxSocketInit() { return platform::StartupSockets() == 0; }

CAsyncSocket::~CAsyncSocket() { Close(); }

bool CAsyncSocket::Fail(int error) {
  lastError_ = error;
  return false;
}

bool CAsyncSocket::Create(uint16_t port, uint32_t events) {
  if (socket_) return Fail(10022);  // WSAEINVAL: already made
  CSocketWnd* window = SocketWindow();
  if (!window) return Fail(10055);  // WSAENOBUFS
  platform::UdpSocket* made = nullptr;
  int error = platform::CreateUdpSocket(port, &made);
  if (error != 0) return Fail(error);
  error = platform::SelectSocketEvents(made, window->GetSafeHwnd(), kSocketNotify, events);
  if (error != 0) {
    platform::CloseUdpSocket(made);
    return Fail(error);
  }
  socket_ = made;
  window->sockets[platform::UdpSocketId(made)] = this;
  return true;
}

bool CAsyncSocket::Connect(const char* address, uint16_t port) {
  if (!socket_) return Fail(10038);  // WSAENOTSOCK
  int error = platform::ConnectUdpSocket(socket_, address, port);
  return error == 0 || Fail(error);
}

int CAsyncSocket::Send(const void* data, int size) {
  if (!socket_) return Fail(10038), kSocketError;
  size_t sent = 0;
  int error = platform::SendUdp(socket_, data, static_cast<size_t>(size), &sent);
  if (error != 0) return Fail(error), kSocketError;
  return static_cast<int>(sent);
}

int CAsyncSocket::Receive(void* buffer, int size) {
  if (!socket_) return Fail(10038), kSocketError;
  size_t received = 0;
  int error = platform::ReceiveUdp(socket_, buffer, static_cast<size_t>(size), &received);
  if (error != 0) return Fail(error), kSocketError;
  return static_cast<int>(received);
}

void CAsyncSocket::Close() {
  if (!socket_) return;
  if (socket_window) socket_window->sockets.erase(platform::UdpSocketId(socket_));
  platform::CloseUdpSocket(socket_);
  socket_ = nullptr;
}

void CAsyncSocket::Notify(uint32_t event, int error) {
  if (event & platform::kFdRead) OnReceive(error);
  if (event & platform::kFdWrite) OnSend(error);
}

void CAsyncSocket::OnReceive(int) {}
void CAsyncSocket::OnSend(int) {}
