#include "core/lan_trust.h"

namespace core {

LanTrust::LanTrust(std::string_view key, Output output) : output_(std::move(output)) {
  if (key.empty()) return;
  verifier_ = std::make_unique<LanVerifier>();
  SetLanKey(verifier_.get(), key.data(), key.size());
}

LanTrust::~LanTrust() = default;
LanTrust::LanTrust(LanTrust&&) noexcept = default;
LanTrust& LanTrust::operator=(LanTrust&&) noexcept = default;

std::optional<LanDatagram> LanTrust::Believed(const uint8_t* bytes, size_t count, uint64_t nowMs,
                                              bool* notification) {
  std::optional<LanDatagram> sender = DecodeLanDatagram(bytes, count);
  if (notification) *notification = sender.has_value();
  if (!sender || !Verified(*sender, bytes, count, nowMs)) return std::nullopt;
  return sender;
}

bool LanTrust::Believes(const uint8_t* bytes, size_t count, uint64_t nowMs) {
  return Believed(bytes, count, nowMs).has_value();
}

bool LanTrust::Believes(const LanDatagram& decoded, const uint8_t* bytes, size_t count, uint64_t nowMs) {
  return Verified(decoded, bytes, count, nowMs);
}

bool LanTrust::Verified(const LanDatagram& sender, const uint8_t* bytes, size_t count, uint64_t nowMs) {
  if (!verifier_) return true;
  LanVerdict verdict = VerifyLanDatagram(verifier_.get(), bytes, count, nowMs);
  if (verdict.refusal == LanRefusal::kNone) return true;
  if (verdict.report && output_) output_(Refusal{sender, verdict.refusal, verdict.reportsFull});
  return false;
}

LanSignature LanTrust::SignatureOf(const uint8_t* bytes, size_t count) const {
  if (verifier_) return LanSignature::kVerified;
  return HasLanTrailer(bytes, count) ? LanSignature::kUnchecked : LanSignature::kNone;
}

uint64_t LanTrust::Refused(LanRefusal reason) const {
  return verifier_ ? verifier_->refused[static_cast<size_t>(reason)] : 0;
}

}  // namespace core
