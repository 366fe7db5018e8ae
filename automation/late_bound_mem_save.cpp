#include "automation/late_bound_mem_save.h"

#include <oleauto.h>

#include "automation/owned_variant.h"
#include "registrar/ansi_text.h"

namespace qvapi {

namespace {

// Positional arguments come last to first.
constexpr UINT kNameIndex = 2;
constexpr UINT kCommentIndex = 1;
constexpr UINT kShowAllIndex = 0;

// A text argument in the ANSI code page; null for an empty or null one.
struct NarrowText {
  TaskMemory<char> text;
  bool isNull = false;

  LPSTR get() noexcept { return isNull ? nullptr : text.get(); }
};

// Whether the argument is empty or null, by value or behind one reference.
bool IsNullText(const VARIANT& argument) noexcept {
  const VARIANT* value = &argument;
  if (V_VT(value) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(value)) value = V_VARIANTREF(value);
  return V_VT(value) == VT_EMPTY || V_VT(value) == VT_NULL;
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
  // null BSTR is one; nothing the conversion may follow otherwise.
  if (V_ISBYREF(&argument) && !V_BYREF(&argument)) {
    if (V_VT(&argument) != (VT_BSTR | VT_BYREF)) return E_INVALIDARG;
    return ToNarrow(nullptr, out);
  }
  OwnedVariant text;
  const HRESULT hr =
      VariantChangeTypeEx(text.put(), const_cast<VARIANT*>(&argument), lcid, 0, VT_BSTR);
  if (FAILED(hr)) return hr;
  return ToNarrow(V_BSTR(text.get()), out);
}

// A failed conversion of the argument at `index`: out of memory as it is,
// anything else a type mismatch of that argument.
HRESULT ConversionFailure(HRESULT hr, UINT index, UINT* argError) noexcept {
  if (hr == E_OUTOFMEMORY) return hr;
  if (argError) *argError = index;
  return DISP_E_TYPEMISMATCH;
}

}  // namespace

bool IsWellFormed(const DISPPARAMS* params) noexcept {
  return params && (params->rgvarg || params->cArgs == 0) &&
         (params->rgdispidNamedArgs || params->cNamedArgs == 0) &&
         params->cNamedArgs <= params->cArgs;
}

HRESULT InvokeMemSave(IQV_Api* api, LCID lcid, const DISPPARAMS* params, VARIANT* result,
                      UINT* argError) noexcept {
  if (params->cArgs != 3) return DISP_E_BADPARAMCOUNT;
  if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  NarrowText name, comment;
  HRESULT hr = ToNarrowText(params->rgvarg[kNameIndex], lcid, &name);
  if (FAILED(hr)) return ConversionFailure(hr, kNameIndex, argError);
  hr = ToNarrowText(params->rgvarg[kCommentIndex], lcid, &comment);
  if (FAILED(hr)) return ConversionFailure(hr, kCommentIndex, argError);
  OwnedVariant showAll;
  hr = VariantChangeTypeEx(showAll.put(), &params->rgvarg[kShowAllIndex], lcid, 0, VT_I4);
  if (FAILED(hr)) return ConversionFailure(hr, kShowAllIndex, argError);
  if (result) VariantInit(result);
  return api->MemSave(name.get(), comment.get(), V_I4(showAll.get()));
}

}  // namespace qvapi
