#include "tools/vigil_nut/gateway.h"

#include "linuxbase/ups_figures_file.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "linuxbase/monotonic_clock.h"
#include "linuxbase/ups_figures_file.h"
#include "tools/vigil_nut/command_line.h"

using core::LanDatagram;
using core::LanRefusalText;
using core::LanTrust;
using core::LanWallClockMs;
using core::kLanNameMax;

namespace vigil_nut {

namespace {

std::string AddressText(const sockaddr_storage& address) {
  char text[INET6_ADDRSTRLEN] = "?";
  if (address.ss_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text, sizeof text);
  } else if (address.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    // An IPv4 client of a dual socket is shown as IPv4.
    if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr))
      inet_ntop(AF_INET, &v6.sin6_addr.s6_addr[12], text, sizeof text);
    else
      inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
  }
  return text;
}

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

// A received name as the journal may show it: its control bytes as '?'.
std::string Printable(const LanDatagram& datagram) {
  std::string name;
  for (size_t i = 0; i < datagram.name_len && i < kLanNameMax; ++i) {
    auto c = static_cast<unsigned char>(datagram.name[i]);
    name += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
  }
  return name;
}

// Refusals go to standard error: the journal, under systemd.
void ReportRefusal(const LanTrust::Refusal& refusal) {
  std::fprintf(stderr, "vigil-nut: datagram of %s refused: %s\n", Printable(refusal.sender).c_str(),
               LanRefusalText(refusal.reason));
  if (refusal.lastTold) std::fprintf(stderr, "vigil-nut: further refused datagrams are only counted\n");
}

}  // namespace

Gateway::Gateway(GatewayConfig config) : config_(std::move(config)), trust_(config_.key, ReportRefusal) {}

// The clients go first, then the listeners and the datagram socket.
Gateway::~Gateway() { clients_.clear(); }

