#pragma once
// Type information of one dual interface, loaded from its registered type
// library on the first late-bound call and shared by every object of the
// class. Every read and write of its state happens under the module's
// type-information lock; the calls into the type information itself run
// outside it, on a reference of the caller's own.

#include <windows.h>
#include <oaidl.h>

namespace ATL {

class CComTypeInfoHolder {
 public:
  constexpr CComTypeInfoHolder(const GUID* iid, const GUID* libid, WORD major, WORD minor) noexcept
      : m_pguid(iid), m_plibid(libid), m_wMajor(major), m_wMinor(minor) {}
  CComTypeInfoHolder(const CComTypeInfoHolder&) = delete;
  CComTypeInfoHolder& operator=(const CComTypeInfoHolder&) = delete;

  // One more, or one less, live object using the holder; the last one gone
  // releases the cached type information.
  void AddObjectRef() noexcept;
  void ReleaseObjectRef() noexcept;

  // The type information, with a reference for the caller, loading it under
  // the lock if it is not cached; on failure *out is null and nothing is
  // cached. The locale reaches the platform only on the call that loads.
  HRESULT FetchTypeInfo(LCID lcid, ITypeInfo** out) noexcept;

  // Two IDispatch operations, answered from the type information; Invoke
  // is left to the class, on FetchTypeInfo.
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) noexcept;
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                        DISPID* dispids) noexcept;

 private:
  const GUID* const m_pguid;
  const GUID* const m_plibid;
  const WORD m_wMajor;
  const WORD m_wMinor;
  ITypeInfo* m_pInfo = nullptr;  // owns one reference while set
  LONG m_dwRef = 0;
};

}  // namespace ATL
