#include "automation/late_bound_mem_save.h"

#include <oleauto.h>

#include "automation/owned_variant.h"
#include "common/ansi_text.h"
#include "common/hresult_checks.h"

namespace qvapi {

namespace {

// MemSave's parameters in declaration order; as named arguments, their
// DISPIDs are these positions.
enum Parameter : UINT { kName, kComment, kShowAll, kParameters };

// The argument, or the one it refers to when it is a reference to a
// variant.
const VARIANT& Referenced(const VARIANT& argument) noexcept {
  if (V_VT(&argument) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(&argument))
    return *V_VARIANTREF(&argument);
  return argument;
}

// A refusal of the argument at `index` of the parameter block.
HRESULT Refused(HRESULT hr, UINT index, UINT* argError) noexcept {
  if (argError) *argError = index;
  return hr;
}

// Where each parameter's argument lies in `params`: positional arguments
// come last to first, named ones where their DISPIDs say. A DISPID that
// names no parameter, or one already given, is refused as not found.
HRESULT FindArguments(const DISPPARAMS& params, UINT (&index)[kParameters],
                      UINT* argError) noexcept {
  if (params.cArgs != kParameters) return DISP_E_BADPARAMCOUNT;
  const UINT positional = params.cArgs - params.cNamedArgs;
  for (UINT parameter = 0; parameter < kParameters; ++parameter)
    index[parameter] = parameter < positional ? params.cArgs - 1 - parameter : params.cArgs;
  for (UINT named = 0; named < params.cNamedArgs; ++named) {
    const DISPID parameter = params.rgdispidNamedArgs[named];
    if (parameter < 0 || parameter >= DISPID(kParameters) || index[parameter] != params.cArgs)
      return Refused(DISP_E_PARAMNOTFOUND, named, argError);
    index[parameter] = named;
  }
  return S_OK;
}

// What no conversion can take, refused before this conversion makes a
// platform call of its own (the platform's ITypeInfo::Invoke has already
// been handed the arguments, and refused the call): an omitted argument,
// and records and arrays, which can never become text or a number (the
// platform's conversion copies a record and never frees the copy when it
// then fails).
HRESULT RefuseUnconvertible(const VARIANT& argument, UINT index, UINT* argError) noexcept {
  const VARIANT& value = Referenced(argument);
  if (V_VT(&value) == VT_ERROR && V_ERROR(&value) == DISP_E_PARAMNOTFOUND)
    return Refused(DISP_E_PARAMNOTOPTIONAL, index, argError);
  const VARTYPE type = V_VT(&value) & ~VT_BYREF;
  if (type == VT_RECORD || (type & VT_ARRAY)) return Refused(DISP_E_TYPEMISMATCH, index, argError);
  return S_OK;
}

// A by-reference argument whose reference is null: nothing a conversion
// may follow.
bool IsNullReference(const VARIANT& argument) noexcept {
  return V_ISBYREF(&argument) && !V_BYREF(&argument);
}

// A text argument in the ANSI code page; null for an empty or null one.
struct NarrowText {
  TaskMemory<char> text;
  bool isNull = false;

  LPSTR get() noexcept { return isNull ? nullptr : text.get(); }
};

// Whether the argument is empty or null, by value or behind one reference.
bool IsNullText(const VARIANT& argument) noexcept {
  const VARTYPE type = V_VT(&Referenced(argument));
  return type == VT_EMPTY || type == VT_NULL;
}

// The string in the ANSI code page, as the registrar converts its texts; a
// null BSTR is the empty string.
HRESULT ToNarrow(BSTR wide, NarrowText* out) noexcept {
  return ToAnsi(reinterpret_cast<const char16_t*>(wide ? wide : L""), &out->text);
}

// S_OK, E_OUTOFMEMORY, or the conversion's failure.
HRESULT ToNarrowText(const VARIANT& argument, LCID lcid, NarrowText* out) noexcept {
  if (IsNullText(argument)) {
    out->isNull = true;
    return S_OK;
  }
  // A reference to nothing: an empty text where it names a string, as a
  // null BSTR is one.
  if (IsNullReference(argument)) {
    if (V_VT(&argument) != (VT_BSTR | VT_BYREF)) return E_INVALIDARG;
    return ToNarrow(nullptr, out);
  }
  OwnedVariant text;
  RETURN_IF_FAILED(
      VariantChangeTypeEx(text.put(), const_cast<VARIANT*>(&argument), lcid, 0, VT_BSTR));
  return ToNarrow(V_BSTR(text.get()), out);
}

// A failed conversion of the argument at `index`: out of memory and an
// overflow as they are, anything else a type mismatch of that argument.
HRESULT ConversionFailure(HRESULT hr, UINT index, UINT* argError) noexcept {
  if (hr == E_OUTOFMEMORY) return hr;
  return Refused(hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH, index, argError);
}

}  // namespace

bool IsWellFormed(const DISPPARAMS* params) noexcept {
  return params && (params->rgvarg || params->cArgs == 0) &&
         (params->rgdispidNamedArgs || params->cNamedArgs == 0) &&
         params->cNamedArgs <= params->cArgs;
}

HRESULT InvokeMemSave(IQV_Api* api, LCID lcid, const DISPPARAMS* params, VARIANT* result,
                      UINT* argError) noexcept {
  UINT index[kParameters];
  RETURN_IF_FAILED(FindArguments(*params, index, argError));
  for (UINT at : index) RETURN_IF_FAILED(RefuseUnconvertible(params->rgvarg[at], at, argError));
  NarrowText name, comment;
  HRESULT hr = ToNarrowText(params->rgvarg[index[kName]], lcid, &name);
  if (FAILED(hr)) return ConversionFailure(hr, index[kName], argError);
  hr = ToNarrowText(params->rgvarg[index[kComment]], lcid, &comment);
  if (FAILED(hr)) return ConversionFailure(hr, index[kComment], argError);
  const VARIANT& flag = params->rgvarg[index[kShowAll]];
  if (IsNullReference(flag)) return Refused(DISP_E_TYPEMISMATCH, index[kShowAll], argError);
  OwnedVariant showAll;
  hr = VariantChangeTypeEx(showAll.put(), const_cast<VARIANT*>(&flag), lcid, 0, VT_I4);
  if (FAILED(hr)) return ConversionFailure(hr, index[kShowAll], argError);
  if (result) VariantInit(result);
  return api->MemSave(name.get(), comment.get(), V_I4(showAll.get()));
}

}  // namespace qvapi
