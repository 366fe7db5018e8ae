#pragma once
// Ties a class to its class id and gives it its instance creator.

#include <windows.h>
#include <unknwn.h>

#include "automation/com_agg_object.h"
#include "automation/com_object.h"

namespace ATL {

// Makes one object of a class: a plain one for a null outer unknown, an
// aggregated one otherwise.
using InstanceCreator = HRESULT(WINAPI*)(IUnknown* outer, REFIID iid, void** out);

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
