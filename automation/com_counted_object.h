#pragma once
// The IUnknown of an object whose own count decides its life: QueryInterface
// from the class's interface table, interlocked AddRef and Release, and the
// whole object deleted at 0. `Object` is the most derived class, so the
// deletion needs no virtual destructor.

#include <windows.h>

#include "automation/interface_table.h"

namespace ATL {

template <class Base, class Object>
class CComCountedObject : public Base {
 public:
  STDMETHOD(QueryInterface)(REFIID iid, void** out) noexcept override {
    return FindInterface(static_cast<Base*>(this), Base::kInterfaces, iid, out);
  }
  STDMETHOD_(ULONG, AddRef)() noexcept override { return this->InternalAddRef(); }
  STDMETHOD_(ULONG, Release)() noexcept override {
    const LONG count = this->InternalRelease();
    if (count == 0) delete static_cast<Object*>(this);
    return count;
  }

 protected:
  CComCountedObject() = default;
  // A reference taken and dropped during the teardown cannot bring the
  // count to 0 a second time.
  ~CComCountedObject() { this->m_dwRef = 1; }
};

}  // namespace ATL
