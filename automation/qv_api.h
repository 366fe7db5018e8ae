#pragma once
// CQV_Api, the one creatable automation class of the server: the tool's
// memory operations and event reporting for automation clients. It holds no
// state; each member forwards one call and returns S_OK. It is always made
// as CComObject<CQV_Api> or inside CComAggObject<CQV_Api>.

#include <windows.h>

#include "QVAPI.h"
#include "automation/com_co_class.h"
#include "automation/com_object_root.h"
#include "automation/com_type_info_holder.h"
#include "automation/idispatch_impl.h"
#include "automation/interface_table.h"

class CQV_Api : public ATL::CComObjectRootEx<ATL::CComMultiThreadModel>,
                public ATL::CComCoClass<CQV_Api, &CLSID_QV_Api>,
                public ISupportErrorInfo,
                public ATL::IDispatchImpl<IQV_Api, &IID_IQV_Api, &LIBID_QVAPILib, 1, 0,
                                          ATL::CComTypeInfoHolder> {
 public:
  // IQV_Api (whose face is the object's identity), IDispatch, ISupportErrorInfo.
  static const ATL::InterfaceEntry kInterfaces[];

  // ISupportErrorInfo
  STDMETHOD(InterfaceSupportsErrorInfo)(REFIID riid) noexcept override;

  // IDispatch::Invoke from the type information, and MemSave called with
  // the server's own argument conversion where the platform refuses it;
  // every other result, a failed load of the type information included,
  // comes back unchanged. The thread's error object is cleared first, on
  // every call; parameters whose counts lie about their arrays then get
  // E_INVALIDARG.
  STDMETHOD(Invoke)
  (DISPID dispidMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pdispparams,
   VARIANT* pvarResult, EXCEPINFO* pexcepinfo, UINT* puArgErr) noexcept override;

  // IQV_Api. The bridge's results are dropped by the three methods; the
  // getters store their call's result unchanged, and answer a null
  // out-location with E_POINTER before calling anything.
  STDMETHOD(MemMark)() noexcept override;
  STDMETHOD(MemSave)(LPSTR pszName, LPSTR pszComment, LONG bShowAll) noexcept override;
  STDMETHOD(MemPopup)() noexcept override;
  STDMETHOD(get_StartEventReporting)(LONG* lPrev) noexcept override;
  STDMETHOD(get_StopEventReporting)(LONG* lPrev) noexcept override;
  STDMETHOD(get_EventReportingState)(LONG* lCur) noexcept override;
  STDMETHOD(get_EnableErrorPopup)(LONG lPopup, LONG* bPrevPopup) noexcept override;

 protected:
  CQV_Api() noexcept;
  ~CQV_Api();
};
