#include "registrar/registry_key_ref.h"

#include "registrar/registry_key.h"

#include <cstring>

namespace qvapi {

namespace {
// Subkey names are enumerated into a buffer of this size; a longer name
// ends the enumeration, and the key's own deletion then fails.
constexpr DWORD kEnumeratedNameSize = 256;
}  // namespace

LONG RegistryKeyRef::SetString(const char* name, const char* text) noexcept {
  auto size = static_cast<DWORD>(std::strlen(text) + 1);
  return registry_->SetValue(handle_, name, REG_SZ, reinterpret_cast<const BYTE*>(text), size);
}

LONG RegistryKeyRef::SetDword(const char* name, std::uint32_t number) noexcept {
  const BYTE bytes[4] = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                         static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
  return registry_->SetValue(handle_, name, REG_DWORD, bytes, sizeof bytes);
}

LONG RegistryKeyRef::DeleteSubtree(const char* name) noexcept {
  if (*name == '\0') return ERROR_INVALID_PARAMETER;
  RegistryKey child(*registry_);
  LONG error = child.Open(handle_, name, KEY_ALL_ACCESS);
  if (error != ERROR_SUCCESS) return error;
  // Each deletion moves the next subkey to index 0.
  for (;;) {
    char subkey[kEnumeratedNameSize];
    DWORD size = kEnumeratedNameSize;
    if (registry_->EnumKey(child.Handle(), 0, subkey, &size) != ERROR_SUCCESS) break;
    error = child.DeleteSubtree(subkey);
    if (error != ERROR_SUCCESS) return error;
  }
  child.Close();
  return registry_->DeleteKey(handle_, name);
}

bool RegistryKeyRef::HasSubkeys() const noexcept {
  DWORD subkeys = 0;
  return registry_->QueryCounts(handle_, &subkeys, nullptr) == ERROR_SUCCESS && subkeys > 0;
}

bool RegistryKeyRef::HasValues() const noexcept {
  DWORD values = 0;
  if (registry_->QueryCounts(handle_, nullptr, &values) != ERROR_SUCCESS) return false;
  if (values != 1) return values > 0;
  // One value: only an empty default value makes the key count as occupied;
  // a named value (the query fails) does too.
  DWORD size = 0;
  if (registry_->QueryDefaultValueSize(handle_, &size) != ERROR_SUCCESS) return true;
  return size == 0;
}

}  // namespace qvapi
