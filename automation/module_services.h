#pragma once
// What every object of the server needs of the module that holds it. The
// server module defines these (server/server_module.cpp); the objects only
// declare the need, so the module can list the classes without the classes
// knowing the module.

#include <windows.h>

#include "automation/critical_section.h"

namespace qvapi {

// One more, or one less, live object (or outstanding LockServer(TRUE)) in
// the module's lock count; interlocked. Returns the new count.
LONG LockModule() noexcept;
LONG UnlockModule() noexcept;

// The module's type-information lock, which only the type-information
// holder enters.
CriticalSection& TypeInfoLock() noexcept;

}  // namespace qvapi
