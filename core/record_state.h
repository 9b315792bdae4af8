// CState's edge of UpsState: the status record of the monitoring program
// and its image on the status pipe. The record holds the five alarm flags
// and the four autonomy figures as 32-bit integers; serverLost, the
// station name and the last datagram are the record's own.
#pragma once

#include "core/status_record.h"
#include "core/ups_state.h"

namespace core {

// A flag is set when its integer is not 0; every autonomy figure known.
UpsState StateOfRecord(const CState& record);

// The flags (0 or 1) and figures of `state` into `record` (an unknown
// figure as 0); the rest of the record untouched.
void PutStateInRecord(const UpsState& state, CState* record);

// The four alarms a UPS itself gives (mains failure, battery critical,
// bypass, signal fault) into `record` as 0 or 1; the end of the autonomy,
// the figures and the rest of the record untouched.
void PutAlarmsInRecord(const UpsState& state, CState* record);

}  // namespace core
