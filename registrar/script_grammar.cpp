#include "registrar/script_grammar.h"

#include "common/ansi_text.h"
#include "registrar/predefined_roots.h"

namespace qvapi {

HKEY FindRootKey(const char* name) {
  for (const PredefinedRoot& root : kPredefinedRoots) {
    if (EqualsIgnoringCase(name, root.shortName) || EqualsIgnoringCase(name, root.longName)) {
      return root.key;
    }
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
