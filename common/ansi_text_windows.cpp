#include "common/ansi_text.h"

#include "common/platform_types.h"

#include <utility>

namespace qvapi {

const char* NextChar(const char* text) { return CharNextA(text); }

bool EqualsIgnoringCase(const char* left, const char* right) { return lstrcmpiA(left, right) == 0; }

HRESULT ToAnsi(const char16_t* text, TaskMemory<char>* ansi) noexcept {
  ansi->reset();
  auto wide = reinterpret_cast<const wchar_t*>(text);
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return HResultOfFailure(GetLastError());
  TaskMemory<char> converted(static_cast<char*>(TaskMemAlloc(std::size_t(size))));
  if (!converted) return E_OUTOFMEMORY;
  if (WideCharToMultiByte(CP_ACP, 0, wide, -1, converted.get(), size, nullptr, nullptr) <= 0)
    return HResultOfFailure(GetLastError());
  *ansi = std::move(converted);
  return S_OK;
}

bool ParseInt32(const char* text, std::int32_t* number) noexcept {
  wchar_t wide[kMaxNumberText + 1];
  if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide, kMaxNumberText + 1) <= 0) return false;
  LONG parsed = 0;
  if (FAILED(VarI4FromStr(wide, 0, 0, &parsed))) return false;
  *number = parsed;
  return true;
}

}  // namespace qvapi
