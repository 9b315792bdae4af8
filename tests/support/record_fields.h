// Reading the product's binary records from a test: the status pipe's reply
// and the event file "EvtVigil20.dat", whose numbers are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The signed 32-bit little-endian number at `offset` of `bytes`; -999 when
// `bytes` is too short to hold it.
int32_t Int32Field(const std::string& bytes, size_t offset);

// The event codes of an event file's bytes, oldest first: the number at
// byte 24 of each complete 28-byte record; a cut record at the end is not
// counted.
std::vector<int32_t> EventFileCodes(const std::string& bytes);
