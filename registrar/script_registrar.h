// The registrar: runs a registration script that a module file carries as
// a resource, in register or unregister mode, with the replacements it has
// been given. Made for one registration and dropped after it.
#pragma once

#include "registrar/module_resources.h"
#include "common/platform_types.h"
#include "registrar/registry.h"
#include "registrar/replacement_map.h"

#include <cstdint>

namespace qvapi {

class ScriptRegistrar {
 public:
  ScriptRegistrar(Registry& registry, ModuleResources& resources) noexcept
      : registry_(registry), resources_(resources) {}

  HRESULT DefineReplacement(const char16_t* name, const char16_t* text) noexcept {
    return replacements_.Define(name, text);
  }
  HRESULT ResetReplacements() noexcept { return replacements_.Reset(); }

  // Runs script resource `id` of type `type` from the module file at
  // `modulePath` (texts in the ANSI code page; null ones are passed on as
  // null), registering or unregistering. The script's result, or the
  // failure of reading the resource (the registry is then untouched).
  HRESULT RunResourceScript(const char* modulePath, std::uint16_t id, const char* type,
                            bool registering) noexcept;

 private:
  Registry& registry_;
  ModuleResources& resources_;
  ReplacementMap replacements_;
};

}  // namespace qvapi
