// Reads a registration script: a preprocessing pass that expands %NAME%
// references, and a token reader over the expanded text. One lexer serves
// one run of one script.
#pragma once

#include "common/platform_types.h"
#include "registrar/replacement_map.h"
#include "common/task_memory.h"

#include <cstddef>

namespace qvapi {

// Token buffers: the size every token reader is built for, and the smaller
// one a value name or a root-key name is read into.
constexpr std::size_t kTokenSize = 4096;
constexpr std::size_t kNameSize = 260;
// Replacement names have at most this many bytes.
constexpr std::size_t kMaxReplacementName = 31;

using TokenBuffer = char[kTokenSize];

class ExpansionBuffer;

class ScriptLexer {
 public:
  explicit ScriptLexer(const ReplacementMap& replacements) noexcept : replacements_(replacements) {}

  // Copies the script into *expanded with every %NAME% replaced and %%
  // made %. On failure *expanded is null.
  HRESULT Preprocess(const char* script, TaskMemory<char>* expanded) noexcept;
  // Makes text the place the next token is read from.
  void StartReading(const char* text) noexcept { position_ = text; }
  // Where the next token is read from; null before StartReading.
  const char* Position() const noexcept { return position_; }
  // Reads the next token into buffer (size bytes with its NUL). S_OK, or
  // DISP_E_EXCEPTION when the text ends, a quote is not closed or the token
  // does not fit; then buffer holds an empty text.
  HRESULT ReadToken(char* buffer, std::size_t size) noexcept;
  template <std::size_t N>
  HRESULT ReadToken(char (&buffer)[N]) noexcept {
    return ReadToken(buffer, N);
  }
  // Moves past white space: TAB, LF, CR and space only.
  void SkipSpaces() noexcept;

 private:
  // Moves past one character (both bytes of a double-byte one).
  void Step() noexcept;
  HRESULT ExpandReference(ExpansionBuffer& expansion) noexcept;
  HRESULT ReadQuotedToken(char* buffer, std::size_t size) noexcept;
  HRESULT ReadBareToken(char* buffer, std::size_t size) noexcept;

  const ReplacementMap& replacements_;
  const char* position_ = nullptr;
};

}  // namespace qvapi
