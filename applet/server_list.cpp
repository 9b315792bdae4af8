#include "applet/server_list.h"

#include "alerter/lan_datagram.h"
#include "alerter/lan_signature.h"
#include "platform/win1252.h"

namespace applet {

ServerList::ServerList() = default;
ServerList::~ServerList() = default;

void ServerList::SetKey(const std::string& key) {
  verifier_.reset();
  if (key.empty()) return;
  verifier_ = std::make_unique<LanVerifier>();
  SetLanKey(verifier_.get(), key.data(), key.size());
}

bool ServerList::Collect(const uint8_t* bytes, size_t count) {
  auto datagram = DecodeLanDatagram(bytes, count);
  if (!datagram) return false;
  // A server that cannot sign would not be followed: it is not offered.
  if (verifier_ && VerifyLanDatagram(verifier_.get(), bytes, count, LanWallClockMs()).refusal != LanRefusal::kNone)
    return false;
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
