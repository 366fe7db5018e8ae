#include "registrar/script_parser.h"

#include "common/ansi_text.h"
#include "common/hresult_checks.h"
#include "registrar/script_grammar.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace qvapi {

static_assert(kTokenSize <= kMaxNumberText + 1, "every value token must fit the number parser");

namespace {

// By characters: a double-byte character whose trail byte is '\' is not one.
bool HasBackslash(const char* name) {
  for (const char* character = name; *character != '\0'; character = NextChar(character)) {
    if (*character == '\\') return true;
  }
  return false;
}

}  // namespace

HRESULT ScriptParser::RunScript(const char* script, bool registering) noexcept {
  TaskMemory<char> expanded;
  RETURN_IF_FAILED(lexer_.Preprocess(script, &expanded));
  RETURN_IF_FAILED(AllocateBuffers(expanded.get()));
  lexer_.StartReading(expanded.get());
  removalFailure_ = S_OK;
  HRESULT result = S_OK;
  char(&rootName)[kNameSize] = levels_[0].valueName;
  TokenBuffer& token = levels_[0].token;
  while (result == S_OK && *lexer_.Position() != '\0') {
    result = lexer_.ReadToken(rootName);
    if (result != S_OK) break;
    HKEY rootKey = FindRootKey(rootName);
    if (rootKey == nullptr) {
      result = DISP_E_EXCEPTION;
      break;
    }
    result = lexer_.ReadToken(token);
    if (result != S_OK) break;
    if (token[0] != '{') {
      result = DISP_E_EXCEPTION;
      break;
    }
    if (registering) {
      const char* blockStart = lexer_.Position();
      // A block that cannot be read to its end (nested too deep, a grammar
      // error) is refused before anything of it is written: taking it back
      // would walk the same text, stop at the same place and leave the keys
      // above it.
      result = WalkBlock(nullptr, WalkMode::kCheck, 1);
      if (result != S_OK) break;
      lexer_.StartReading(blockStart);
      result = WalkBlock(rootKey, WalkMode::kRegister, 1);
      if (result != S_OK) {
        // Take back what the failed block made; earlier blocks stay.
        lexer_.StartReading(blockStart);
        WalkBlock(rootKey, WalkMode::kUnregister, 1);
        break;
      }
    } else {
      result = WalkBlock(rootKey, WalkMode::kUnregister, 1);
      if (result != S_OK) break;
    }
    lexer_.SkipSpaces();
  }
  lexer_.StartReading(nullptr);  // the expanded text goes with this call
  return result == S_OK && !registering ? removalFailure_ : result;
}

HRESULT ScriptParser::AllocateBuffers(const char* text) noexcept {
  int braces = 0;
  for (const char* byte = text; *byte != '\0' && braces < kMaxNesting; ++byte)
    braces += *byte == '{';
  if (!values_) values_.reset(new (std::nothrow) ValueBuffers);
  if (levelCount_ <= braces) {
    levels_.reset(new (std::nothrow) WalkLevel[braces + 1]);
    levelCount_ = levels_ ? braces + 1 : 0;
  }
  return values_ && levels_ ? S_OK : E_OUTOFMEMORY;
}

HRESULT ScriptParser::WalkBlock(HKEY parent, WalkMode mode, int depth) noexcept {
  // No deeper than the text's braces reach, nor than kMaxNesting.
  if (depth >= levelCount_) return DISP_E_EXCEPTION;
  return mode == WalkMode::kRegister || mode == WalkMode::kCheck
             ? WalkRegisterBlock(parent, mode, depth)
             : WalkUnregisterBlock(parent, mode, depth);
}

