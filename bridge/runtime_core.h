#pragma once
// Finding the tool's run-time core among the modules already in the process.

#include <windows.h>

namespace qvapi::bridge {

// The not-available result of every bridge export.
inline constexpr LONG kNotAvailable = -1;

// Address of the core's procedure `procedureName`, or null. The core is the
// first of "ZELKCORE.DLL" and "KTCORE.DLL" that is loaded; once one is found
// the other is not searched. Nothing is cached and nothing is loaded, so a
// core that comes or goes between two calls is seen by the second.
FARPROC FindCoreProcedure(const char* procedureName) noexcept;

}  // namespace qvapi::bridge
