#pragma once
// The forms an object of a class takes: plain (its own count, one count in
// the module's lock count), plain without the module's count (the class
// objects), and inside an aggregate (the outer unknown's count for its
// interfaces, its own for its IUnknown face). `Base` is the class, derived
// from an object root, with a `kInterfaces` table.

#include <windows.h>
#include <unknwn.h>

#include <memory>
#include <new>

#include "automation/com_object_root.h"
#include "automation/interface_table.h"
#include "automation/module_services.h"

namespace qvapi {

// Gives a new object its first reference through `iid`; an object whose
// QueryInterface fails is destroyed at once.
template <class Object>
HRESULT HandOutFirstReference(std::unique_ptr<Object> object, REFIID iid, void** out) noexcept {
  const HRESULT hr = object->QueryInterface(iid, out);
  if (SUCCEEDED(hr)) object.release();  // the caller's reference owns it now
  return hr;
}

// One count in the module's lock count for as long as it lives. Made the
// first base of an object, it is destroyed after everything else in the
// object, so the module cannot be unloaded while the object's teardown
// (the type-information holder's release, the object lock's deletion)
// still runs in it.
class ModuleLock {
 public:
  ModuleLock() noexcept { LockModule(); }
  ~ModuleLock() { UnlockModule(); }
  ModuleLock(const ModuleLock&) = delete;
  ModuleLock& operator=(const ModuleLock&) = delete;
};

// The IUnknown of an object whose own count decides its life:
// QueryInterface from the class's interface table, interlocked AddRef and
// Release, and the whole object deleted at 0. `Object` is the most derived
// class, so the deletion needs no virtual destructor.
template <class Base, class Object>
class SelfCountedUnknown : public Base {
 public:
  STDMETHOD(QueryInterface)(REFIID iid, void** out) noexcept override {
    return ATL::FindInterface(static_cast<Base*>(this), Base::kInterfaces, iid, out);
  }
  STDMETHOD_(ULONG, AddRef)() noexcept override { return this->InternalAddRef(); }
  STDMETHOD_(ULONG, Release)() noexcept override {
    const LONG count = this->InternalRelease();
    if (count == 0) delete static_cast<Object*>(this);
    return count;
  }

 protected:
  SelfCountedUnknown() = default;
  // A reference taken and dropped during the teardown cannot bring the
  // count to 0 a second time.
  ~SelfCountedUnknown() { this->m_dwRef = 1; }
};

}  // namespace qvapi

namespace ATL {

// The plain form: one heap allocation, its count the class's own, one
// count in the module's lock count until its very last step of destruction.
template <class Base>
class CComObject final : private qvapi::ModuleLock,
                         public qvapi::SelfCountedUnknown<Base, CComObject<Base>> {
 public:
  static HRESULT CreateInstance(REFIID iid, void** out) noexcept {
    std::unique_ptr<CComObject> object(new (std::nothrow) CComObject);
    if (!object) return E_OUTOFMEMORY;
    return qvapi::HandOutFirstReference(std::move(object), iid, out);
  }
};

// The plain form that does not count in the module's lock count: the class
// objects, which the module keeps until it is unloaded.
template <class Base>
class CComObjectNoLock final : public qvapi::SelfCountedUnknown<Base, CComObjectNoLock<Base>> {};

// The class's part inside an aggregate: its count field holds the outer
// unknown, written once at construction without a reference, and
// everything IUnknown does goes there.
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

// The inner part of an aggregate, as the outer object holds it: its own
// IUnknown face and count, and the contained object by value. One heap
// allocation, one count in the module's lock count until its very last
// step of destruction; it holds no reference on the outer object.
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
    return qvapi::HandOutFirstReference(std::move(object), iid, out);
  }

 private:
  CComContainedObject<Base> m_contained;
};

}  // namespace ATL
