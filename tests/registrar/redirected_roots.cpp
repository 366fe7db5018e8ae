#include "tests/registrar/redirected_roots.h"

#include "registrar/predefined_roots.h"

namespace qvapi::testing {

RedirectedRoots::RedirectedRoots(Registry& target, HKEY base) : target_(target) {
  for (const PredefinedRoot& root : kPredefinedRoots) {
    HKEY standIn = nullptr;
    if (target_.CreateKey(base, root.shortName, &standIn) == ERROR_SUCCESS)
      roots_[root.key] = standIn;
  }
}

RedirectedRoots::~RedirectedRoots() {
  for (const auto& root : roots_) target_.CloseKey(root.second);
}

HKEY RedirectedRoots::Map(HKEY key) const {
  auto root = roots_.find(key);
  return root == roots_.end() ? key : root->second;
}

LONG RedirectedRoots::OpenKey(HKEY parent, const char* name, DWORD access, HKEY* key) {
  return target_.OpenKey(Map(parent), name, access, key);
}

LONG RedirectedRoots::CreateKey(HKEY parent, const char* name, HKEY* key) {
  return target_.CreateKey(Map(parent), name, key);
}

LONG RedirectedRoots::CloseKey(HKEY key) {
  // Predefined roots are never really closed.
  return roots_.count(key) ? ERROR_SUCCESS : target_.CloseKey(key);
}

LONG RedirectedRoots::SetValue(HKEY key, const char* name, DWORD type, const BYTE* data,
                               DWORD size) {
  return target_.SetValue(Map(key), name, type, data, size);
}

LONG RedirectedRoots::DeleteKey(HKEY parent, const char* name) {
  return target_.DeleteKey(Map(parent), name);
}

LONG RedirectedRoots::DeleteValue(HKEY key, const char* name) {
  return target_.DeleteValue(Map(key), name);
}

LONG RedirectedRoots::EnumKey(HKEY key, DWORD index, char* name, DWORD* size) {
  return target_.EnumKey(Map(key), index, name, size);
}

LONG RedirectedRoots::QueryCounts(HKEY key, DWORD* subkeys, DWORD* values) {
  return target_.QueryCounts(Map(key), subkeys, values);
}

LONG RedirectedRoots::QueryDefaultValueSize(HKEY key, DWORD* size) {
  return target_.QueryDefaultValueSize(Map(key), size);
}

}  // namespace qvapi::testing
