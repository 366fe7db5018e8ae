#pragma once
// The event-reporting library's three procedures, and the control procedures
// its stand-in exports for tests.

#include <windows.h>

extern "C" {
// The library's own procedures.
LONG __cdecl StartEvtReporting();
LONG __cdecl StopEvtReporting();
LONG __cdecl EvtReportingState();

// Stand-in control: the value a procedure returns from now on, how often it
// was called, and back to zero for both.
void __cdecl EvtStandinSetResult(const char* procedure, LONG result);
LONG __cdecl EvtStandinCallCount(const char* procedure);
void __cdecl EvtStandinReset();
}
