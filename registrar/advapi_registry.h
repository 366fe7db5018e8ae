// The platform's registry behind the registrar's seam: what the DLL uses.
#pragma once

#include "registrar/registry.h"

namespace qvapi {

class AdvapiRegistry final : public Registry {
 public:
  LONG OpenKey(HKEY parent, const char* name, DWORD access, HKEY* key) override;
  LONG CreateKey(HKEY parent, const char* name, HKEY* key) override;
  LONG CloseKey(HKEY key) override;
  LONG SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) override;
  LONG DeleteKey(HKEY parent, const char* name) override;
  LONG DeleteValue(HKEY key, const char* name) override;
  LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* size) override;
  LONG QueryCounts(HKEY key, DWORD* subkeys, DWORD* values) override;
  LONG QueryDefaultValueSize(HKEY key, DWORD* size) override;
};

// The one instance the DLL's registration goes through; it holds no state.
Registry& PlatformRegistry();

}  // namespace qvapi
