#include "applet/server_list.h"

#include "platform/win1252.h"

using core::LanTrust;
using core::LanWallClockMs;

namespace applet {

void ServerList::SetKey(const std::string& key) { trust_ = LanTrust(key); }

bool ServerList::Collect(const uint8_t* bytes, size_t count) {
  // A server that cannot sign would not be followed: it is not offered.
  auto datagram = trust_.Believed(bytes, count, LanWallClockMs());
  if (!datagram) return false;
  // The record keeps the name as a C string, so it ends at a zero byte.
  std::string name(datagram->name);
  if (name.size() > kNameMax) name.resize(kNameMax);
  return Add(name);
}

bool ServerList::Add(const std::string& name) {
  // A sender without a name cannot be chosen as the one to accept.
  if (name.empty() || names_.size() >= kMaxServers) return false;
  std::string upper = win1252::UpperCase(name);
  for (const std::string& known : names_)
    if (win1252::CompareNoCase(known, upper) == 0) return false;
  names_.push_back(upper);
  return true;
}

}  // namespace applet
