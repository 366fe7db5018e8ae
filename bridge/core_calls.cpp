#include "bridge/core_calls.h"

#include "bridge/runtime_core.h"

namespace qvapi::bridge {

namespace {

// The core's procedures use the caller-pops convention.
using MarkMemoryFn = LONG(__cdecl*)();
using SaveMemoryFn = LONG(__cdecl*)(LPCSTR, LPCSTR, LONG);
using DoMemoryPopupFn = LONG(__cdecl*)();
using EnableErrorPopupFn = LONG(__cdecl*)(LONG);

template <typename Fn>
Fn Find(const char* procedureName) noexcept {
  // Through void*: FARPROC is a placeholder type, not the procedure's own.
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(FindCoreProcedure(procedureName)));
}

}  // namespace

LONG MarkMemory() noexcept {
  auto markMemory = Find<MarkMemoryFn>("MarkMemory");
  return markMemory ? markMemory() : kNotAvailable;
}

LONG SaveMemory(LPCSTR pszName, LPCSTR pszComment, LONG bShowAll) noexcept {
  auto saveMemory = Find<SaveMemoryFn>("SaveMemory");
  return saveMemory ? saveMemory(pszName, pszComment, bShowAll) : kNotAvailable;
}

LONG DoMemoryPopup() noexcept {
  auto doMemoryPopup = Find<DoMemoryPopupFn>("DoMemoryPopup");
  return doMemoryPopup ? doMemoryPopup() : kNotAvailable;
}

LONG EnableErrorPopup(LONG lPopup) noexcept {
  auto enableErrorPopup = Find<EnableErrorPopupFn>("EnableErrorPopup");
  return enableErrorPopup ? enableErrorPopup(lPopup) : kNotAvailable;
}

}  // namespace qvapi::bridge
