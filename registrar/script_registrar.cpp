#include "registrar/script_registrar.h"

#include "registrar/script_parser.h"

namespace qvapi {

HRESULT ScriptRegistrar::RunResourceScript(const char* modulePath, std::uint16_t id,
                                           const char* type, bool registering) noexcept {
  TaskMemory<char> script;
  DWORD error = 0;
  if (!resources_.Read(modulePath, IntegerResource(id), type, &script, &error))
    return HResultOfFailure(error);
  ScriptParser parser(registry_, replacements_);
  return parser.RunScript(script.get(), registering);
}

}  // namespace qvapi
