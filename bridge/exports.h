#pragma once
// The plain exports that forward to the tool's run-time core. Each returns
// the core's own result unchanged, or -1 when the core or its procedure is
// not loaded.

#include <windows.h>

extern "C" {
LONG QVMemMark() noexcept;
LONG WINAPI QVMemSave(LPCSTR pszName, LPCSTR pszComment, LONG bShowAll) noexcept;
LONG QVMemPopup() noexcept;
LONG WINAPI QVEnableErrorPopup(LONG lPopup) noexcept;
}
