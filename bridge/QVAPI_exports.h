/* The four plain exports of QVAPI.DLL, for C and C++. Each forwards to the
   tool's run-time core, which must already be loaded in the process, and
   returns the core's own result unchanged, or -1 when the core or its
   procedure is not loaded. Link with the DLL's import library (libQVAPI.dll.a);
   QVMemSave and QVEnableErrorPopup use the standard calling convention. */
#ifndef QVAPI_EXPORTS_H
#define QVAPI_EXPORTS_H

#include <windows.h>

#ifdef __cplusplus
#define QVAPI_NOEXCEPT noexcept
extern "C" {
#else
#define QVAPI_NOEXCEPT
#endif

LONG QVMemMark(void) QVAPI_NOEXCEPT;
LONG WINAPI QVMemSave(LPCSTR pszName, LPCSTR pszComment, LONG bShowAll) QVAPI_NOEXCEPT;
LONG QVMemPopup(void) QVAPI_NOEXCEPT;
LONG WINAPI QVEnableErrorPopup(LONG lPopup) QVAPI_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* QVAPI_EXPORTS_H */
