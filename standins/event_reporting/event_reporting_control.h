#pragma once
// The control procedures that the stand-in event-reporting library exports
// for tests, beside the library's own three procedures (declared by the
// product, automation/event_reporting.h).

#include <windows.h>

#include "automation/event_reporting.h"

extern "C" {
// The value a procedure returns from now on, how often it was called, and
// back to zero for both.
void __cdecl EvtStandinSetResult(const char* procedure, LONG result);
LONG __cdecl EvtStandinCallCount(const char* procedure);
void __cdecl EvtStandinReset();
}
