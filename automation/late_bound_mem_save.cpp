#include "automation/late_bound_mem_save.h"

#include <oleauto.h>

#include <new>
#include <string>

namespace qvapi {

namespace {

// Positional arguments come last to first.
constexpr UINT kNameIndex = 2;
constexpr UINT kCommentIndex = 1;
constexpr UINT kShowAllIndex = 0;

// A text argument in the ANSI code page; `isNull` for an empty or null one.
struct NarrowText {
  std::string text;
  bool isNull = false;

  LPSTR get() noexcept { return isNull ? nullptr : text.data(); }
};

// The variant an argument stands for, with references to variants followed.
const VARIANT* Referenced(const VARIANT* argument) noexcept {
  while (V_VT(argument) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(argument)) {
    argument = V_VARIANTREF(argument);
  }
  return argument;
}

// Throws std::bad_alloc when out of memory.
void ToAnsi(BSTR wide, std::string* text) {
  const int length = static_cast<int>(SysStringLen(wide));
  if (length == 0) return;
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
  text->resize(static_cast<std::size_t>(size));
  WideCharToMultiByte(CP_ACP, 0, wide, length, text->data(), size, nullptr, nullptr);
}

bool ToNarrowText(const VARIANT* argument, NarrowText* out) {
  argument = Referenced(argument);
  switch (V_VT(argument)) {
    case VT_EMPTY:
    case VT_NULL:
      out->isNull = true;
      return true;
    case VT_BSTR:
      ToAnsi(V_BSTR(argument), &out->text);
      return true;
    case VT_BSTR | VT_BYREF:
      ToAnsi(V_BSTRREF(argument) ? *V_BSTRREF(argument) : nullptr, &out->text);
      return true;
    default:
      return false;
  }
}

HRESULT Mismatch(UINT index, UINT* argError) noexcept {
  if (argError) *argError = index;
  return DISP_E_TYPEMISMATCH;
}

}  // namespace

HRESULT InvokeMemSave(IQV_Api* api, const DISPPARAMS* params, VARIANT* result,
                      UINT* argError) noexcept {
  if (!params || params->cArgs != 3) return DISP_E_BADPARAMCOUNT;
  if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  try {
    NarrowText name, comment;
    if (!ToNarrowText(&params->rgvarg[kNameIndex], &name)) return Mismatch(kNameIndex, argError);
    if (!ToNarrowText(&params->rgvarg[kCommentIndex], &comment)) {
      return Mismatch(kCommentIndex, argError);
    }
    VARIANT showAll;
    VariantInit(&showAll);
    if (FAILED(VariantChangeType(&showAll, &params->rgvarg[kShowAllIndex], 0, VT_I4))) {
      return Mismatch(kShowAllIndex, argError);
    }
    if (result) VariantInit(result);
    return api->MemSave(name.get(), comment.get(), V_I4(&showAll));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace qvapi
