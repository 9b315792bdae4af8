#include "core/status_record.h"

#include <cstring>

namespace core {

bool SameAlarms(const CState& a, const CState& b) {
  return a.batteryCritical == b.batteryCritical && a.bypass == b.bypass && a.powerFailure == b.powerFailure &&
         a.signalFault == b.signalFault && a.autonomyEnd == b.autonomyEnd;
}

void CopyAlarms(CState& dst, const CState& src) {
  dst.powerFailure = src.powerFailure;
  dst.signalFault = src.signalFault;
  dst.bypass = src.bypass;
  dst.batteryCritical = src.batteryCritical;
}

void CopyState(CState& dst, const CState& src) {
  constexpr size_t kFrom = offsetof(CState, fromNetwork);
  std::memcpy(reinterpret_cast<char*>(&dst) + kFrom, reinterpret_cast<const char*>(&src) + kFrom,
              sizeof(CState) - kFrom);
}

void ClearAlarms(CState& record) {
  record.autonomyEnd = 0;
  record.bypass = 0;
  record.signalFault = 0;
  record.powerFailure = 0;
  record.batteryCritical = 0;
}

}  // namespace core
