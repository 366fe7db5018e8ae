// Reads and carries out a registration script: a preprocessing pass that
// expands %NAME% references, a token reader over the expanded text, and a
// recursive walk that registers or unregisters the keys and values the
// script names. One parser serves one run of one script.
#pragma once

#include "registrar/registry.h"
#include "registrar/registry_key.h"
#include "registrar/replacement_map.h"
#include "registrar/task_memory.h"

#include <cstddef>

namespace qvapi {

// Token buffers: the size every token reader is built for, and the smaller
// one a value name or a root-key name is read into.
constexpr std::size_t kTokenSize = 4096;
constexpr std::size_t kNameSize = 260;
// Brace blocks nested deeper than this fail the run instead of using up
// the stack of the process that registers.
constexpr int kMaxNesting = 32;
// Replacement names have at most this many bytes.
constexpr std::size_t kMaxReplacementName = 31;

using TokenBuffer = char[kTokenSize];

class ExpansionBuffer;

class ScriptParser {
 public:
  ScriptParser(Registry& registry, const ReplacementMap& replacements) noexcept
      : registry_(registry), replacements_(replacements) {}

  // Registers (registering true) or unregisters what the script declares.
  // S_OK, or the first failure; a failed root block in register mode is
  // taken back before the failure is returned.
  HRESULT RunScript(const char* script, bool registering) noexcept;

  // Copies the script into *expanded with every %NAME% replaced and %%
  // made %. On failure *expanded is null.
  HRESULT Preprocess(const char* script, TaskMemory<char>* expanded) noexcept;
  // Makes text the place the next token is read from.
  void StartReading(const char* text) noexcept { position_ = text; }
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
  // Moves past one character (both bytes of a double-byte one).
  void Step() noexcept;

 private:
  HRESULT ExpandReference(ExpansionBuffer& expansion) noexcept;
  HRESULT ReadQuotedToken(char* buffer, std::size_t size) noexcept;
  HRESULT ReadBareToken(char* buffer, std::size_t size) noexcept;

  HRESULT WalkBlock(HKEY parent, bool registering, bool skipping, int depth) noexcept;
  HRESULT WalkRegisterBlock(HKEY parent, int depth) noexcept;
  HRESULT WalkUnregisterBlock(HKEY parent, bool skipping, int depth) noexcept;
  HRESULT ApplyValue(RegistryKey& key, const char* valueName, TokenBuffer& token) noexcept;
  HRESULT SkipValueClause(TokenBuffer& token) noexcept;

  Registry& registry_;
  const ReplacementMap& replacements_;
  const char* position_ = nullptr;
};

}  // namespace qvapi
