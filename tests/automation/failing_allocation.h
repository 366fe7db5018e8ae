#pragma once
// Makes allocations that do not throw fail on demand, for the paths that
// answer E_OUTOFMEMORY. The process's non-throwing operator new is replaced
// (failing_allocation.cpp); it allocates as usual otherwise.

namespace qvapi::testing {

// The next non-throwing allocation of this thread returns null.
void FailNextNothrowAllocation();

}  // namespace qvapi::testing
