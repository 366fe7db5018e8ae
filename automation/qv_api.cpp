#include "automation/qv_api.h"

#include "automation/com_ptr.h"
#include "automation/event_reporting.h"
#include "automation/late_bound_mem_save.h"
#include "bridge/core_calls.h"
#include "common/hresult_checks.h"

const ATL::InterfaceEntry CQV_Api::kInterfaces[] = {
    {&IID_IQV_Api, qvapi::FaceOffset<CQV_Api, IQV_Api>(), qvapi::InterfaceEntryKind::Offset},
    {&IID_IDispatch, qvapi::FaceOffset<CQV_Api, IQV_Api>(), qvapi::InterfaceEntryKind::Offset},
    {&IID_ISupportErrorInfo, qvapi::FaceOffset<CQV_Api, ISupportErrorInfo>(),
     qvapi::InterfaceEntryKind::Offset},
    {nullptr, 0, qvapi::InterfaceEntryKind::End},
};

// The object root has set the count to 0 and made its lock by now.
CQV_Api::CQV_Api() noexcept { _tih.AddObjectRef(); }

// Runs before the object root deletes its lock.
CQV_Api::~CQV_Api() { _tih.ReleaseObjectRef(); }

STDMETHODIMP CQV_Api::InterfaceSupportsErrorInfo(REFIID riid) noexcept {
  static const IID* const kSupporting[] = {&IID_IQV_Api};
  for (const IID* iid : kSupporting) {
    if (InlineIsEqualGUID(riid, *iid)) return S_OK;
  }
  return S_FALSE;
}

STDMETHODIMP CQV_Api::Invoke(DISPID dispidMember, REFIID, LCID lcid, WORD wFlags,
                             DISPPARAMS* pdispparams, VARIANT* pvarResult, EXCEPINFO* pexcepinfo,
                             UINT* puArgErr) noexcept {
  // Every call starts without a stale error object, failing calls included.
  SetErrorInfo(0, nullptr);
  // Counts that lie about their arrays are refused before anything reads them.
  if (!qvapi::IsWellFormed(pdispparams)) return E_INVALIDARG;
  qvapi::ComPtr<ITypeInfo> info;
  RETURN_IF_FAILED(_tih.FetchTypeInfo(lcid, info.put()));
  const HRESULT hr = info->Invoke(static_cast<IQV_Api*>(this), dispidMember, wFlags, pdispparams,
                                  pvarResult, pexcepinfo, puArgErr);
  // Whatever the platform's reason for refusing MemSave (its narrow texts),
  // the server's own conversion answers, validating the arguments itself.
  // An exception means the member ran: that result stands.
  if (SUCCEEDED(hr) || hr == DISP_E_EXCEPTION || !(wFlags & DISPATCH_METHOD) ||
      dispidMember != DISPID_QV_MemSave) {
    return hr;
  }
  return qvapi::InvokeMemSave(this, lcid, pdispparams, pvarResult, puArgErr);
}

STDMETHODIMP CQV_Api::MemMark() noexcept {
  qvapi::bridge::MarkMemory();
  return S_OK;
}

STDMETHODIMP CQV_Api::MemSave(LPSTR pszName, LPSTR pszComment, LONG bShowAll) noexcept {
  qvapi::bridge::SaveMemory(pszName, pszComment, bShowAll);
  return S_OK;
}

STDMETHODIMP CQV_Api::MemPopup() noexcept {
  qvapi::bridge::DoMemoryPopup();
  return S_OK;
}

namespace {

HRESULT StoreResultOf(LONG (*call)(), LONG* out) noexcept {
  if (!out) return E_POINTER;
  *out = call();
  return S_OK;
}

}  // namespace

STDMETHODIMP CQV_Api::get_StartEventReporting(LONG* lPrev) noexcept {
  return StoreResultOf(StartEvtReporting, lPrev);
}

STDMETHODIMP CQV_Api::get_StopEventReporting(LONG* lPrev) noexcept {
  return StoreResultOf(StopEvtReporting, lPrev);
}

STDMETHODIMP CQV_Api::get_EventReportingState(LONG* lCur) noexcept {
  return StoreResultOf(EvtReportingState, lCur);
}

STDMETHODIMP CQV_Api::get_EnableErrorPopup(LONG lPopup, LONG* bPrevPopup) noexcept {
  if (!bPrevPopup) return E_POINTER;
  *bPrevPopup = qvapi::bridge::EnableErrorPopup(lPopup);
  return S_OK;
}
