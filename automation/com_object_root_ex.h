#pragma once
// The object root for a thread model: interlocked counts in both, and in
// the multi-thread model the object-root lock besides.

#include "automation/com_object_root_base.h"
#include "automation/critical_section.h"

namespace ATL {

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
