#pragma once
// The reference count every object of the server carries.

#include <windows.h>
#include <unknwn.h>

namespace ATL {

class CComObjectRootBase {
 protected:
  CComObjectRootBase() noexcept : m_dwRef(0) {}

  // The new count, as the interlocked operation produced it: exactly one
  // caller sees 0 however many threads release at once.
  LONG InternalAddRef() noexcept { return InterlockedIncrement(&m_dwRef); }
  LONG InternalRelease() noexcept { return InterlockedDecrement(&m_dwRef); }

  // A contained object keeps the outer unknown here instead of a count.
  union {
    LONG m_dwRef;
    IUnknown* m_pOuterUnknown;
  };
};

}  // namespace ATL
