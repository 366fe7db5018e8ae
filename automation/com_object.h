#pragma once
// The forms in which an object of the server is made: plain, or as the
// inner part of an aggregate, whose contained object delegates its identity
// and its counts to the outer unknown. Each form is one heap allocation and
// holds one count in the module's lock count while it lives.

#include <windows.h>

#include <memory>
#include <new>

#include "automation/interface_table.h"
#include "automation/module_services.h"
#include "automation/object_root.h"

namespace ATL {

// Gives a new object its first reference through `iid`; an object whose
// QueryInterface fails is destroyed at once.
template <class Object>
HRESULT HandOutNew(std::unique_ptr<Object> object, REFIID iid, void** out) noexcept {
  const HRESULT hr = object->QueryInterface(iid, out);
  if (SUCCEEDED(hr)) object.release();  // the caller's reference owns it now
  return hr;
}

// The plain object: the count is Base's own.
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

// A plain object that does not count in the module's lock count: the class
// objects, which the module keeps until it is unloaded.
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

// The contained object: its count field holds the outer unknown, written
// once at construction without a reference, and everything IUnknown does
// goes there.
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
// IUnknown face and count, and the contained object by value. It holds no
// reference on the outer object.
template <class Base>
class CComAggObject final : public IUnknown,
                            public CComObjectRootEx<CComMultiThreadModelNoCS> {
 public:
  explicit CComAggObject(IUnknown* outer) noexcept : m_contained(outer) {
    qvapi::LockModule();
  }
  ~CComAggObject() {
    m_dwRef = 1;
    qvapi::UnlockModule();
  }

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

// Makes one object of a class: a plain one for a null outer unknown, an
// aggregated one otherwise.
using InstanceCreator = HRESULT(WINAPI*)(IUnknown* outer, REFIID iid, void** out);

// Ties a class to its class id and gives it its instance creator: a plain
// object for a null outer unknown, an aggregated one otherwise. The class
// factory has already refused a null `out` and aggregation for any
// interface but IID_IUnknown, and cleared *out.
template <class T, const CLSID* pclsid>
class CComCoClass {
 public:
  static const CLSID& GetObjectCLSID() noexcept { return *pclsid; }

  static HRESULT WINAPI CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept {
    if (!outer) return CComObject<T>::CreateInstance(iid, out);
    return CComAggObject<T>::CreateInstance(outer, iid, out);
  }
};

}  // namespace ATL
