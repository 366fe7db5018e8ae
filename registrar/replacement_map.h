// Names and their replacement texts for the %NAME% references of a
// registration script; names may repeat, and the first definition wins.
#pragma once

#include "registrar/platform_types.h"

#include <string>
#include <utility>
#include <vector>

namespace qvapi {

class ReplacementMap {
 public:
  // Adds a pair after the others. S_OK or E_OUTOFMEMORY (map unchanged).
  HRESULT Define(const char16_t* name, const char16_t* text) noexcept;
  // The text of the first pair whose name, in the ANSI code page, equals
  // name without regard to case; null when there is none.
  const char16_t* Lookup(const char* name) const noexcept;
  // Forgets every pair. Always S_OK.
  HRESULT Reset() noexcept;

 private:
  std::vector<std::pair<std::u16string, std::u16string>> pairs_;
};

}  // namespace qvapi
