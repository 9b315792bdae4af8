// The registry-backed settings store: a key path under a registry root, a
// list of subkeys, and the ordered table of settings declared by
// RegisterValues. Load fills the members from the registry; Save writes
// them all back. Values present in the registry but not declared are never
// read, written or deleted.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/data.h"
#include "framework/object.h"
#include "platform/registry.h"

class CConfig : public CObject {
 public:
  static constexpr CRuntimeClass runtimeClass{"CConfig", &CObject::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  // Strings are read into a buffer of this many bytes, terminator included:
  // a stored string of 255 bytes or more does not load.
  static constexpr uint32_t kStringBufferBytes = 255;

  CConfig() = default;
  ~CConfig() override = default;
  // Descriptors point into the derived object's members; copies would not.
  CConfig(const CConfig&) = delete;
  CConfig& operator=(const CConfig&) = delete;

  // Sets the root and the key path below it; selects the key itself.
  void SetRootKey(platform::RegKey root, const std::string& path);
  // Selects the subkey for the settings declared next: "" or "." is the key
  // itself; any other name (compared byte for byte) reuses its list entry or
  // is appended.
  void SetSubKey(const std::string& name);
  // SetSubKey for a subkey that holds a secret: Save creates it readable
  // and writable by administrators and the system only.
  void SetPrivateSubKey(const std::string& name);
  bool IsPrivateSubKey(int32_t index) const;

  // Declare a setting in the current subkey and give `member` its default at
  // once. `member` must outlive the store.
  void AddInt(const std::string& name, int32_t def, int32_t* member);
  void AddString(const std::string& name, const std::string& def, std::string* member);
  void AddStringList(const std::string& name, std::vector<std::string>* member);

  // Declares the settings; this base declares none. Returns 1.
  virtual int RegisterValues();

  // 1 when the key could be opened (members are set from the values that
  // read correctly), 0 when the path is empty or the key cannot be opened.
  int Load();
  // 1 when the key and every needed subkey could be created or opened,
  // 0 otherwise. A single value that cannot be written is told on the debug
  // output but does not change the result.
  int Save();

  const std::vector<std::string>& SubKeys() const { return subKeys_; }
  const std::vector<std::unique_ptr<CData>>& Settings() const { return settings_; }

 private:
  std::string SubKeyPath(int32_t index) const;

  platform::RegKey rootKey_ = platform::kLocalMachine;
  std::string keyPath_;
  int32_t currentSubKey_ = -1;
  std::vector<std::string> subKeys_;
  std::vector<int32_t> privateSubKeys_;           // indexes into subKeys_
  std::vector<std::unique_ptr<CData>> settings_;  // in declaration order
};
