#include "config/config.h"

#include <cstring>

#include "platform/debug_output.h"

using platform::RegKey;
using platform::RegKeyHandle;

namespace {

void LoadInt(RegKey key, const CIntData& data) {
  uint32_t value = 0;
  if (platform::QueryRegDword(key, data.valueName, &value) == platform::kRegOk)
    *data.value = static_cast<int32_t>(value);
}

// A REG_SZ of at most kStringBufferBytes bytes.
bool QueryString(RegKey key, const std::string& name, std::string* text) {
  return platform::QueryRegString(key, name, CConfig::kStringBufferBytes, text) == platform::kRegOk;
}

void LoadText(RegKey key, const CStrData& data) { QueryString(key, data.valueName, data.value); }

void LoadStringList(RegKey key, const CStrListData& data) {
  RegKeyHandle list;
  if (platform::OpenRegKey(key, data.valueName, platform::kKeyQueryValue, list.out()) != platform::kRegOk) return;
  // Replaced, not appended to: a second Load must not repeat the entries.
  data.value->clear();
  std::string entry;
  for (int i = 0; QueryString(list.get(), std::to_string(i), &entry); ++i) data.value->push_back(entry);
}

bool WriteString(RegKey key, const std::string& name, const std::string& member) {
  std::string text(member.c_str());
  // What Load could not read back is not written: the registry keeps the
  // value it had rather than one that would silently fall back to a default.
  if (text.size() >= CConfig::kStringBufferBytes) {
    platform::DebugPrintf("config: \"%s\" not saved: %lu bytes, at most %u can be loaded\n", name.c_str(),
                          static_cast<unsigned long>(text.size()), CConfig::kStringBufferBytes - 1);
    return false;
  }
  long result = platform::SetRegString(key, name, text);
  if (result == platform::kRegOk) return true;
  platform::DebugPrintf("config: \"%s\" not saved: %s\n", name.c_str(), platform::RegResultText(result));
  return false;
}

void SaveInt(RegKey key, const CIntData& data) {
  long result = platform::SetRegDword(key, data.valueName, static_cast<uint32_t>(*data.value));
  if (result != platform::kRegOk)
    platform::DebugPrintf("config: \"%s\" not saved: %s\n", data.valueName.c_str(), platform::RegResultText(result));
}

void SaveStringList(RegKey key, const CStrListData& data) {
  RegKeyHandle list;
  long result = platform::CreateRegKey(key, data.valueName, platform::kKeyWrite, list.out(), nullptr);
  if (result != platform::kRegOk) {
    platform::DebugPrintf("config: list \"%s\" not saved: %s\n", data.valueName.c_str(),
                          platform::RegResultText(result));
    return;
  }
  const auto& entries = *data.value;
  for (size_t i = 0; i < entries.size(); ++i) WriteString(list.get(), std::to_string(i), entries[i]);
  // Entries left from a longer list would come back at the next Load.
  size_t stale = entries.size();
  while (platform::DeleteRegValue(list.get(), std::to_string(stale)) == platform::kRegOk) ++stale;
}

}  // namespace

void CConfig::SetRootKey(platform::RegKey root, const std::string& path) {
  rootKey_ = root;
  keyPath_ = path;
  currentSubKey_ = -1;
}

void CConfig::SetSubKey(const std::string& name) {
  if (name.empty() || name == ".") {
    currentSubKey_ = -1;
    return;
  }
  for (size_t i = 0; i < subKeys_.size(); ++i) {
    if (subKeys_[i] == name) {
      currentSubKey_ = static_cast<int32_t>(i);
      return;
    }
  }
  subKeys_.push_back(name);
  currentSubKey_ = static_cast<int32_t>(subKeys_.size() - 1);
}

void CConfig::SetPrivateSubKey(const std::string& name) {
  SetSubKey(name);
  if (currentSubKey_ >= 0 && !IsPrivateSubKey(currentSubKey_)) privateSubKeys_.push_back(currentSubKey_);
}

bool CConfig::IsPrivateSubKey(int32_t index) const {
  for (int32_t i : privateSubKeys_)
    if (i == index) return true;
  return false;
}

