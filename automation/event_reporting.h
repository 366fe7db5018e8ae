#pragma once
// The three procedures of the tool's event-reporting library
// "QVEvtRpt.DLL", imported when the server module is loaded: the module
// does not load without the library.

#include <windows.h>

extern "C" {
LONG __cdecl StartEvtReporting();
LONG __cdecl StopEvtReporting();
LONG __cdecl EvtReportingState();
}
