// The registry: keys under HKEY_LOCAL_MACHINE holding typed values, shaped
// after the Win32 calls they stand for (RegOpenKeyExA, RegCreateKeyExA,
// RegQueryValueExA, RegSetValueExA, RegDeleteValueA, RegDeleteTreeA,
// RegEnumValueA, RegEnumKeyExA, RegCloseKey), with their result codes.
//
// Names are byte strings (the programs' ANSI code page, Windows-1252), kept
// byte for byte; key and value names compare without regard to the case of
// ASCII letters, as on Windows. Key paths separate levels with '\'.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/error_codes.h"

namespace platform {

// An open key. Opaque; closed with CloseRegKey. kLocalMachine needs no close.
struct RegKeyObject;
using RegKey = RegKeyObject*;
extern RegKey const kLocalMachine;

// Value types (the Win32 REG_* numbers).
inline constexpr uint32_t kRegNone = 0;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;

// Access rights (the Win32 KEY_* bits).
inline constexpr uint32_t kKeyQueryValue = 0x0001;
inline constexpr uint32_t kKeySetValue = 0x0002;
inline constexpr uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr uint32_t kKeyRead = 0x20019;
inline constexpr uint32_t kKeyWrite = 0x20006;
inline constexpr uint32_t kKeyAllAccess = 0xF003F;

// Result codes (the Win32 ERROR_* numbers).
inline constexpr long kRegOk = kErrorSuccess;
inline constexpr long kRegNotFound = kErrorFileNotFound;      // no such key or value
inline constexpr long kRegAccessDenied = kErrorAccessDenied;  // handle lacks the right; unwritable store
inline constexpr long kRegInvalidHandle = kErrorInvalidHandle;
inline constexpr long kRegInvalidParameter = kErrorInvalidParameter;  // bad name, path or size
inline constexpr long kRegMoreData = kErrorMoreData;                  // the value does not fit the buffer
inline constexpr long kRegNoMoreItems = kErrorNoMoreItems;            // enumeration finished
inline constexpr long kRegBadDb = kErrorBadDb;                        // the stored key cannot be read
inline constexpr long kRegKeyDeleted = kErrorKeyDeleted;              // the open key was deleted
inline constexpr long kRegIoError = kErrorIoDevice;                   // a read or write of the store failed
inline constexpr long kRegWrongType = kErrorUnsupportedType;          // the value is not of the type asked for

// Largest value data and value name accepted by SetRegValue.
inline constexpr uint32_t kMaxValueBytes = 1024 * 1024;
inline constexpr uint32_t kMaxValueNameBytes = 16383;
inline constexpr uint32_t kMaxKeyNameBytes = 255;

// Opens `subkey` (a path below `parent`; empty opens `parent` again) with
// `access` rights. *result is set only on kRegOk.
long OpenRegKey(RegKey parent, const std::string& subkey, uint32_t access, RegKey* result);

// Opens `subkey`, creating it and its missing parents. *created (optional)
// tells whether the last level was new.
long CreateRegKey(RegKey parent, const std::string& subkey, uint32_t access, RegKey* result, bool* created);

// CreateRegKey for a key whose values only administrators and the system
// may read or change (one that holds a secret): on Windows the last level's
// access list says so, set also when the key existed; here its directory has
// mode 0700 and its file of values 0600, which later writes keep.
long CreatePrivateRegKey(RegKey parent, const std::string& subkey, uint32_t access, RegKey* result, bool* created);

long CloseRegKey(RegKey key);

// RegQueryValueExA: any of `type`, `data` may be null. With `data`, *size is
// the buffer's size on entry; a value longer than that fails with
// kRegMoreData and leaves `data` untouched. On kRegOk and kRegMoreData *size
// is the value's size. A value whose stored line is damaged reads as
// kRegNotFound; a key whose stored form cannot be read at all, as kRegBadDb.
long QueryRegValue(RegKey key, const std::string& name, uint32_t* type, uint8_t* data, uint32_t* size);

// RegSetValueExA: stores `size` bytes of `data` under `name` as `type`,
// replacing any value of that name. The key's stored form is replaced whole.
long SetRegValue(RegKey key, const std::string& name, uint32_t type, const uint8_t* data, uint32_t size);

long DeleteRegValue(RegKey key, const std::string& name);

// Deletes `subkey` of `parent` with all its values and subkeys.
long DeleteRegTree(RegKey parent, const std::string& subkey);

// The index-th value (from 0) or subkey name; kRegNoMoreItems past the last.
// Values come in stored order, subkeys in byte order of their names.
long EnumRegValue(RegKey key, uint32_t index, std::string* name, uint32_t* type, std::vector<uint8_t>* data);
long EnumRegSubKey(RegKey key, uint32_t index, std::string* name);

// Parts of the key's stored form that cannot be read, one text each, naming
// the place and the fault; empty for a sound key. What they held reads as
// missing. (Windows keeps no such form; there it is always empty.)
long DescribeRegKeyDamage(RegKey key, std::vector<std::string>* problems);

// A short English text for a result code, for messages.
const char* RegResultText(long result);

// Owns an open key and closes it when destroyed or reset. Never closes
// kLocalMachine.
class RegKeyHandle {
 public:
  RegKeyHandle() = default;
  explicit RegKeyHandle(RegKey key) : key_(key) {}
  ~RegKeyHandle() { Reset(); }
  RegKeyHandle(RegKeyHandle&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
  RegKeyHandle& operator=(RegKeyHandle&& other) noexcept;
  RegKeyHandle(const RegKeyHandle&) = delete;
  RegKeyHandle& operator=(const RegKeyHandle&) = delete;

  RegKey get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }
  // Closes the key held and gives the slot to OpenRegKey or CreateRegKey.
  RegKey* out() {
    Reset();
    return &key_;
  }
  void Reset();

 private:
  RegKey key_ = nullptr;
};

// The 4 stored bytes of a REG_DWORD, little-endian, and back.
uint32_t DwordFromBytes(const uint8_t* bytes);
void DwordToBytes(uint32_t value, uint8_t* bytes);

// A REG_DWORD of 4 bytes, little-endian as stored. kRegWrongType for a value
// of another type or size; *value is set only on kRegOk.
long QueryRegDword(RegKey key, const std::string& name, uint32_t* value);
long SetRegDword(RegKey key, const std::string& name, uint32_t value);

// A REG_SZ read into a buffer of `bufferBytes` (terminator included): a
// longer value fails with kRegMoreData. The text ends at its first zero byte,
// or at the value's end when it was stored without one. kRegWrongType for a
// value of another type; *text is set only on kRegOk.
long QueryRegString(RegKey key, const std::string& name, uint32_t bufferBytes, std::string* text);
// Stores `text` up to its first zero byte, with one terminating zero.
long SetRegString(RegKey key, const std::string& name, const std::string& text);

}  // namespace platform
