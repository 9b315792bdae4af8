// Unix sockets of type SOCK_SEQPACKET, the carrier of the stand-ins that
// pass messages between processes (pipe, session, windows, service
// manager): each send is one message, delivered whole or not at all. A
// descriptor returned is the caller's to close (linuxbase::UniqueFd).
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace platform::seqpacket {

// A listening socket at `path` with file mode `mode`. A socket file left by
// a process that ended is replaced; one that a live process serves is not
// (EADDRINUSE). -1 with errno set on failure.
int Listen(const std::string& path, mode_t mode, int backlog);

// A connected socket, or -1 with errno set (ENOENT or ECONNREFUSED: nobody
// serves `path`).
int Connect(const std::string& path);

// Accepts one connection; -1 with errno set.
int Accept(int listener);

// Sends one message; false with errno set.
bool Send(int fd, const void* data, size_t size);

// Receives one message into `buffer`, waiting at most timeout_ms (-1: no
// limit). Returns its size (cut to `size`; *truncated tells), 0 when the peer
// closed, -1 on failure or time-out (errno ETIMEDOUT).
ssize_t Receive(int fd, void* buffer, size_t size, int timeout_ms, bool* truncated = nullptr);

// True when `path` fits a Unix socket address.
bool PathFits(const std::string& path);

}  // namespace platform::seqpacket
