#include "tools/vigil_nut/datagram_trust.h"

#include <cstdio>

namespace vigil_nut {
namespace {

// A received name as the journal may show it: its control bytes as '?'.
std::string Printable(const LanDatagram& datagram) {
  std::string name;
  for (size_t i = 0; i < datagram.name_len && i < kLanNameMax; ++i) {
    auto c = static_cast<unsigned char>(datagram.name[i]);
    name += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
  }
  return name;
}

}  // namespace

DatagramTrust::DatagramTrust(const std::string& key)
    : keyed_(!key.empty()), verifier_(std::make_unique<LanVerifier>()) {
  if (keyed_) SetLanKey(verifier_.get(), key.data(), key.size());
}

std::optional<LanDatagram> DatagramTrust::Believed(const uint8_t* bytes, size_t count, uint64_t nowMs) {
  std::optional<LanDatagram> datagram = DecodeLanDatagram(bytes, count);
  if (!datagram || !keyed_) return datagram;
  LanVerdict verdict = VerifyLanDatagram(verifier_.get(), bytes, count, nowMs);
  if (verdict.refusal == LanRefusal::kNone) return datagram;
  if (verdict.report)
    std::fprintf(stderr, "vigil-nut: datagram of %s refused: %s\n", Printable(*datagram).c_str(),
                 LanRefusalText(verdict.refusal));
  if (verdict.reportsFull) std::fprintf(stderr, "vigil-nut: further refused datagrams are only counted\n");
  return std::nullopt;
}

}  // namespace vigil_nut
