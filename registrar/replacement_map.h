// Names and their replacement texts for the %NAME% references of a
// registration script; names may repeat, and the first definition wins.
#pragma once

#include "common/platform_types.h"
#include "common/task_memory.h"

#include <cstddef>
#include <memory>

namespace qvapi {

// One name and its text, each a copy from the task allocator.
struct ReplacementPair {
  TaskMemory<char16_t> name;
  TaskMemory<char16_t> text;
};

class ReplacementMap {
 public:
  // Room for this many pairs when the map is made; doubled whenever a pair
  // is added to a full map.
  static constexpr std::size_t kInitialCapacity = 10;

  // Adds a copy of the pair after the others. S_OK, or E_OUTOFMEMORY with
  // the map unchanged.
  HRESULT Define(const char16_t* name, const char16_t* text) noexcept;
  // The text of the first pair whose name, in the ANSI code page, equals
  // name without regard to case; null when there is none. The text stays
  // the map's.
  const char16_t* Lookup(const char* name) const noexcept;
  // Frees every pair; the room stays. Always S_OK.
  HRESULT Reset() noexcept;

 private:
  // Grows the room to twice its size; false (map unchanged) when out of memory.
  bool Grow() noexcept;

  std::unique_ptr<std::unique_ptr<ReplacementPair>[]> pairs_;
  std::size_t count_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace qvapi
