#include "registrar/script_lexer.h"

#include "common/ansi_text.h"
#include "common/hresult_checks.h"

#include <cstdint>
#include <cstring>

namespace qvapi {

namespace {

bool IsWhiteSpace(char c) {
  switch (c) {
    case '\t':
    case '\n':
    case '\r':
    case ' ':
      return true;
    default:
      return false;
  }
}

// Its sizes are the expanded text's 32-bit signed count and capacity.
constexpr std::size_t kMaxExpandedSize = INT32_MAX;

}  // namespace

// The growing expanded text; it owns its storage until handed over.
class ExpansionBuffer {
 public:
  // Starts with room for twice the script's bytes; false when out of memory.
  bool Reserve(std::size_t scriptLength) noexcept {
    if (scriptLength > kMaxExpandedSize / 2) return false;
    capacity_ = 2 * scriptLength;
    if (capacity_ == 0) return true;
    data_.reset(static_cast<char*>(TaskMemAlloc(capacity_)));
    return data_ != nullptr;
  }

  // Appends bytes, doubling the capacity as needed; false when out of memory.
  bool Append(const char* bytes, std::size_t length) noexcept {
    while (length > capacity_ - count_) {
      std::size_t grown = capacity_ == 0 ? 1 : 2 * capacity_;
      if (grown > kMaxExpandedSize) return false;
      void* moved = TaskMemRealloc(data_.get(), grown);
      if (moved == nullptr) return false;
      data_.release();
      data_.reset(static_cast<char*>(moved));
      capacity_ = grown;
    }
    std::memcpy(data_.get() + count_, bytes, length);
    count_ += length;
    return true;
  }

  TaskMemory<char> Release() noexcept { return std::move(data_); }

 private:
  TaskMemory<char> data_;
  std::size_t count_ = 0;
  std::size_t capacity_ = 0;
};

HRESULT ScriptLexer::Preprocess(const char* script, TaskMemory<char>* expanded) noexcept {
  expanded->reset();
  ExpansionBuffer expansion;
  if (!expansion.Reserve(std::strlen(script))) return E_OUTOFMEMORY;
  position_ = script;
  HRESULT result = S_OK;
  while (result == S_OK && *position_ != '\0') {
    switch (*position_) {
      case '%':
        result = ExpandReference(expansion);
        break;
      default: {
        const char* character = position_;
        Step();
        if (!expansion.Append(character, static_cast<std::size_t>(position_ - character)))
          result = E_OUTOFMEMORY;
        break;
      }
    }
  }
  if (result == S_OK && !expansion.Append("", 1)) result = E_OUTOFMEMORY;
  if (result == S_OK) *expanded = expansion.Release();
  return result;
}

// At a '%': "%%" is one '%', otherwise %NAME% is replaced by NAME's text.
HRESULT ScriptLexer::ExpandReference(ExpansionBuffer& expansion) noexcept {
  Step();
  if (*position_ == '%') {
    Step();
    return expansion.Append("%", 1) ? S_OK : E_OUTOFMEMORY;
  }
  const char* name = position_;
  while (*position_ != '%') {
    if (*position_ == '\0') return DISP_E_EXCEPTION;
    Step();
  }
  auto nameLength = static_cast<std::size_t>(position_ - name);
  if (nameLength > kMaxReplacementName) return E_FAIL;
  char wanted[kMaxReplacementName + 1];
  std::memcpy(wanted, name, nameLength);
  wanted[nameLength] = '\0';
  const char16_t* text = replacements_.Lookup(wanted);
  if (text == nullptr) return DISP_E_EXCEPTION;
  TaskMemory<char> ansi;
  RETURN_IF_FAILED(ToAnsi(text, &ansi));
  if (!expansion.Append(ansi.get(), std::strlen(ansi.get()))) return E_OUTOFMEMORY;
  Step();
  return S_OK;
}

HRESULT ScriptLexer::ReadToken(char* buffer, std::size_t size) noexcept {
  buffer[0] = '\0';
  SkipSpaces();
  switch (*position_) {
    case '\0':
      return DISP_E_EXCEPTION;  // a token was expected
    case '\'':
      return ReadQuotedToken(buffer, size);
    default:
      return ReadBareToken(buffer, size);
  }
}

// At the opening quote; a doubled quote inside stands for one quote.
HRESULT ScriptLexer::ReadQuotedToken(char* buffer, std::size_t size) noexcept {
  Step();
  std::size_t count = 0;
  for (;;) {
    if (*position_ == '\0') {  // the quote is not closed
      buffer[0] = '\0';
      return DISP_E_EXCEPTION;
    }
    if (*position_ == '\'') {
      if (position_[1] != '\'') break;
      Step();
    }
    const char* character = position_;
    Step();
    auto length = static_cast<std::size_t>(position_ - character);
    if (count + 2 >= size || count + length >= size) {
      buffer[0] = '\0';
      return DISP_E_EXCEPTION;
    }
    std::memcpy(buffer + count, character, length);
    count += length;
  }
  buffer[count] = '\0';
  Step();
  return S_OK;
}

// Up to white space or the end of the text.
HRESULT ScriptLexer::ReadBareToken(char* buffer, std::size_t size) noexcept {
  std::size_t count = 0;
  while (*position_ != '\0' && !IsWhiteSpace(*position_)) {
    const char* character = position_;
    Step();
    auto length = static_cast<std::size_t>(position_ - character);
    if (count + length >= size) {
      buffer[0] = '\0';
      return DISP_E_EXCEPTION;
    }
    std::memcpy(buffer + count, character, length);
    count += length;
  }
  buffer[count] = '\0';
  return S_OK;
}

void ScriptLexer::SkipSpaces() noexcept {
  while (IsWhiteSpace(*position_)) Step();
}

void ScriptLexer::Step() noexcept { position_ = NextChar(position_); }

}  // namespace qvapi
