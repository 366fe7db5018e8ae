#include "registrar/script_registrar.h"

#include "registrar/ansi_text.h"
#include "registrar/hresult_checks.h"
#include "registrar/script_parser.h"

namespace qvapi {

namespace {

// The UTF-16 text in the ANSI code page, in *ansi; a null text stays null.
HRESULT ToAnsiOrNull(const char16_t* text, TaskMemory<char>* ansi) noexcept {
  return text ? ToAnsi(text, ansi) : S_OK;
}

}  // namespace

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
  TaskMemory<char> ansiType;
  RETURN_IF_FAILED(ToAnsiOrNull(type, &ansiType));
  return RunResourceScript(modulePath, IntegerResource(id), ansiType.get(), registering);
}

HRESULT ScriptRegistrar::RunResourceScript(const char16_t* modulePath, ResourceName name,
                                           const char* type, BOOL registering) noexcept {
  TaskMemory<char> path;
  RETURN_IF_FAILED(ToAnsiOrNull(modulePath, &path));
  TaskMemory<char> script;
  DWORD error = 0;
  if (!resources_.Read(path.get(), name, type, &script, &error)) return HResultOfFailure(error);
  ScriptParser parser(registry_, replacements_);
  return parser.RunScript(script.get(), registering != FALSE);
}

}  // namespace qvapi
