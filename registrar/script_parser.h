// Carries out a registration script: reads it with a ScriptLexer and walks
// its blocks, registering or unregistering the keys and values it names.
// One parser serves one run of one script.
#pragma once

#include "registrar/registry.h"
#include "registrar/registry_key.h"
#include "registrar/replacement_map.h"
#include "registrar/script_lexer.h"

#include <memory>

namespace qvapi {

// Brace blocks nested deeper than this fail the run instead of using up
// the stack of the process that registers.
constexpr int kMaxNesting = 32;

class ScriptParser {
 public:
  ScriptParser(Registry& registry, const ReplacementMap& replacements) noexcept
      : registry_(registry), lexer_(replacements) {}

  // Registers (registering true) or unregisters what the script declares.
  // S_OK, or the first failure; a failed root block in register mode is
  // taken back before the failure is returned.
  HRESULT RunScript(const char* script, bool registering) noexcept;

 private:
  // How a block is walked: its keys made, its keys taken out, or passed
  // over (the block of a key that is missing when unregistering).
  enum class WalkMode { kRegister, kUnregister, kSkip };

  // The token buffers of one level of the walk.
  struct WalkLevel {
    TokenBuffer token;
    TokenBuffer keyName;
    char valueName[kNameSize];
  };
  // Everything a run reads tokens into, allocated once a run, so that the
  // walk's recursion takes little of the registering thread's stack.
  struct WorkArea {
    WalkLevel levels[kMaxNesting + 1];  // 0 for the root blocks
    TokenBuffer typeLetter;             // a value clause's, read at one level at a time
    TokenBuffer value;
  };

  HRESULT WalkBlock(HKEY parent, WalkMode mode, int depth) noexcept;
  HRESULT WalkRegisterBlock(HKEY parent, int depth) noexcept;
  HRESULT WalkUnregisterBlock(HKEY parent, WalkMode mode, int depth) noexcept;
  HRESULT ApplyValue(RegistryKeyRef key, const char* valueName, TokenBuffer& token) noexcept;
  HRESULT SkipValueClause(TokenBuffer& token) noexcept;

  Registry& registry_;
  ScriptLexer lexer_;
  std::unique_ptr<WorkArea> work_;
};

}  // namespace qvapi
