#pragma once
// Ties a class to its class id and gives it its instance creator.

#include <windows.h>
#include <unknwn.h>

#include "automation/com_objects.h"

namespace qvapi {

// Makes one object of a class: a plain one for a null outer unknown, an
// aggregated one otherwise.
using InstanceCreator = HRESULT(WINAPI*)(IUnknown* outer, REFIID iid, void** out);

}  // namespace qvapi

namespace ATL {

template <class T, const CLSID* pclsid>
class CComCoClass {
 public:
  // The class factory has already refused a null `out` and aggregation for
  // any interface but IID_IUnknown, and cleared *out.
  static HRESULT WINAPI CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept {
    if (!outer) return CComObject<T>::CreateInstance(iid, out);
    return CComAggObject<T>::CreateInstance(outer, iid, out);
  }
};

}  // namespace ATL
