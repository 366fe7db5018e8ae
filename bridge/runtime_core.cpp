#include "bridge/runtime_core.h"

namespace qvapi::bridge {
namespace {

// Tried in this order, and the first one loaded is used: should both be
// in the process, the bridge calls "ZELKCORE.DLL" and never the other.
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
