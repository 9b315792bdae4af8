// A name lookup's answer (a hostent, from either system's sockets) as the
// programs take it. A template, so that this file needs neither system's
// headers: each implementation includes it after its own.
#pragma once

#include <cstring>

#include "platform/udp_socket.h"

namespace platform {

template <typename Hostent>
HostEntry EntryOf(const Hostent& found) {
  HostEntry entry;
  entry.officialName = found.h_name ? found.h_name : "";
  if (found.h_aliases && found.h_aliases[0]) entry.firstAlias = found.h_aliases[0];
  if (found.h_addrtype == AF_INET && found.h_length == 4 && found.h_addr_list && found.h_addr_list[0]) {
    std::memcpy(entry.address, found.h_addr_list[0], 4);
    entry.hasAddress = true;
  }
  return entry;
}

}  // namespace platform
