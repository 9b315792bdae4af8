// CState, the UPS status record of the monitoring program. Its image is
// also the status pipe's reply: 216 bytes, integers 32-bit little-endian,
// at the offsets below.
#pragma once

#include <cstddef>
#include <cstdint>

namespace core {

struct CState {
  int32_t header;             //   0: always 0 in every image that leaves the program
  int32_t fromNetwork;        //   4: 1 in a record decoded from a LAN datagram
  char hostName[32];          //   8: station name, zero-terminated
  int32_t batteryCritical;    //  40
  int32_t powerFailure;       //  44
  int32_t bypass;             //  48
  int32_t signalFault;        //  52: the line pattern shows a cable or signalling fault
  int32_t serverLost;         //  56: a client has not heard its server for too long
  int32_t autonomyEnd;        //  60: the predicted autonomy is used up
  int32_t nominalAutonomy;    //  64: seconds, with a full battery
  int32_t fullAutonomy;       //  68: seconds available when the current (or next) discharge starts
  int32_t remainingAutonomy;  //  72: seconds predicted left; may be 0 or negative
  int32_t timeOnBattery;      //  76: seconds since the discharge began; 0 on mains
  int32_t reserved80;         //  80: 0
  int32_t reserved84;         //  84: 0
  uint8_t packet[128];        //  88: the last LAN datagram built from this record
};

static_assert(sizeof(CState) == 216, "the status record is 216 bytes");
static_assert(offsetof(CState, hostName) == 8 && offsetof(CState, batteryCritical) == 40 &&
                  offsetof(CState, autonomyEnd) == 60 && offsetof(CState, timeOnBattery) == 76 &&
                  offsetof(CState, packet) == 88,
              "the status record keeps its published layout");

inline constexpr size_t kStateImageBytes = sizeof(CState);

// The alarm part: batteryCritical, bypass, powerFailure, signalFault and
// autonomyEnd. serverLost is never compared nor copied by these.
bool SameAlarms(const CState& a, const CState& b);
// powerFailure, signalFault, bypass and batteryCritical only.
void CopyAlarms(CState& dst, const CState& src);
// Everything from offset 4 to the end (the header stays).
void CopyState(CState& dst, const CState& src);
// The five alarm flags to 0.
void ClearAlarms(CState& record);

}  // namespace core
