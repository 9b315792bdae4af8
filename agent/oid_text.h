// An OID as the debug trace shows it: every sub-identifier as a signed
// decimal number ("%d", then ".%d"), so a row position not yet filled shows
// as -1.
#pragma once

#include <cstddef>

#include "platform/snmp.h"

// The trace's OID texts are 256 bytes.
inline constexpr size_t kOidTextBytes = 256;

// Writes the text into `buffer` of `size` bytes (at least 1). An OID whose
// text does not fit is cut after the last sub-identifier that fits whole,
// and ends with "..." when there is room for it.
void OidToText(const AsnObjectIdentifier& oid, char* buffer, size_t size);