HRESULT ScriptParser::WalkRegisterBlock(HKEY parent, WalkMode mode, int depth) noexcept {
  const bool writing = mode == WalkMode::kRegister;
  TokenBuffer& token = levels_[depth].token;
  char(&valueName)[kNameSize] = levels_[depth].valueName;
  RegistryKey current(registry_);
  RETURN_IF_FAILED(lexer_.ReadToken(token));
  for (;;) {
    if (token[0] == '}') return S_OK;
    bool entryDone = false;  // a "Delete" entry ends after its name and value clause
    Keyword word = FindKeyword(token);
    if (word == Keyword::kForceRemove || word == Keyword::kDelete) {
      const bool isDelete = word == Keyword::kDelete;
      RETURN_IF_FAILED(lexer_.ReadToken(token));
      if (HasBackslash(token)) return DISP_E_EXCEPTION;
      if (writing && !IsProtectedKeyName(token))
        RegistryKeyRef(registry_, parent).DeleteSubtree(token);
      if (isDelete) {
        // A "Delete" entry creates nothing; its value clause is passed over.
        RETURN_IF_FAILED(ReadPastValueClause(token));
        entryDone = true;
      } else {
        word = FindKeyword(token);  // the name goes on as the entry's token, keyword or not
      }
    }
    if (!entryDone && word == Keyword::kNoRemove) {
      RETURN_IF_FAILED(lexer_.ReadToken(token));
      word = FindKeyword(token);
    }
    if (!entryDone && word == Keyword::kValue) {
      RETURN_IF_FAILED(lexer_.ReadToken(valueName));
      RETURN_IF_FAILED(lexer_.ReadToken(token));
      if (token[0] != '=') return DISP_E_EXCEPTION;
      RETURN_IF_FAILED(ApplyValue(RegistryKeyRef(registry_, parent), valueName, token, writing));
    } else if (!entryDone) {
      if (HasBackslash(token)) return DISP_E_EXCEPTION;
      // Creating with full access opens an existing key too: one platform
      // call for a new key and for an existing one. Refused (a parent open
      // for reading only, a key that denies writing), the key is opened
      // with full access, else for reading: a key that can only be read is
      // still used, and its writes fail quietly.
      if (writing && current.Create(parent, token) != ERROR_SUCCESS &&
          current.Open(parent, token, KEY_ALL_ACCESS) != ERROR_SUCCESS &&
          current.Open(parent, token, KEY_READ) != ERROR_SUCCESS)
        return DISP_E_EXCEPTION;
      RETURN_IF_FAILED(lexer_.ReadToken(token));
      if (token[0] == '=') RETURN_IF_FAILED(ApplyValue(current, nullptr, token, writing));
    }
    if (token[0] == '{') {
      RETURN_IF_FAILED(WalkBlock(current.Handle(), mode, depth + 1));
      RETURN_IF_FAILED(lexer_.ReadToken(token));
    }
  }
}

HRESULT ScriptParser::WalkUnregisterBlock(HKEY parent, WalkMode mode, int depth) noexcept {
  WalkLevel& level = levels_[depth];
  const bool skipping = mode == WalkMode::kSkip;
  UnregisterState block{parent, skipping, skipping, true, RegistryKey(registry_)};
  RETURN_IF_FAILED(lexer_.ReadToken(level.token));
  while (level.token[0] != '}') RETURN_IF_FAILED(UnregisterEntry(block, level, depth));
  return S_OK;
}

// One entry, from its first token to the token after it: a value is
// deleted; a key entry is left to UnregisterKey.
HRESULT ScriptParser::UnregisterEntry(UnregisterState& block, WalkLevel& level,
                                      int depth) noexcept {
  TokenBuffer& token = level.token;
  Keyword word = FindKeyword(token);
  // The token after "ForceRemove" or "Delete" is a key name, whatever it reads.
  if (word == Keyword::kForceRemove || word == Keyword::kDelete) {
    RETURN_IF_FAILED(lexer_.ReadToken(token));
    return UnregisterKey(block, level, depth);
  }
  if (word == Keyword::kNoRemove) {
    block.deleting = false;
    RETURN_IF_FAILED(lexer_.ReadToken(token));
    word = FindKeyword(token);
  }
  if (word != Keyword::kValue) return UnregisterKey(block, level, depth);
  RETURN_IF_FAILED(lexer_.ReadToken(level.valueName));
  RETURN_IF_FAILED(lexer_.ReadToken(token));
  if (token[0] != '=') return DISP_E_EXCEPTION;
  if (!block.skipping) NoteRemoval(registry_.DeleteValue(block.parent, level.valueName));
  return SkipValueClause(token);
}

