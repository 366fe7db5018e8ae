#include "registrar/replacement_map.h"

#include "registrar/ansi_text.h"

#include <new>

namespace qvapi {

HRESULT ReplacementMap::Define(const char16_t* name, const char16_t* text) noexcept {
  try {
    pairs_.emplace_back(name, text);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

const char16_t* ReplacementMap::Lookup(const char* name) const noexcept {
  try {
    for (const auto& pair : pairs_) {
      if (EqualsIgnoringCase(ToAnsi(pair.first).c_str(), name)) return pair.second.c_str();
    }
  } catch (const std::bad_alloc&) {
    // A name that cannot be converted cannot be matched.
  }
  return nullptr;
}

HRESULT ReplacementMap::Reset() noexcept {
  pairs_.clear();
  return S_OK;
}

}  // namespace qvapi
