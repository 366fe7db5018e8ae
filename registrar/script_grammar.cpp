#include "registrar/script_grammar.h"

#include "common/ansi_text.h"
#include "registrar/predefined_roots.h"

namespace qvapi {

namespace {

char ToLowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

}  // namespace

Keyword FindKeyword(const char* token) {
  static constexpr struct {
    const char* name;
    Keyword word;
  } kKeywords[] = {{keyword::kForceRemove, Keyword::kForceRemove},
                   {keyword::kDelete, Keyword::kDelete},
                   {keyword::kNoRemove, Keyword::kNoRemove},
                   {keyword::kValue, Keyword::kValue}};
  // Most tokens are names. One that begins with an ASCII letter can equal
  // only the keyword with the same first letter, since the comparison
  // never passes over a letter; any other first byte is compared with
  // every keyword.
  const char first = ToLowerAscii(token[0]);
  const bool letter = first >= 'a' && first <= 'z';
  for (const auto& keyword : kKeywords) {
    if (letter && first != ToLowerAscii(keyword.name[0])) continue;
    if (EqualsIgnoringCase(token, keyword.name)) return keyword.word;
  }
  return Keyword::kNone;
}

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
