/* The four plain exports of QVAPI.DLL, for C and C++. Each forwards to the
   tool's run-time core, which must already be loaded in the process, and
   returns the core's own result unchanged, or -1 when the core or its
   procedure is not loaded. Link with the DLL's import library (libQVAPI.dll.a
   for GNU linkers, QVAPI.lib for Microsoft-style ones). Each declaration
   names its calling convention, so a client compiled with another default
   convention still calls it right. */
#ifndef QVAPI_EXPORTS_H
#define QVAPI_EXPORTS_H

#include <windows.h>

#ifdef __cplusplus
#define QVAPI_NOEXCEPT noexcept
extern "C" {
#else
#define QVAPI_NOEXCEPT
#endif

LONG __cdecl QVMemMark(void) QVAPI_NOEXCEPT;
LONG __stdcall QVMemSave(LPCSTR pszName, LPCSTR pszComment, LONG bShowAll) QVAPI_NOEXCEPT;
LONG __cdecl QVMemPopup(void) QVAPI_NOEXCEPT;
LONG __stdcall QVEnableErrorPopup(LONG lPopup) QVAPI_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* QVAPI_EXPORTS_H */
