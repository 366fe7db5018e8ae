#include "registrar/script_registrar.h"

#include "registrar/ansi_text.h"
#include "registrar/script_parser.h"

#include <new>
#include <string>

namespace qvapi {

namespace {

// The UTF-16 text in the ANSI code page, in *ansi and *result; a null text
// stays null. False when there is no memory for the conversion.
bool ToAnsiOrNull(const char16_t* text, std::string* ansi, const char** result) noexcept {
  *result = nullptr;
  if (!text) return true;
  try {
    *ansi = ToAnsi(text);
  } catch (const std::bad_alloc&) {
    return false;
  }
  *result = ansi->c_str();
  return true;
}

}  // namespace

HRESULT HResultOfFailure(DWORD error) noexcept {
  return error == 0 ? E_FAIL : HRESULT_FROM_WIN32(error);
}

HRESULT ScriptRegistrar::RegisterResourceScript(const char16_t* modulePath, std::uint16_t id,
                                                const char16_t* type) noexcept {
  return RunTypedScript(modulePath, id, type, TRUE);
}

HRESULT ScriptRegistrar::UnregisterResourceScript(const char16_t* modulePath, std::uint16_t id,
                                                  const char16_t* type) noexcept {
  return RunTypedScript(modulePath, id, type, FALSE);
}

HRESULT ScriptRegistrar::RunTypedScript(const char16_t* modulePath, std::uint16_t id,
                                        const char16_t* type, BOOL registering) noexcept {
  std::string typeText;
  const char* ansiType = nullptr;
  if (!ToAnsiOrNull(type, &typeText, &ansiType)) return E_OUTOFMEMORY;
  return RunResourceScript(modulePath, IntegerResource(id), ansiType, registering);
}

HRESULT ScriptRegistrar::RunResourceScript(const char16_t* modulePath, ResourceName name,
                                           const char* type, BOOL registering) noexcept {
  std::string pathText;
  const char* path = nullptr;
  if (!ToAnsiOrNull(modulePath, &pathText, &path)) return E_OUTOFMEMORY;
  TaskMemory<char> script;
  DWORD error = 0;
  if (!resources_.Read(path, name, type, &script, &error)) return HResultOfFailure(error);
  ScriptParser parser(registry_, replacements_);
  return parser.RunScript(script.get(), registering != FALSE);
}

}  // namespace qvapi
