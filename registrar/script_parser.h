// Carries out a registration script: reads it with a ScriptLexer and walks
// its blocks, registering or unregistering the keys and values it names.
// A parser runs one script at a time; its token buffers are kept from
// one run to the next.
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
  // S_OK, or the first failure. In register mode a root block is read
  // through once before anything of it is written, and refused if it
  // cannot be read to its end; one that fails while writing is taken back
  // before the failure is returned. Unregistering, a key or value that is
  // missing is no failure, and a key kept on purpose stays; one that
  // exists and cannot be removed fails the run, once the walk has removed
  // all it can.
  HRESULT RunScript(const char* script, bool registering) noexcept;

 private:
  // How a block is walked: its keys made; read as registering reads it,
  // writing nothing; its keys taken out; or passed over (the block of a
  // key that is missing when unregistering).
  enum class WalkMode { kRegister, kCheck, kUnregister, kSkip };

  // The token buffers of one level of the walk.
  struct WalkLevel {
    TokenBuffer token;
    TokenBuffer keyName;
    char valueName[kNameSize];
  };
  // What a value clause is read into, at one level at a time.
  struct ValueBuffers {
    TokenBuffer typeLetter;
    TokenBuffer value;
  };
  // What an unregister walk of one block carries from entry to entry.
  struct UnregisterState {
    HKEY parent;
    bool skipping;         // a missing key's entries are read, not acted on
    bool skippingAtEntry;  // what a missing key's own block sets skipping back to
    bool deleting;         // keys may be deleted; "NoRemove" clears it for the block
    RegistryKey current;   // the latest key entry's key
  };

  // Makes sure of what a run reads tokens into, off the registering
  // thread's stack so that the walk's recursion takes little of it: the
  // levels the text can reach (each opens with a '{'), up to the deepest
  // nesting allowed. All of it before the walk starts, so that taking a
  // failed block back never runs out of memory; kept for the parser's
  // later runs.
  HRESULT AllocateBuffers(const char* text) noexcept;
  HRESULT WalkBlock(HKEY parent, WalkMode mode, int depth) noexcept;
  HRESULT WalkRegisterBlock(HKEY parent, WalkMode mode, int depth) noexcept;
  HRESULT WalkUnregisterBlock(HKEY parent, WalkMode mode, int depth) noexcept;
  HRESULT UnregisterEntry(UnregisterState& block, WalkLevel& level, int depth) noexcept;
  HRESULT UnregisterKey(UnregisterState& block, WalkLevel& level, int depth) noexcept;
  // Remembers the first removal that failed for another reason than the
  // key or value being missing.
  void NoteRemoval(LONG error) noexcept;
  // Reads a value clause and, when writing, writes the value to key.
  HRESULT ApplyValue(RegistryKeyRef key, const char* valueName, TokenBuffer& token,
                     bool writing) noexcept;
  HRESULT SkipValueClause(TokenBuffer& token) noexcept;
  // Reads the token after a key name or a value, past the value clause it
  // may begin.
  HRESULT ReadPastValueClause(TokenBuffer& token) noexcept;

  Registry& registry_;
  ScriptLexer lexer_;
  std::unique_ptr<ValueBuffers> values_;
  std::unique_ptr<WalkLevel[]> levels_;  // 0 for the root blocks
  int levelCount_ = 0;                   // how many levels_ holds
  HRESULT removalFailure_ = S_OK;        // of the unregister walk under way
};

}  // namespace qvapi