bool Gateway::Open(uint16_t datagramPort, std::string* error) {
  datagramFd_.reset(socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!datagramFd_) {
    *error = Errno("datagram socket");
    return false;
  }
  // Shared with a Vigil receiver on this computer that asks for the same.
  int on = 1;
  if (setsockopt(datagramFd_.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
    *error = Errno("datagram socket");
    return false;
  }
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_port = htons(datagramPort);
  if (bind(datagramFd_.get(), reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
    *error = Errno("UDP port " + std::to_string(datagramPort));
    return false;
  }

  bool defaults = config_.listen.empty();
  for (const ListenAddress& where : ListenAddresses(config_)) {
    sockaddr_storage address{};
    socklen_t size = 0;
    std::string why = "not a numeric address";
    linuxbase::UniqueFd fd;
    if (SocketAddress(where, &address, &size)) {
      fd.reset(socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
      if (!fd) why = Errno("socket");
    }
    if (fd) {
      setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
      if (address.ss_family == AF_INET6) setsockopt(fd.get(), IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
      if (bind(fd.get(), reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(fd.get(), 128) != 0) {
        why = Errno("bind");
        fd.reset();
      }
    }
    if (fd) {
      listeners_.push_back(std::move(fd));
    } else if (!defaults) {
      *error = "LISTEN " + where.address + " " + where.port + ": " + why;
      return false;
    }
    // Without LISTEN lines a host without IPv6 still serves on 127.0.0.1.
  }
  if (listeners_.empty()) {
    *error = "no address to listen on";
    return false;
  }
  return true;
}

void Gateway::Accept(int listener, int64_t nowMs) {
  // A few at a time, so that a storm of connections cannot starve the rest.
  for (int i = 0; i < 64; ++i) {
    sockaddr_storage peer{};
    socklen_t size = sizeof peer;
    linuxbase::UniqueFd fd(accept4(listener, reinterpret_cast<sockaddr*>(&peer), &size, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!fd) {
      if (errno == EINTR) continue;
      // Out of descriptors: the listeners rest a moment, or poll() would
      // wake at once again and again for the connection left waiting.
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) acceptRestUntilMs_ = nowMs + 200;
      return;
    }
    // Past the limit the connection is closed at once.
    if (clients_.size() >= static_cast<size_t>(config_.maxConnections)) continue;
    clients_.push_back(std::make_unique<ClientConnection>(std::move(fd), AddressText(peer), nowMs));
  }
}

void Gateway::TakeDatagrams(int64_t nowMs) {
  for (int i = 0; i < 64; ++i) {
    uint8_t bytes[256];
    sockaddr_storage from{};
    socklen_t size = sizeof from;
    ssize_t n = recvfrom(datagramFd_.get(), bytes, sizeof bytes, 0, reinterpret_cast<sockaddr*>(&from), &size);
    if (n < 0) return;
    size_t count = static_cast<size_t>(n);
    std::optional<LanDatagram> datagram = trust_.Believed(bytes, count, LanWallClockMs());
    if (!datagram) continue;
    stations_.Record(*datagram, AddressText(from), nowMs, static_cast<int64_t>(std::time(nullptr)),
                     trust_.SignatureOf(bytes, count));
  }
}

std::string Gateway::AnswerLine(const std::string& line, Session& session, int64_t nowMs) {
  std::vector<std::string> words;
  if (SplitCommandLine(line, &words) != LineVerdict::kWords) return kRefusedLineReply;
  ProtocolContext context{stations_, config_.users, nowMs, [this](const std::function<void(const Session&)>& visit) {
                            for (const auto& client : clients_) visit(client->session());
                          }};
  context.ownFigures = OwnFigures(nowMs);
  context.nowUnixMs = static_cast<int64_t>(std::time(nullptr)) * 1000;
  return Answer(words, session, context);
}

const core::UpsFigures* Gateway::OwnFigures(int64_t nowMs) {
  if (!ownFiguresRead_ || nowMs - ownFiguresReadMs_ >= 1000) {
    std::optional<std::string> text =
        linuxbase::ReadUpsFiguresFile(config_.upsFiguresPath.c_str(), core::kUpsFiguresMax);
    ownFigures_ = text ? core::ParseUpsFigures(*text) : std::nullopt;
    ownFiguresReadMs_ = nowMs;
    ownFiguresRead_ = true;
  }
  return ownFigures_ ? &*ownFigures_ : nullptr;
}

void Gateway::Run(const volatile std::sig_atomic_t& stop, void (*alive)()) {
  std::vector<pollfd> fds;
  std::vector<ClientConnection*> polled;
  while (!stop) {
    alive();
    fds.clear();
    polled.clear();
    fds.push_back({datagramFd_.get(), POLLIN, 0});
    bool accepting = linuxbase::MonotonicMs() >= acceptRestUntilMs_;
    for (const linuxbase::UniqueFd& fd : listeners_)
      fds.push_back({fd.get(), static_cast<short>(accepting ? POLLIN : 0), 0});
    size_t firstClient = fds.size();
    for (const auto& client : clients_) {
      short events = static_cast<short>((client->Ending() ? 0 : POLLIN) | (client->WantsToWrite() ? POLLOUT : 0));
      fds.push_back({client->fd(), events, 0});
      polled.push_back(client.get());
    }
    int ready = poll(fds.data(), fds.size(), accepting ? 1000 : 200);
    if (ready < 0 && errno != EINTR) {
      std::fprintf(stderr, "vigil-nut: poll: %s\n", std::strerror(errno));
      return;
    }
    int64_t now = linuxbase::MonotonicMs();
    if (ready > 0) {
      if (fds[0].revents & POLLIN) TakeDatagrams(now);
      for (size_t i = 1; i < firstClient; ++i)
        if (fds[i].revents & POLLIN) Accept(fds[i].fd, now);
    }
    // Each client gets at most one read and one write per pass.
    for (size_t i = 0; i < polled.size(); ++i) {
      ClientConnection* client = polled[i];
      short revents = ready > 0 ? fds[firstClient + i].revents : 0;
      bool close = false;
      if (revents & (POLLERR | POLLNVAL)) close = true;
      if (!close && (revents & POLLOUT)) close = client->Flush() == ClientConnection::Outcome::kClose;
      if (!close && (revents & (POLLIN | POLLHUP))) {
        auto answer = [&](const std::string& line, Session& session) { return AnswerLine(line, session, now); };
        close = client->Receive(now, answer) == ClientConnection::Outcome::kClose;
      }
      if (!close && client->Idle(now)) close = true;
      if (close) clients_.remove_if([client](const std::unique_ptr<ClientConnection>& c) { return c.get() == client; });
    }
  }
}

}  // namespace vigil_nut
