#include "registrar/advapi_registry.h"

namespace qvapi {

LONG AdvapiRegistry::OpenKey(HKEY parent, const char* name, DWORD access, HKEY* key) {
  HKEY opened = nullptr;
  LONG error = RegOpenKeyExA(parent, name, 0, access, &opened);
  if (error == ERROR_SUCCESS) *key = opened;
  return error;
}

LONG AdvapiRegistry::CreateKey(HKEY parent, const char* name, HKEY* key) {
  HKEY created = nullptr;
  LONG error = RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                               nullptr, &created, nullptr);
  if (error == ERROR_SUCCESS) *key = created;
  return error;
}

LONG AdvapiRegistry::CloseKey(HKEY key) { return RegCloseKey(key); }

LONG AdvapiRegistry::SetValue(HKEY key, const char* name, DWORD type, const BYTE* data,
                              DWORD size) {
  return RegSetValueExA(key, name, 0, type, data, size);
}

LONG AdvapiRegistry::DeleteKey(HKEY parent, const char* name) {
  return RegDeleteKeyA(parent, name);
}

LONG AdvapiRegistry::DeleteValue(HKEY key, const char* name) { return RegDeleteValueA(key, name); }

LONG AdvapiRegistry::EnumKey(HKEY key, DWORD index, char* name, DWORD* size) {
  FILETIME lastWrite;
  return RegEnumKeyExA(key, index, name, size, nullptr, nullptr, nullptr, &lastWrite);
}

LONG AdvapiRegistry::QueryCounts(HKEY key, DWORD* subkeys, DWORD* values) {
  return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, subkeys, nullptr, nullptr, values,
                          nullptr, nullptr, nullptr, nullptr);
}

LONG AdvapiRegistry::QueryDefaultValueSize(HKEY key, DWORD* size) {
  return RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, size);
}

namespace {

// At namespace scope and constant-initialised: a function-local static
// would take the runtime's guard lock on first use, which allocates (and
// can fail) in the middle of a registration, and is never freed.
AdvapiRegistry platformRegistry;

}  // namespace

Registry& PlatformRegistry() { return platformRegistry; }

}  // namespace qvapi
