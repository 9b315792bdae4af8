// The registry through the Win32 calls on HKEY_LOCAL_MACHINE. A RegKey owns
// one HKEY; the result codes are the calls' own.
#include <windows.h>
#include <sddl.h>

#include <vector>

#include "platform/registry.h"

struct platform::RegKeyObject {
  HKEY handle;
  bool predefined;
};

namespace platform {
namespace {

RegKeyObject local_machine_root{HKEY_LOCAL_MACHINE, true};

}  // namespace

RegKey const kLocalMachine = &local_machine_root;

long OpenRegKey(RegKey parent, const std::string& subkey, uint32_t access, RegKey* result) {
  if (!parent) return kRegInvalidHandle;
  HKEY opened = nullptr;
  LONG status = RegOpenKeyExA(parent->handle, subkey.c_str(), 0, access, &opened);
  if (status == ERROR_SUCCESS) *result = new RegKeyObject{opened, false};
  return status;
}

long CreateRegKey(RegKey parent, const std::string& subkey, uint32_t access, RegKey* result, bool* created) {
  if (!parent) return kRegInvalidHandle;
  HKEY opened = nullptr;
  DWORD disposition = 0;
  LONG status = RegCreateKeyExA(parent->handle, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                &opened, &disposition);
  if (status != ERROR_SUCCESS) return status;
  *result = new RegKeyObject{opened, false};
  if (created) *created = disposition == REG_CREATED_NEW_KEY;
  return kRegOk;
}

long CreatePrivateRegKey(RegKey parent, const std::string& subkey, uint32_t access, RegKey* result, bool* created) {
  if (!parent) return kRegInvalidHandle;
  // Full control for the administrators and the system, nobody else, not
  // inherited from the parent.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;KA;;;BA)(A;OICI;KA;;;SY)", SDDL_REVISION_1,
                                                            &descriptor, nullptr))
    return static_cast<long>(GetLastError());
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  HKEY opened = nullptr;
  DWORD disposition = 0;
  LONG status = RegCreateKeyExA(parent->handle, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access | WRITE_DAC,
                                &attributes, &opened, &disposition);
  // Set again whether the key is new or not: a key made before (by hand, or
  // by an older version) gets the list too, and Wine creates a key without
  // the list it is given.
  if (status == ERROR_SUCCESS) {
    status = RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, descriptor);
    if (status != ERROR_SUCCESS) RegCloseKey(opened);
  }
  LocalFree(descriptor);
  if (status != ERROR_SUCCESS) return status;
  *result = new RegKeyObject{opened, false};
  if (created) *created = disposition == REG_CREATED_NEW_KEY;
  return kRegOk;
}

long CloseRegKey(RegKey key) {
  if (!key) return kRegInvalidHandle;
  if (key->predefined) return kRegOk;
  LONG status = RegCloseKey(key->handle);
  delete key;
  return status;
}

long QueryRegValue(RegKey key, const std::string& name, uint32_t* type, uint8_t* data, uint32_t* size) {
  if (!key) return kRegInvalidHandle;
  if (data && !size) return kRegInvalidParameter;
  DWORD stored_type = REG_NONE;
  DWORD needed = 0;
  // The size first: a value that does not fit must leave `data` untouched,
  // which RegQueryValueExA itself does not promise.
  LONG status = RegQueryValueExA(key->handle, name.c_str(), nullptr, &stored_type, nullptr, &needed);
  if (status != ERROR_SUCCESS) return status;
  if (type) *type = stored_type;
  if (data && needed > *size) {
    *size = needed;
    return kRegMoreData;
  }
  if (data) {
    DWORD got = *size;
    status = RegQueryValueExA(key->handle, name.c_str(), nullptr, &stored_type, data, &got);
    if (status != ERROR_SUCCESS) return status;
    if (type) *type = stored_type;
    needed = got;
  }
  if (size) *size = needed;
  return kRegOk;
}

long SetRegValue(RegKey key, const std::string& name, uint32_t type, const uint8_t* data, uint32_t size) {
  if (!key) return kRegInvalidHandle;
  if (name.size() > kMaxValueNameBytes || size > kMaxValueBytes || (size > 0 && !data)) return kRegInvalidParameter;
  return RegSetValueExA(key->handle, name.c_str(), 0, type, data, size);
}

long DeleteRegValue(RegKey key, const std::string& name) {
  if (!key) return kRegInvalidHandle;
  return RegDeleteValueA(key->handle, name.c_str());
}

long DeleteRegTree(RegKey parent, const std::string& subkey) {
  if (!parent) return kRegInvalidHandle;
  if (subkey.empty()) return kRegInvalidParameter;
  return RegDeleteTreeA(parent->handle, subkey.c_str());
}

long EnumRegValue(RegKey key, uint32_t index, std::string* name, uint32_t* type, std::vector<uint8_t>* data) {
  if (!key) return kRegInvalidHandle;
  // The longest name and data of the key bound the buffers; a value that
  // grows between the two calls is asked for again.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD max_name = 0, max_data = 0;
    LONG status = RegQueryInfoKeyA(key->handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   &max_name, &max_data, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return status;
    std::vector<char> name_buffer(max_name + 1);
    std::vector<uint8_t> data_buffer(max_data + 1);
    DWORD name_size = static_cast<DWORD>(name_buffer.size());
    DWORD data_size = static_cast<DWORD>(data_buffer.size());
    DWORD stored_type = REG_NONE;
    status = RegEnumValueA(key->handle, index, name_buffer.data(), &name_size, nullptr, &stored_type,
                           data_buffer.data(), &data_size);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) return status;
    if (name) name->assign(name_buffer.data(), name_size);
    if (type) *type = stored_type;
    if (data) data->assign(data_buffer.begin(), data_buffer.begin() + data_size);
    return kRegOk;
  }
  return kRegMoreData;
}

long EnumRegSubKey(RegKey key, uint32_t index, std::string* name) {
  if (!key) return kRegInvalidHandle;
  char buffer[kMaxKeyNameBytes + 1];
  DWORD size = sizeof buffer;
  LONG status = RegEnumKeyExA(key->handle, index, buffer, &size, nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) name->assign(buffer, size);
  return status;
}

long DescribeRegKeyDamage(RegKey key, std::vector<std::string>* problems) {
  if (!key) return kRegInvalidHandle;
  problems->clear();
  return kRegOk;
}

}  // namespace platform
