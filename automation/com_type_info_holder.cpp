#include "automation/com_type_info_holder.h"

#include <oleauto.h>

#include "automation/com_ptr.h"
#include "automation/critical_section.h"
#include "automation/module_services.h"
#include "common/hresult_checks.h"

namespace ATL {

void CComTypeInfoHolder::AddObjectRef() noexcept {
  qvapi::CriticalSectionLock lock(qvapi::TypeInfoLock());
  ++m_dwRef;
}

void CComTypeInfoHolder::ReleaseObjectRef() noexcept {
  qvapi::CriticalSectionLock lock(qvapi::TypeInfoLock());
  if (--m_dwRef == 0 && m_pInfo) {
    m_pInfo->Release();
    m_pInfo = nullptr;
  }
}

HRESULT CComTypeInfoHolder::FetchTypeInfo(LCID lcid, ITypeInfo** out) noexcept {
  *out = nullptr;
  qvapi::CriticalSectionLock lock(qvapi::TypeInfoLock());
  if (!m_pInfo) {
    qvapi::ComPtr<ITypeLib> library;
    RETURN_IF_FAILED(LoadRegTypeLib(*m_plibid, m_wMajor, m_wMinor, lcid, library.put()));
    ITypeInfo* info = nullptr;
    RETURN_IF_FAILED(library->GetTypeInfoOfGuid(*m_pguid, &info));
    m_pInfo = info;  // the reference that came with it is the holder's
  }
  m_pInfo->AddRef();
  *out = m_pInfo;
  return S_OK;
}

HRESULT CComTypeInfoHolder::GetTypeInfo(UINT, LCID lcid, ITypeInfo** out) noexcept {
  if (!out) return E_POINTER;
  return FetchTypeInfo(lcid, out);
}

HRESULT CComTypeInfoHolder::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* dispids) noexcept {
  qvapi::ComPtr<ITypeInfo> info;
  HRESULT hr = FetchTypeInfo(lcid, info.put());
  if (info) hr = info->GetIDsOfNames(names, count, dispids);
  return hr;
}

}  // namespace ATL
