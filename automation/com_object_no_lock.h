#pragma once
// A plain object that does not count in the module's lock count: the class
// objects, which the module keeps until it is unloaded.

#include <windows.h>

#include "automation/interface_table.h"

namespace ATL {

template <class Base>
class CComObjectNoLock final : public Base {
 public:
  ~CComObjectNoLock() { this->m_dwRef = 1; }

  STDMETHOD(QueryInterface)(REFIID iid, void** out) noexcept override {
    return FindInterface(static_cast<Base*>(this), Base::kInterfaces, iid, out);
  }
  STDMETHOD_(ULONG, AddRef)() noexcept override { return this->InternalAddRef(); }
  STDMETHOD_(ULONG, Release)() noexcept override {
    const LONG count = this->InternalRelease();
    if (count == 0) delete this;
    return count;
  }
};

}  // namespace ATL
