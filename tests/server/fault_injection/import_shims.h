#pragma once
// Counting shims on a loaded module's imports, installed in its import
// address table: the module itself is not changed. Once armed, every call
// of a listed platform function counts, and the call at one chosen
// position fails the way that function documents its failure. The shims
// also keep the books of the blocks the module allocates and the registry
// keys it opens, so that a run can show it gave everything back.

#include <windows.h>

namespace qvapi::faults {

// Routes the listed imports of `module` through the shims.
void InstallShims(HMODULE module);

// Counts calls from now on, from 0, and fails the call at `failAt` (1 for
// the first; 0 fails none).
void Arm(long failAt);
// Stops counting; returns the number of calls counted since Arm.
long Disarm();
// The function whose call was failed since Arm, or null.
const char* FailedFunction();

// Blocks allocated, and registry keys opened or created, through the shims
// and not yet freed or closed.
long LiveBlocks();
long OpenKeys();

}  // namespace qvapi::faults
