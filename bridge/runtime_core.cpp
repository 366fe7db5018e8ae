#include "bridge/runtime_core.h"

namespace qvapi::bridge {
namespace {

// Tried in this order; the real tool loads exactly one of them.
constexpr const char* kCoreModuleNames[] = {"ZELKCORE.DLL", "KTCORE.DLL"};

HMODULE FindLoadedCore() noexcept {
  for (const char* name : kCoreModuleNames) {
    // GetModuleHandleA neither loads the module nor changes its load count.
    if (HMODULE core = GetModuleHandleA(name)) return core;
  }
  return nullptr;
}

}  // namespace

FARPROC FindCoreProcedure(const char* procedureName) noexcept {
  HMODULE core = FindLoadedCore();
  return core ? GetProcAddress(core, procedureName) : nullptr;
}

}  // namespace qvapi::bridge
