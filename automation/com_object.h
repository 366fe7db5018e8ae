#pragma once
// The plain form of an object: one heap allocation, its count the class's
// own, one count in the module's lock count while it lives.

#include <windows.h>

#include <memory>
#include <new>

#include "automation/hand_out_new.h"
#include "automation/interface_table.h"
#include "automation/module_services.h"

namespace ATL {

template <class Base>
class CComObject final : public Base {
 public:
  CComObject() noexcept { qvapi::LockModule(); }
  ~CComObject() {
    // A reference taken and dropped during the teardown cannot bring the
    // count to 0 a second time.
    this->m_dwRef = 1;
    qvapi::UnlockModule();
  }

  STDMETHOD(QueryInterface)(REFIID iid, void** out) noexcept override {
    return FindInterface(static_cast<Base*>(this), Base::kInterfaces, iid, out);
  }
  STDMETHOD_(ULONG, AddRef)() noexcept override { return this->InternalAddRef(); }
  STDMETHOD_(ULONG, Release)() noexcept override {
    const LONG count = this->InternalRelease();
    if (count == 0) delete this;
    return count;
  }

  static HRESULT CreateInstance(REFIID iid, void** out) noexcept {
    std::unique_ptr<CComObject> object(new (std::nothrow) CComObject);
    if (!object) return E_OUTOFMEMORY;
    return HandOutNew(std::move(object), iid, out);
  }
};

}  // namespace ATL
