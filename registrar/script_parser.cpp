#include "registrar/script_parser.h"

#include "registrar/ansi_text.h"
#include "registrar/hresult_checks.h"
#include "registrar/script_grammar.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace qvapi {

static_assert(kTokenSize <= kMaxNumberText + 1, "every value token must fit the number parser");

namespace {

bool Is(const char* token, const char* keyword) { return EqualsIgnoringCase(token, keyword); }

// By characters: a double-byte character whose trail byte is '\' is not one.
bool HasBackslash(const char* name) {
  for (const char* character = name; *character != '\0'; character = NextChar(character)) {
    if (*character == '\\') return true;
  }
  return false;
}

}  // namespace

HRESULT ScriptParser::RunScript(const char* script, bool registering) noexcept {
  work_.reset(new (std::nothrow) WorkArea);
  if (!work_) return E_OUTOFMEMORY;
  TaskMemory<char> expanded;
  RETURN_IF_FAILED(lexer_.Preprocess(script, &expanded));
  lexer_.StartReading(expanded.get());
  HRESULT result = S_OK;
  WalkLevel& root = work_->levels[0];
  char(&rootName)[kNameSize] = root.valueName;
  TokenBuffer& token = root.token;
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
  work_.reset();
  return result;
}

HRESULT ScriptParser::WalkBlock(HKEY parent, WalkMode mode, int depth) noexcept {
  if (depth > kMaxNesting) return DISP_E_EXCEPTION;
  return mode == WalkMode::kRegister ? WalkRegisterBlock(parent, depth)
                                     : WalkUnregisterBlock(parent, mode, depth);
}

HRESULT ScriptParser::WalkRegisterBlock(HKEY parent, int depth) noexcept {
  TokenBuffer& token = work_->levels[depth].token;
  char(&valueName)[kNameSize] = work_->levels[depth].valueName;
  RegistryKey current(registry_);
  RETURN_IF_FAILED(lexer_.ReadToken(token));
  for (;;) {
    if (token[0] == '}') return S_OK;
    bool entryDone = false;  // a "Delete" entry ends after its name and value clause
    if (Is(token, keyword::kForceRemove) || Is(token, keyword::kDelete)) {
      const bool isDelete = Is(token, keyword::kDelete);
      RETURN_IF_FAILED(lexer_.ReadToken(token));
      if (HasBackslash(token)) return DISP_E_EXCEPTION;
      if (!IsProtectedKeyName(token)) RegistryKeyRef(registry_, parent).DeleteSubtree(token);
      if (isDelete) {
        // A "Delete" entry creates nothing; its value clause is passed over.
        RETURN_IF_FAILED(lexer_.ReadToken(token));
        RETURN_IF_FAILED(SkipValueClause(token));
        entryDone = true;
      }
    }
    if (!entryDone && Is(token, keyword::kNoRemove)) RETURN_IF_FAILED(lexer_.ReadToken(token));
    if (!entryDone && Is(token, keyword::kValue)) {
      RETURN_IF_FAILED(lexer_.ReadToken(valueName));
      RETURN_IF_FAILED(lexer_.ReadToken(token));
      if (token[0] != '=') return DISP_E_EXCEPTION;
      RETURN_IF_FAILED(ApplyValue(RegistryKeyRef(registry_, parent), valueName, token));
    } else if (!entryDone) {
      if (HasBackslash(token)) return DISP_E_EXCEPTION;
      // Creating with full access opens an existing key too: one platform
      // call for a new key and for an existing one. Refused (a parent open
      // for reading only, a key that denies writing), the key is opened
      // with full access, else for reading: a key that can only be read is
      // still used, and its writes fail quietly.
      if (current.Create(parent, token) != ERROR_SUCCESS &&
          current.Open(parent, token, KEY_ALL_ACCESS) != ERROR_SUCCESS &&
          current.Open(parent, token, KEY_READ) != ERROR_SUCCESS)
        return DISP_E_EXCEPTION;
      RETURN_IF_FAILED(lexer_.ReadToken(token));
      if (token[0] == '=') RETURN_IF_FAILED(ApplyValue(current, nullptr, token));
    }
    if (token[0] == '{') {
      RETURN_IF_FAILED(WalkBlock(current.Handle(), WalkMode::kRegister, depth + 1));
      RETURN_IF_FAILED(lexer_.ReadToken(token));
    }
  }
}

