#pragma once
// Calls a procedure with 32-bit arguments pushed as a caller would, and
// measures how many bytes of them the procedure removed from the stack: 0
// for the caller-pops convention, all of them for the Win32 standard one.
// A procedure called with the wrong convention unbalances the stack; this
// probe makes that visible instead of letting a frame pointer hide it.

#include <windows.h>

extern "C" LONG __cdecl CallAndMeasureStack(FARPROC procedure, const DWORD_PTR* arguments,
                                            LONG argumentCount, LONG* bytesRemoved);
