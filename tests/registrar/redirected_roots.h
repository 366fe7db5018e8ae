// A registry that puts the predefined roots below a test key: a script's
// HKCR becomes <base>\HKCR, and so on, so scripts can run against the real
// registry without touching the user's keys. Everything else is passed on.
#pragma once

#include "registrar/registry.h"

#include <map>

namespace qvapi::testing {

class RedirectedRoots final : public Registry {
 public:
  // Creates the seven root stand-ins below base (which stays borrowed).
  RedirectedRoots(Registry& target, HKEY base);
  ~RedirectedRoots() override;
  RedirectedRoots(const RedirectedRoots&) = delete;
  RedirectedRoots& operator=(const RedirectedRoots&) = delete;

  LONG OpenKey(HKEY parent, const char* name, DWORD access, HKEY* key) override;
  LONG CreateKey(HKEY parent, const char* name, HKEY* key) override;
  LONG CloseKey(HKEY key) override;
  LONG SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) override;
  LONG DeleteKey(HKEY parent, const char* name) override;
  LONG DeleteValue(HKEY key, const char* name) override;
  LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* size) override;
  LONG QueryCounts(HKEY key, DWORD* subkeys, DWORD* values) override;
  LONG QueryDefaultValueSize(HKEY key, DWORD* size) override;

 private:
  HKEY Map(HKEY key) const;

  Registry& target_;
  std::map<HKEY, HKEY> roots_;
};

}  // namespace qvapi::testing
