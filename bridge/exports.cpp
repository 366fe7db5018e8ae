// The DLL's four plain exports; built into QVAPI.DLL alone, so a caller of
// an export always reaches the DLL's own.

#include "bridge/QVAPI_exports.h"

#include "bridge/core_calls.h"

extern "C" {

LONG __cdecl QVMemMark() noexcept { return qvapi::bridge::MarkMemory(); }

LONG __stdcall QVMemSave(LPCSTR pszName, LPCSTR pszComment, LONG bShowAll) noexcept {
  return qvapi::bridge::SaveMemory(pszName, pszComment, bShowAll);
}

LONG __cdecl QVMemPopup() noexcept { return qvapi::bridge::DoMemoryPopup(); }

LONG __stdcall QVEnableErrorPopup(LONG lPopup) noexcept {
  return qvapi::bridge::EnableErrorPopup(lPopup);
}

}  // extern "C"
