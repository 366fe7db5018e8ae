// The DLL's four plain exports; built into QVAPI.DLL alone, so a caller of
// an export always reaches the DLL's own.

#include "bridge/QVAPI_exports.h"

#include "bridge/core_calls.h"

extern "C" {

LONG QVMemMark() noexcept { return qvapi::bridge::MarkMemory(); }

LONG WINAPI QVMemSave(LPCSTR pszName, LPCSTR pszComment, LONG bShowAll) noexcept {
  return qvapi::bridge::SaveMemory(pszName, pszComment, bShowAll);
}

LONG QVMemPopup() noexcept { return qvapi::bridge::DoMemoryPopup(); }

LONG WINAPI QVEnableErrorPopup(LONG lPopup) noexcept {
  return qvapi::bridge::EnableErrorPopup(lPopup);
}

}  // extern "C"
