#include "registrar/ansi_text.h"

#include "registrar/platform_types.h"

namespace qvapi {

const char* NextChar(const char* text) { return CharNextA(text); }

bool EqualsIgnoringCase(const char* left, const char* right) {
  return lstrcmpiA(left, right) == 0;
}

std::string ToAnsi(const std::u16string& text) {
  if (text.empty()) return {};
  auto wide = reinterpret_cast<const wchar_t*>(text.c_str());
  int length = static_cast<int>(text.size());
  int size = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) WideCharToMultiByte(CP_ACP, 0, wide, length, &ansi[0], size, nullptr, nullptr);
  return ansi;
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
