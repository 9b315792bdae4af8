// A channel's outbox: the messages not yet accepted by its server, one file
// each in a folder of their own, numbered in the order they were put. A
// message is on the disk (WriteFileDurably) before anyone tries to send
// it, and leaves only when the server has accepted it or when it is
// dropped; so a crash loses none, and at worst sends the one that was
// being sent twice. Safe from several threads at once.
//
// A file: the line "VN1 <created, ms since the epoch> <bytes> <FNV-1a 64 of
// the bytes, hex>", a line feed, then the bytes as they go to the server.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace web {

inline constexpr size_t kOutboxPayloadMax = 64 * 1024;
inline constexpr size_t kOutboxMessagesMax = 10000;

struct OutboxRecord {
  int64_t createdMs = 0;
  std::string payload;
};

std::string EncodeOutboxRecord(const OutboxRecord& record);
// Nothing for a record that is cut, over-long, altered or not one at all.
std::optional<OutboxRecord> DecodeOutboxRecord(std::string_view bytes);

class Outbox {
 public:
  explicit Outbox(std::string folder);

  // Makes the folder and learns what it holds. A file that is no record is
  // renamed *.bad and named in `setAside` (for the log).
  bool Open(std::string* error, std::string* setAside);

  // Puts a message behind the others; false with `error` when it could not
  // be written or the outbox is full (kOutboxMessagesMax).
  bool Put(const OutboxRecord& record, std::string* error);

  struct Head {
    uint64_t number = 0;
    OutboxRecord record;
  };
  // The oldest message. A file gone bad since Open is set aside as there.
  std::optional<Head> Oldest(std::string* setAside);
  bool Remove(uint64_t number, std::string* error);

  size_t Count() const;
  // When the oldest waiting message was made; nothing when none waits.
  std::optional<int64_t> OldestCreatedMs() const;

 private:
  std::string PathOf(uint64_t number) const;
  std::optional<OutboxRecord> ReadOrSetAside(const std::string& path, std::string* setAside);

  std::string folder_;
  mutable std::mutex lock_;
  std::map<uint64_t, int64_t> waiting_;  // number -> created
  uint64_t next_ = 1;
};

}  // namespace web
