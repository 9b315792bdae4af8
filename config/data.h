// Value descriptors of the settings store: one per registry value, naming
// the value, the subkey it lives in and the member it fills. The store
// decides how to read and write each one by its run-time class.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/object.h"

class CData : public CObject {
 public:
  static constexpr CRuntimeClass runtimeClass{"CData", &CObject::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  CData(std::string name, int32_t subKey) : valueName(std::move(name)), subKeyIndex(subKey) {}

  std::string valueName;  // registry value name, bytes as stored
  int32_t subKeyIndex;    // position in the store's subkey list; -1 = the key itself
};

// A REG_DWORD setting.
class CIntData : public CData {
 public:
  static constexpr CRuntimeClass runtimeClass{"CIntData", &CData::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  CIntData(std::string name, int32_t subKey, int32_t def, int32_t* member)
      : CData(std::move(name), subKey), defaultValue(def), value(member) {}

  int32_t defaultValue;
  int32_t* value;  // not owned: a member of the settings object
};

// A REG_SZ setting.
class CStrData : public CData {
 public:
  static constexpr CRuntimeClass runtimeClass{"CStrData", &CData::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  CStrData(std::string name, int32_t subKey, std::string def, std::string* member)
      : CData(std::move(name), subKey), defaultValue(std::move(def)), value(member) {}

  std::string defaultValue;
  std::string* value;  // not owned
};

// A list of strings, stored as a subkey named like the value whose REG_SZ
// values "0", "1", "2", ... are the entries.
class CStrListData : public CData {
 public:
  static constexpr CRuntimeClass runtimeClass{"CStrListData", &CData::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  CStrListData(std::string name, int32_t subKey, std::vector<std::string>* member)
      : CData(std::move(name), subKey), value(member) {}

  std::vector<std::string>* value;  // not owned
};
