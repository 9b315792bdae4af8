// What the registry is the same on every system: result texts, the owning
// handle and the typed reads and writes, all over the calls of registry.h.
#include <cstring>
#include <vector>

#include "platform/registry.h"

namespace platform {

const char* RegResultText(long result) {
  switch (result) {
    case kRegOk:
      return "success";
    case kRegNotFound:
      return "no such key or value";
    case kRegAccessDenied:
      return "access denied";
    case kRegInvalidHandle:
      return "invalid key handle";
    case kRegInvalidParameter:
      return "invalid name, path or size";
    case kRegMoreData:
      return "the value does not fit the buffer";
    case kRegNoMoreItems:
      return "no more items";
    case kRegBadDb:
      return "the stored key cannot be read";
    case kRegKeyDeleted:
      return "the key was deleted";
    case kRegIoError:
      return "the registry store could not be read or written";
    case kRegWrongType:
      return "the value is not of the expected type";
    default:
      return "unknown registry error";
  }
}

RegKeyHandle& RegKeyHandle::operator=(RegKeyHandle&& other) noexcept {
  if (this != &other) {
    Reset();
    key_ = other.key_;
    other.key_ = nullptr;
  }
  return *this;
}

void RegKeyHandle::Reset() {
  if (key_ && key_ != kLocalMachine) CloseRegKey(key_);
  key_ = nullptr;
}

uint32_t DwordFromBytes(const uint8_t* bytes) {
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

void DwordToBytes(uint32_t value, uint8_t* bytes) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

long QueryRegDword(RegKey key, const std::string& name, uint32_t* value) {
  uint8_t bytes[4];
  uint32_t size = sizeof bytes;
  uint32_t type = kRegNone;
  long result = QueryRegValue(key, name, &type, bytes, &size);
  // A REG_DWORD too long does not fit the buffer: it is as mistyped as one too short.
  if (result == kRegMoreData) return kRegWrongType;
  if (result != kRegOk) return result;
  if (type != kRegDword || size != sizeof bytes) return kRegWrongType;
  *value = DwordFromBytes(bytes);
  return kRegOk;
}

long SetRegDword(RegKey key, const std::string& name, uint32_t value) {
  uint8_t bytes[4];
  DwordToBytes(value, bytes);
  return SetRegValue(key, name, kRegDword, bytes, sizeof bytes);
}

long QueryRegString(RegKey key, const std::string& name, uint32_t bufferBytes, std::string* text) {
  std::vector<uint8_t> buffer(bufferBytes);
  uint32_t size = bufferBytes;
  uint32_t type = kRegNone;
  long result = QueryRegValue(key, name, &type, buffer.data(), &size);
  if (result != kRegOk) return result;
  if (type != kRegSz) return kRegWrongType;
  const char* chars = reinterpret_cast<const char*>(buffer.data());
  *text = std::string(chars, strnlen(chars, size));
  return kRegOk;
}

long SetRegString(RegKey key, const std::string& name, const std::string& text) {
  const char* chars = text.c_str();
  return SetRegValue(key, name, kRegSz, reinterpret_cast<const uint8_t*>(chars),
                     static_cast<uint32_t>(std::strlen(chars) + 1));
}

}  // namespace platform