void CConfig::AddInt(const std::string& name, int32_t def, int32_t* member) {
  settings_.push_back(std::make_unique<CIntData>(name, currentSubKey_, def, member));
  *member = def;
}

void CConfig::AddString(const std::string& name, const std::string& def, std::string* member) {
  settings_.push_back(std::make_unique<CStrData>(name, currentSubKey_, def, member));
  *member = def;
}

void CConfig::AddStringList(const std::string& name, std::vector<std::string>* member) {
  settings_.push_back(std::make_unique<CStrListData>(name, currentSubKey_, member));
}

int CConfig::RegisterValues() { return 1; }

std::string CConfig::SubKeyPath(int32_t index) const { return keyPath_ + "\\" + subKeys_[static_cast<size_t>(index)]; }

int CConfig::Load() {
  if (keyPath_.empty()) return 0;
  RegKeyHandle key;
  if (platform::OpenRegKey(rootKey_, keyPath_, platform::kKeyQueryValue, key.out()) != platform::kRegOk) return 0;
  RegKeyHandle subKey;
  int32_t openSubKey = -1;  // index of the subkey `subKey` holds, when it holds one
  for (const auto& data : settings_) {
    RegKey handle = key.get();
    if (data->subKeyIndex >= 0) {
      if (!subKey.get() || openSubKey != data->subKeyIndex) {
        openSubKey = -1;
        // A subkey that cannot be opened skips this setting; the next one tries again.
        if (platform::OpenRegKey(rootKey_, SubKeyPath(data->subKeyIndex), platform::kKeyQueryValue, subKey.out()) !=
            platform::kRegOk) {
          subKey.Reset();
          continue;
        }
        openSubKey = data->subKeyIndex;
      }
      handle = subKey.get();
    }
    if (data->IsKindOf(&CIntData::runtimeClass))
      LoadInt(handle, static_cast<const CIntData&>(*data));
    else if (data->IsKindOf(&CStrData::runtimeClass))
      LoadText(handle, static_cast<const CStrData&>(*data));
    else if (data->IsKindOf(&CStrListData::runtimeClass))
      LoadStringList(handle, static_cast<const CStrListData&>(*data));
  }
  return 1;
}

int CConfig::Save() {
  if (keyPath_.empty()) return 0;
  RegKeyHandle key;
  long result = platform::CreateRegKey(rootKey_, keyPath_, platform::kKeyWrite, key.out(), nullptr);
  if (result != platform::kRegOk) {
    platform::DebugPrintf("config: cannot create %s: %s\n", keyPath_.c_str(), platform::RegResultText(result));
    return 0;
  }
  RegKeyHandle subKey;
  int32_t openSubKey = -1;
  for (const auto& data : settings_) {
    RegKey handle = key.get();
    if (data->subKeyIndex >= 0) {
      if (!subKey.get() || openSubKey != data->subKeyIndex) {
        std::string path = SubKeyPath(data->subKeyIndex);
        result = IsPrivateSubKey(data->subKeyIndex)
                     ? platform::CreatePrivateRegKey(rootKey_, path, platform::kKeyWrite, subKey.out(), nullptr)
                     : platform::CreateRegKey(rootKey_, path, platform::kKeyWrite, subKey.out(), nullptr);
        if (result != platform::kRegOk) {
          platform::DebugPrintf("config: cannot create %s: %s\n", path.c_str(), platform::RegResultText(result));
          return 0;
        }
        openSubKey = data->subKeyIndex;
      }
      handle = subKey.get();
    }
    if (data->IsKindOf(&CIntData::runtimeClass))
      SaveInt(handle, static_cast<const CIntData&>(*data));
    else if (data->IsKindOf(&CStrData::runtimeClass))
      WriteString(handle, data->valueName, *static_cast<const CStrData&>(*data).value);
    else if (data->IsKindOf(&CStrListData::runtimeClass))
      SaveStringList(handle, static_cast<const CStrListData&>(*data));
  }
  return 1;
}
