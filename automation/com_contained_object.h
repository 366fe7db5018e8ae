#pragma once
// The class's part inside an aggregate: its count field holds the outer
// unknown, written once at construction without a reference, and
// everything IUnknown does goes there.

#include <windows.h>
#include <unknwn.h>

namespace ATL {

template <class Base>
class CComContainedObject final : public Base {
 public:
  explicit CComContainedObject(IUnknown* outer) noexcept { this->m_pOuterUnknown = outer; }

  STDMETHOD(QueryInterface)(REFIID iid, void** out) noexcept override {
    return this->m_pOuterUnknown->QueryInterface(iid, out);
  }
  STDMETHOD_(ULONG, AddRef)() noexcept override { return this->m_pOuterUnknown->AddRef(); }
  STDMETHOD_(ULONG, Release)() noexcept override { return this->m_pOuterUnknown->Release(); }
};

}  // namespace ATL
