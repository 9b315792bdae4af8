// A notification outbox's file as found on disk, whatever it holds: what
// reads must write back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "web/notify/outbox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::optional<web::OutboxRecord> record = web::DecodeOutboxRecord(bytes);
  if (record) {
    std::optional<web::OutboxRecord> again = web::DecodeOutboxRecord(web::EncodeOutboxRecord(*record));
    if (!again || again->payload != record->payload || again->createdMs != record->createdMs) std::abort();
  }
  return 0;
}
