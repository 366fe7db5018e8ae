// Narrow text in the process's ANSI code page, as the registrar and the
// automation object read it: stepping by whole characters, case-insensitive
// comparison, conversion from UTF-16 and number parsing. Windows uses the
// platform's functions (ansi_text_windows.cpp); away from Windows a
// stand-in gives them (standins/ansi_text/).
#pragma once

#include "common/platform_types.h"
#include "common/task_memory.h"

#include <cstddef>
#include <cstdint>

namespace qvapi {

// The next character after *text, as CharNextA does: a lead byte and its
// trail byte are one character; at the terminating NUL it stays put.
const char* NextChar(const char* text);

// Case-insensitive equality of two NUL-terminated texts (lstrcmpiA == 0).
bool EqualsIgnoringCase(const char* left, const char* right);

// The NUL-terminated UTF-16 text in the ANSI code page (WideCharToMultiByte,
// CP_ACP), terminated, from the task allocator, in *ansi. S_OK,
// E_OUTOFMEMORY, or the conversion's failure; on failure *ansi is null.
HRESULT ToAnsi(const char16_t* text, TaskMemory<char>* ansi) noexcept;

// The longest text ParseInt32 reads: a registration script's token.
constexpr std::size_t kMaxNumberText = 4096;

// Parses a decimal, optionally signed 32-bit number as VarI4FromStr does
// (locale 0, no flags), without allocating; a text longer than
// kMaxNumberText bytes is not a number. On failure *number is unchanged and
// false returned.
bool ParseInt32(const char* text, std::int32_t* number) noexcept;

}  // namespace qvapi