// A key entry, its name in the level's token. A missing key turns skip
// mode on, and its own block (if any) turns it back. A key that holds
// nothing is deleted and its block passed over; one that holds something
// has its block walked first, and is deleted if no subkey is left then.
// "NoRemove" earlier in the block keeps every key.
HRESULT ScriptParser::UnregisterKey(UnregisterState& block, WalkLevel& level, int depth) noexcept {
  TokenBuffer& token = level.token;
  if (HasBackslash(token)) return DISP_E_EXCEPTION;
  if (!block.skipping) {
    // A key that exists and cannot be opened to be taken out fails the run;
    // its entries are passed over as a missing key's are.
    const LONG error = block.current.Open(block.parent, token, KEY_ALL_ACCESS);
    NoteRemoval(error);
    block.skipping = error != ERROR_SUCCESS;
  }
  std::memcpy(level.keyName, token, std::strlen(token) + 1);
  // By its full name; an empty name would name the parent itself.
  auto deleteKey = [&] {
    if (block.current.Close() != ERROR_SUCCESS) return DISP_E_EXCEPTION;
    if (block.deleting && level.keyName[0] != '\0')
      NoteRemoval(registry_.DeleteKey(block.parent, level.keyName));
    return S_OK;
  };

  if (!block.skipping && !block.current.HasSubkeys() && !block.current.HasValues()) {
    RETURN_IF_FAILED(deleteKey());
    RETURN_IF_FAILED(ReadPastValueClause(token));
    if (token[0] != '{') return S_OK;
    RETURN_IF_FAILED(WalkBlock(nullptr, WalkMode::kSkip, depth + 1));
    return ReadPastValueClause(token);
  }

  RETURN_IF_FAILED(ReadPastValueClause(token));
  const bool hasBlock = token[0] == '{';
  if (hasBlock) {
    RETURN_IF_FAILED(WalkBlock(block.current.Handle(),
                               block.skipping ? WalkMode::kSkip : WalkMode::kUnregister,
                               depth + 1));
  }
  if (block.skipping) {
    if (!hasBlock) return S_OK;              // the token in hand begins the next entry
    block.skipping = block.skippingAtEntry;  // the missing key's own block ends skip mode
    return ReadPastValueClause(token);
  }
  // What is left of the key after its block: a key that still has a
  // subkey stays, and nothing beneath it is deleted on its behalf.
  if (block.current.HasSubkeys()) return hasBlock ? lexer_.ReadToken(token) : S_OK;
  RETURN_IF_FAILED(deleteKey());
  return hasBlock ? ReadPastValueClause(token) : S_OK;
}

void ScriptParser::NoteRemoval(LONG error) noexcept {
  if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND && removalFailure_ == S_OK)
    removalFailure_ = HResultOfFailure(static_cast<DWORD>(error));
}

HRESULT ScriptParser::ApplyValue(RegistryKeyRef key, const char* valueName, TokenBuffer& token,
                                 bool writing) noexcept {
  TokenBuffer& typeLetter = values_->typeLetter;
  TokenBuffer& value = values_->value;
  RETURN_IF_FAILED(lexer_.ReadToken(typeLetter));
  const ValueType type = FindValueType(typeLetter);
  if (type == ValueType::kNone) return DISP_E_EXCEPTION;
  lexer_.SkipSpaces();
  RETURN_IF_FAILED(lexer_.ReadToken(value));
  if (!writing) return lexer_.ReadToken(token);
  // A value that cannot be written does not stop the script.
  if (type == ValueType::kString) {
    key.SetString(valueName, value);
  } else {
    std::int32_t number = 0;  // stored when the text is not a number
    ParseInt32(value, &number);
    key.SetDword(valueName, static_cast<std::uint32_t>(number));
  }
  return lexer_.ReadToken(token);
}

HRESULT ScriptParser::ReadPastValueClause(TokenBuffer& token) noexcept {
  RETURN_IF_FAILED(lexer_.ReadToken(token));
  return SkipValueClause(token);
}

HRESULT ScriptParser::SkipValueClause(TokenBuffer& token) noexcept {
  if (token[0] != '=') return S_OK;
  TokenBuffer& value = values_->value;
  RETURN_IF_FAILED(lexer_.ReadToken(token));
  lexer_.SkipSpaces();
  RETURN_IF_FAILED(lexer_.ReadToken(value));
  return lexer_.ReadToken(token);
}

}  // namespace qvapi
