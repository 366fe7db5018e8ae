#include "registrar/script_grammar.h"

#include "registrar/ansi_text.h"

namespace qvapi {

namespace {

struct RootKeyName {
  const char* name;
  HKEY key;
};

}  // namespace

HKEY FindRootKey(const char* name) {
  // Searched in this order; the first match wins.
  const RootKeyName roots[] = {
      {"HKCR", HKEY_CLASSES_ROOT},
      {"HKCU", HKEY_CURRENT_USER},
      {"HKLM", HKEY_LOCAL_MACHINE},
      {"HKU", HKEY_USERS},
      {"HKPD", HKEY_PERFORMANCE_DATA},
      {"HKDD", HKEY_DYN_DATA},
      {"HKCC", HKEY_CURRENT_CONFIG},
      {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
      {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
      {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
      {"HKEY_USERS", HKEY_USERS},
      {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
      {"HKEY_DYN_DATA", HKEY_DYN_DATA},
      {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
  };
  for (const RootKeyName& root : roots) {
    if (EqualsIgnoringCase(name, root.name)) return root.key;
  }
  return nullptr;
}

ValueType FindValueType(const char* letter) {
  if (EqualsIgnoringCase(letter, "S")) return ValueType::kString;
  if (EqualsIgnoringCase(letter, "D")) return ValueType::kDword;
  return ValueType::kNone;
}

bool IsProtectedKeyName(const char* name) {
  return EqualsIgnoringCase(name, "CLSID") || EqualsIgnoringCase(name, "TYPELIB");
}

}  // namespace qvapi
