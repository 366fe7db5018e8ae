#pragma once
// The inner part of an aggregate, as the outer object holds it: its own
// IUnknown face and count, and the contained object by value. One heap
// allocation, one count in the module's lock count until its very last
// step of destruction; it holds no reference on the outer object.

#include <windows.h>
#include <unknwn.h>

#include <memory>
#include <new>

#include "automation/com_contained_object.h"
#include "automation/com_object_root_ex.h"
#include "automation/hand_out_new.h"
#include "automation/interface_table.h"
#include "automation/module_lock.h"

namespace ATL {

template <class Base>
class CComAggObject final : private qvapi::ModuleLock,
                            public IUnknown,
                            public CComObjectRootEx<CComMultiThreadModelNoCS> {
 public:
  explicit CComAggObject(IUnknown* outer) noexcept : m_contained(outer) {}
  ~CComAggObject() { m_dwRef = 1; }

  STDMETHOD(QueryInterface)(REFIID iid, void** out) noexcept override {
    if (!out) return E_POINTER;
    if (InlineIsEqualGUID(iid, IID_IUnknown)) {
      *out = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return FindInterface(static_cast<Base*>(&m_contained), Base::kInterfaces, iid, out);
  }
  STDMETHOD_(ULONG, AddRef)() noexcept override { return InternalAddRef(); }
  STDMETHOD_(ULONG, Release)() noexcept override {
    const LONG count = InternalRelease();
    if (count == 0) delete this;
    return count;
  }

  static HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept {
    std::unique_ptr<CComAggObject> object(new (std::nothrow) CComAggObject(outer));
    if (!object) return E_OUTOFMEMORY;
    return HandOutNew(std::move(object), iid, out);
  }

 private:
  CComContainedObject<Base> m_contained;
};

}  // namespace ATL
