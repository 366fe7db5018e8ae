#pragma once
// MemSave for late-bound callers. Its texts are narrow strings, which the
// platform's ITypeInfo::Invoke refuses to pass (DISP_E_BADVARTYPE); the
// server converts a script's arguments itself and makes the call.

#include <windows.h>
#include <oaidl.h>

#include "QVAPI.h"

namespace qvapi {

// Calls api->MemSave with the three positional arguments of `params`: the
// name and the comment as strings in any form a script engine passes them
// (by value or by reference, or inside a variant; empty or null for a null
// pointer), converted to the ANSI code page, and the flag as a 32-bit
// integer. DISP_E_NONAMEDARGS for named arguments, DISP_E_BADPARAMCOUNT for
// another count, DISP_E_TYPEMISMATCH with the argument's index in
// *argError for one that does not convert.
HRESULT InvokeMemSave(IQV_Api* api, const DISPPARAMS* params, VARIANT* result,
                      UINT* argError) noexcept;

}  // namespace qvapi
