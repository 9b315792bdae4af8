#include "lan_message.h"

#include <cstdio>
#include <cstring>
#include <sys/select.h>

#include "config_file.h"
#include "core/datagram_state.h"
#include "core/lan_trust.h"
#include "log_file.h"
#include "shared_block.h"

using core::DecodeLanDatagram;
using core::EncodeLanDatagram;
using core::LanDatagram;
using core::LanRefusalText;
using core::LanSender;
using core::LanTrust;
using core::LanWallClockMs;
using core::SignLanDatagram;
using core::kLanDatagramMax;
using core::kLanNameMax;
using core::kLanSignedMax;

namespace {

LanSender sender;

// The log's words for a refusal, under the sender's name as the log shows
// any received name: control characters as '?'.
void ReportRefusal(const LanTrust::Refusal& refusal) {
  const LanDatagram& d = refusal.sender;
  char name[kLanNameMax + 1];
  for (size_t i = 0; i <= d.name_len && i <= kLanNameMax; ++i) {
    char c = d.name[i];
    name[i] = (c != 0 && (static_cast<uint8_t>(c) < 0x20 || c == 0x7F)) ? '?' : c;
  }
  name[d.name_len] = '\0';
  Printl(name, LanRefusalText(refusal.reason), config.console_on);
  if (refusal.lastTold)
    Printl(name, "Recusas de outras estacoes e motivos nao serao mais relatadas", config.console_on);
}

}  // namespace

bool LanKeyed() { return key_config.net_key[0] != '\0'; }

size_t SignDatagram(uint8_t buffer[kLanSignedMax], size_t size) {
  if (!LanKeyed()) return size;
  return SignLanDatagram(buffer, size, kLanSignedMax, key_config.net_key, std::strlen(key_config.net_key), &sender,
                         LanWallClockMs());
}

bool CheckDatagram(const LanDatagram& decoded, const uint8_t* bytes, size_t count) {
  // Made at the first datagram, when the configuration has been read.
  static LanTrust trust(key_config.net_key, ReportRefusal);
  return trust.Believes(decoded, bytes, count, LanWallClockMs());
}

int AttrPkg(LanDatagram* record, const uint8_t* bytes, size_t count) {
  *record = LanDatagram{};
  auto parsed = DecodeLanDatagram(bytes, count);
  if (!parsed) return 1;
  *record = *parsed;
  return 0;
}

size_t BuildDatagram(uint8_t out[kLanDatagramMax]) {
  LanDatagram d;
  // The block's figures are 16-bit already: the wire takes them as they are.
  core::PutStateInDatagram(ReadUpsState(), &d);
  d.name_len = static_cast<uint8_t>(BlockName(d.name));
  return EncodeLanDatagram(d, out);
}

void CopyDatagramToBlock(const LanDatagram& d, bool own_estimate) {
  const core::UpsState server = core::StateOfDatagram(d);
  WriteMainsFailure(server.mains_failure);
  WriteBatteryCritical(server.battery_critical);
  WriteBypass(server.bypass);
  WriteSignalFault(server.signal_fault);
  if (own_estimate) {
    // The server's end of autonomy can raise the local one, never clear it.
    if (server.autonomy_end) WriteAutonomyEnd(true);
  } else {
    WriteAutonomyEnd(server.autonomy_end);
    WriteAutonomyFigures(server);
  }
  BlockSetName(d.name, d.name_len);
}

int WaitRecv(int socket) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket, &readable);
  struct timeval wait = {10, 0};
  int ready = select(socket + 1, &readable, nullptr, nullptr, &wait);
  if (ready < 0) std::perror("select");
  return ready;
}