HRESULT ScriptParser::WalkUnregisterBlock(HKEY parent, WalkMode mode, int depth) noexcept {
  bool skipping = mode == WalkMode::kSkip;
  const bool skippingAtEntry = skipping;
  bool deleting = true;  // "NoRemove" clears it for the rest of the block
  TokenBuffer& token = work_->levels[depth].token;
  char(&valueName)[kNameSize] = work_->levels[depth].valueName;
  TokenBuffer& keyName = work_->levels[depth].keyName;
  RegistryKey current(registry_);
  // Deletes the entry's key by its full name; an empty name would name the
  // parent itself.
  auto deleteKey = [&] {
    if (deleting && keyName[0] != '\0') registry_.DeleteKey(parent, keyName);
  };

  RETURN_IF_FAILED(lexer_.ReadToken(token));
  for (;;) {
    if (token[0] == '}') return S_OK;
    // The token after "ForceRemove" or "Delete" is a key name, whatever it reads.
    const bool markedKey = Is(token, keyword::kForceRemove) || Is(token, keyword::kDelete);
    if (markedKey) RETURN_IF_FAILED(lexer_.ReadToken(token));
    if (!markedKey && Is(token, keyword::kNoRemove)) {
      deleting = false;
      RETURN_IF_FAILED(lexer_.ReadToken(token));
    }
    if (!markedKey && Is(token, keyword::kValue)) {
      RETURN_IF_FAILED(lexer_.ReadToken(valueName));
      RETURN_IF_FAILED(lexer_.ReadToken(token));
      if (token[0] != '=') return DISP_E_EXCEPTION;
      if (!skipping) registry_.DeleteValue(parent, valueName);
      RETURN_IF_FAILED(SkipValueClause(token));
      continue;
    }

    if (HasBackslash(token)) return DISP_E_EXCEPTION;
    if (!skipping && current.Open(parent, token, KEY_ALL_ACCESS) != ERROR_SUCCESS)
      skipping = true;  // the key is missing: leave it and its block alone
    std::memcpy(keyName, token, std::strlen(token) + 1);
    const bool occupied = skipping || current.HasSubkeys() || current.HasValues();

    if (!occupied) {
      if (current.Close() != ERROR_SUCCESS) return DISP_E_EXCEPTION;
      deleteKey();
      RETURN_IF_FAILED(lexer_.ReadToken(token));
      RETURN_IF_FAILED(SkipValueClause(token));
      if (token[0] == '{') {
        RETURN_IF_FAILED(WalkBlock(nullptr, WalkMode::kSkip, depth + 1));
        RETURN_IF_FAILED(lexer_.ReadToken(token));
        RETURN_IF_FAILED(SkipValueClause(token));
      }
      continue;
    }

    RETURN_IF_FAILED(lexer_.ReadToken(token));
    RETURN_IF_FAILED(SkipValueClause(token));
    const bool hasBlock = token[0] == '{';
    if (hasBlock) {
      RETURN_IF_FAILED(WalkBlock(current.Handle(),
                                 skipping ? WalkMode::kSkip : WalkMode::kUnregister, depth + 1));
      if (skipping) {
        // The missing key's own block ends skip mode.
        skipping = skippingAtEntry;
        RETURN_IF_FAILED(lexer_.ReadToken(token));
        RETURN_IF_FAILED(SkipValueClause(token));
        continue;
      }
    } else if (skipping) {
      continue;
    }

    // What is left of the key after its block: a key that still has a
    // subkey stays, and nothing beneath it is deleted on its behalf.
    if (current.HasSubkeys()) {
      if (hasBlock) RETURN_IF_FAILED(lexer_.ReadToken(token));
      continue;
    }
    if (current.Close() != ERROR_SUCCESS) return DISP_E_EXCEPTION;
    deleteKey();
    if (hasBlock) {
      RETURN_IF_FAILED(lexer_.ReadToken(token));
      RETURN_IF_FAILED(SkipValueClause(token));
    }
  }
}

HRESULT ScriptParser::ApplyValue(RegistryKeyRef key, const char* valueName,
                                 TokenBuffer& token) noexcept {
  TokenBuffer& typeLetter = work_->typeLetter;
  TokenBuffer& value = work_->value;
  RETURN_IF_FAILED(lexer_.ReadToken(typeLetter));
  const ValueType type = FindValueType(typeLetter);
  if (type == ValueType::kNone) return DISP_E_EXCEPTION;
  lexer_.SkipSpaces();
  RETURN_IF_FAILED(lexer_.ReadToken(value));
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

HRESULT ScriptParser::SkipValueClause(TokenBuffer& token) noexcept {
  if (token[0] != '=') return S_OK;
  TokenBuffer& value = work_->value;
  RETURN_IF_FAILED(lexer_.ReadToken(token));
  lexer_.SkipSpaces();
  RETURN_IF_FAILED(lexer_.ReadToken(value));
  return lexer_.ReadToken(token);
}

}  // namespace qvapi
