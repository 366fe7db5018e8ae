#pragma once
// MemSave for late-bound callers. Its texts are narrow strings, which the
// platform's ITypeInfo::Invoke may refuse to pass; the server then converts
// a script's arguments itself and makes the call.

#include <windows.h>
#include <oaidl.h>

#include "QVAPI.h"

namespace qvapi {

// Whether `params` can be read as its counts say: the arrays are there for
// the arguments they count, and no more names than arguments.
bool IsWellFormed(const DISPPARAMS* params) noexcept;

// Calls api->MemSave with the arguments of well-formed `params`, positional
// or named by their parameters' DISPIDs (0, 1, 2): the name and the comment
// converted as the platform converts an argument for a text parameter (to
// a string with `lcid`, then to the ANSI code page; empty or null, also
// behind one reference, for a null pointer), and the flag as a 32-bit
// integer. Refused, with the argument's index in *argError:
// DISP_E_PARAMNOTFOUND for a name that is no parameter's or one given
// twice, DISP_E_PARAMNOTOPTIONAL for an omitted argument, DISP_E_OVERFLOW
// for a number out of range, DISP_E_TYPEMISMATCH for anything else that
// does not convert (records and arrays before any conversion).
// DISP_E_BADPARAMCOUNT for another count, E_OUTOFMEMORY when a conversion
// runs out of memory.
HRESULT InvokeMemSave(IQV_Api* api, LCID lcid, const DISPPARAMS* params, VARIANT* result,
                      UINT* argError) noexcept;

}  // namespace qvapi
