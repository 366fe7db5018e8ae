// The registry calls the registrar makes, behind one narrow interface, so
// the same interpreter runs against the platform's registry (in the DLL)
// and against an in-memory registry (natively and in tests).
#pragma once

#include "common/platform_types.h"

namespace qvapi {

// Each call has the contract of the platform call it is named after and
// returns the platform's error code (ERROR_SUCCESS on success).
class Registry {
 public:
  virtual ~Registry() = default;

  // RegOpenKeyExA(parent, name, 0, access, key); on failure *key unchanged.
  virtual LONG OpenKey(HKEY parent, const char* name, DWORD access, HKEY* key) = 0;
  // RegCreateKeyExA(parent, name, 0, no class, non-volatile, KEY_ALL_ACCESS,
  // no security, key, no disposition); on failure *key unchanged.
  virtual LONG CreateKey(HKEY parent, const char* name, HKEY* key) = 0;
  // RegCloseKey.
  virtual LONG CloseKey(HKEY key) = 0;
  // RegSetValueExA; a null or empty name is the key's default value.
  virtual LONG SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) = 0;
  // RegDeleteKeyA: fails on a key that has subkeys.
  virtual LONG DeleteKey(HKEY parent, const char* name) = 0;
  // RegDeleteValueA.
  virtual LONG DeleteValue(HKEY key, const char* name) = 0;
  // RegEnumKeyExA(key, index, name, size, no class, last-write time): fails
  // past the last subkey and when the name does not fit in *size bytes.
  virtual LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* size) = 0;
  // RegQueryInfoKeyA, for the numbers of subkeys and of values.
  virtual LONG QueryCounts(HKEY key, DWORD* subkeys, DWORD* values) = 0;
  // RegQueryValueExA(key, no name, no type, no data, size): the data size of
  // the key's default value.
  virtual LONG QueryDefaultValueSize(HKEY key, DWORD* size) = 0;
};

}  // namespace qvapi
