#include "registrar/replacement_map.h"

#include "common/ansi_text.h"

#include <cstring>
#include <new>
#include <string>
#include <utility>

namespace qvapi {

namespace {

// A copy of the NUL-terminated text from the task allocator; null when out
// of memory.
TaskMemory<char16_t> CopyText(const char16_t* text) noexcept {
  const std::size_t bytes = (std::char_traits<char16_t>::length(text) + 1) * sizeof(char16_t);
  TaskMemory<char16_t> copy(static_cast<char16_t*>(TaskMemAlloc(bytes)));
  if (copy) std::memcpy(copy.get(), text, bytes);
  return copy;
}

}  // namespace

HRESULT ReplacementMap::Define(const char16_t* name, const char16_t* text) noexcept {
  std::unique_ptr<ReplacementPair> pair(new (std::nothrow) ReplacementPair);
  if (!pair) return E_OUTOFMEMORY;
  pair->name = CopyText(name);
  pair->text = CopyText(text);
  if (!pair->name || !pair->text) return E_OUTOFMEMORY;
  if (count_ == capacity_ && !Grow()) return E_OUTOFMEMORY;
  pairs_[count_++] = std::move(pair);
  return S_OK;
}

bool ReplacementMap::Grow() noexcept {
  const std::size_t capacity = capacity_ ? capacity_ * 2 : kInitialCapacity;
  std::unique_ptr<std::unique_ptr<ReplacementPair>[]> pairs(
      new (std::nothrow) std::unique_ptr<ReplacementPair>[capacity]);
  if (!pairs) return false;
  for (std::size_t i = 0; i < count_; ++i) pairs[i] = std::move(pairs_[i]);
  pairs_ = std::move(pairs);
  capacity_ = capacity;
  return true;
}

const char16_t* ReplacementMap::Lookup(const char* name) const noexcept {
  for (std::size_t i = 0; i < count_; ++i) {
    // A name that cannot be converted cannot be matched.
    TaskMemory<char> ansi;
    if (ToAnsi(pairs_[i]->name.get(), &ansi) == S_OK && EqualsIgnoringCase(ansi.get(), name))
      return pairs_[i]->text.get();
  }
  return nullptr;
}

HRESULT ReplacementMap::Reset() noexcept {
  for (std::size_t i = 0; i < count_; ++i) pairs_[i].reset();
  count_ = 0;
  return S_OK;
}

}  // namespace qvapi
