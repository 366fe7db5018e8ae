#pragma once
// The IDispatch half of a dual interface, answered from the interface's
// type information: no dispatch table of the server's own.

#include <windows.h>
#include <oaidl.h>

#include "automation/com_type_info_holder.h"

namespace ATL {

template <class T, const IID* piid, const GUID* plibid, WORD wMajor = 1, WORD wMinor = 0,
          class tihclass = CComTypeInfoHolder>
class IDispatchImpl : public T {
 public:
  STDMETHOD(GetTypeInfoCount)(UINT* pctinfo) noexcept override {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 1;
    return S_OK;
  }
  STDMETHOD(GetTypeInfo)(UINT itinfo, LCID lcid, ITypeInfo** pptinfo) noexcept override {
    return _tih.GetTypeInfo(itinfo, lcid, pptinfo);
  }
  STDMETHOD(GetIDsOfNames)
  (REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgdispid) noexcept override {
    return _tih.GetIDsOfNames(riid, rgszNames, cNames, lcid, rgdispid);
  }
  // Invoke is the class's own: it calls the platform's ITypeInfo::Invoke
  // on the type information that _tih fetches, through this very face, and
  // decides what a refused call means.

  // Shared by every object of every class that derives from this
  // instantiation; constant-initialised, so it is ready before any code runs.
  static tihclass _tih;
};

template <class T, const IID* piid, const GUID* plibid, WORD wMajor, WORD wMinor, class tihclass>
tihclass IDispatchImpl<T, piid, plibid, wMajor, wMinor, tihclass>::_tih{piid, plibid, wMajor,
                                                                        wMinor};

}  // namespace ATL
