#pragma once
// The object roots: the reference count every object of the server
// carries, and the thread models that say how it changes and whether the
// object carries a lock.

#include <windows.h>
#include <unknwn.h>

#include "automation/critical_section.h"

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

// Counts change by interlocked operations; the object carries a lock.
struct CComMultiThreadModel {};
// Counts change by interlocked operations; the object carries no lock.
struct CComMultiThreadModelNoCS {};

template <class ThreadModel>
class CComObjectRootEx;

template <>
class CComObjectRootEx<CComMultiThreadModelNoCS> : public CComObjectRootBase {};

template <>
class CComObjectRootEx<CComMultiThreadModel> : public CComObjectRootBase {
 protected:
  // Initialised with the object and deleted with it; no operation of the
  // server enters it.
  qvapi::CriticalSection m_critsec;
};

}  // namespace ATL
