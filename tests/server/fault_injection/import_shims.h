#pragma once
// Counting shims on a loaded module's imports, installed in its import
// address table: the module itself is not changed. Once armed, every call
// of a listed platform function counts, and the call at one chosen
// position fails the way that function documents its failure. The shims
// also keep the books of what the module takes, by family (C runtime and
// task blocks, the platform's strings, modules, keys), so that a run can
// show it gave everything back, each through its own family.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace qvapi::faults {

// Routes the listed imports of `module` through the shims.
void InstallShims(HMODULE module);

// Counts calls from now on; fails the call at `failAt` (1 for the first; 0
// for none) and, if sticky, every later call of that function.
void Arm(long failAt, bool sticky = false);
// Stops counting; returns the functions called since Arm, in order.
std::vector<const char*> Disarm();
// The function whose call was failed since Arm, or empty.
const std::string& FailedFunction();

// What the module holds, family by family, as text.
std::string Held();
// The first free or close since Arm of something the module does not hold
// (or holds through another family), which is not passed on; or empty.
const std::string& Misuse();

// The next call of `function` runs `pause` first, on the caller's thread:
// a run held there while `pause` lets another thread go on.
void PauseAt(const char* function, std::function<void()> pause);

// While set, the module's file seems to carry `script` as its registration
// script and no type library, the build's lying beside it.
void PretendModuleFile(const char* script);

}  // namespace qvapi::faults
