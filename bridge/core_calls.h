#pragma once
// The four calls into the tool's run-time core that the plain exports and
// the automation object make. Each returns the core's own result unchanged,
// or -1 when the core or its procedure is not loaded.

#include <windows.h>

namespace qvapi::bridge {

LONG MarkMemory() noexcept;
LONG SaveMemory(LPCSTR pszName, LPCSTR pszComment, LONG bShowAll) noexcept;
LONG DoMemoryPopup() noexcept;
LONG EnableErrorPopup(LONG lPopup) noexcept;

}  // namespace qvapi::bridge
