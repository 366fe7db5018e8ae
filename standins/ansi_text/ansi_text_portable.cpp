// The ANSI text functions away from Windows, where the registrar is built
// for its tests, its fuzzer and its benchmark: Latin-1, or a double-byte
// code page when a test asks for one.
#include "common/ansi_text.h"
#include "standins/ansi_text/code_page.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>

namespace qvapi {

namespace {

std::atomic<bool> doubleByteCodePage{false};

bool IsLeadByte(unsigned char byte) {
  return doubleByteCodePage && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

void SetDoubleByteCodePage(bool enabled) { doubleByteCodePage = enabled; }

const char* NextChar(const char* text) {
  if (*text == '\0') return text;
  // A lead byte before the terminating NUL is a character of its own.
  if (IsLeadByte(static_cast<unsigned char>(*text)) && text[1] != '\0') return text + 2;
  return text + 1;
}

bool EqualsIgnoringCase(const char* left, const char* right) {
  for (; *left != '\0' && FoldCase(*left) == FoldCase(*right); ++left, ++right) {
  }
  return FoldCase(*left) == FoldCase(*right);
}

HRESULT ToAnsi(const char16_t* text, TaskMemory<char>* ansi) noexcept {
  // Latin-1 is the portable build's code page; anything beyond becomes '?'.
  const std::size_t length = std::char_traits<char16_t>::length(text);
  ansi->reset(static_cast<char*>(TaskMemAlloc(length + 1)));
  if (!*ansi) return E_OUTOFMEMORY;
  for (std::size_t i = 0; i < length; ++i) {
    ansi->get()[i] = text[i] < 0x100 ? static_cast<char>(text[i]) : '?';
  }
  ansi->get()[length] = '\0';
  return S_OK;
}

bool ParseInt32(const char* text, std::int32_t* number) noexcept {
  if (std::strlen(text) > kMaxNumberText) return false;
  while (IsBlank(*text)) ++text;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  if (*text < '0' || *text > '9') return false;
  std::int64_t magnitude = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    magnitude = magnitude * 10 + (*text - '0');
    if (magnitude > 0x80000000LL) return false;
  }
  while (IsBlank(*text)) ++text;
  if (*text != '\0') return false;
  std::int64_t value = negative ? -magnitude : magnitude;
  if (value > INT32_MAX) return false;
  *number = static_cast<std::int32_t>(value);
  return true;
}

}  // namespace qvapi
