#pragma once
// The plain form of an object: one heap allocation, its count the class's
// own, one count in the module's lock count until its very last step of
// destruction.

#include <windows.h>

#include <memory>
#include <new>

#include "automation/com_counted_object.h"
#include "automation/hand_out_new.h"
#include "automation/module_lock.h"

namespace ATL {

template <class Base>
class CComObject final : private qvapi::ModuleLock,
                         public CComCountedObject<Base, CComObject<Base>> {
 public:
  static HRESULT CreateInstance(REFIID iid, void** out) noexcept {
    std::unique_ptr<CComObject> object(new (std::nothrow) CComObject);
    if (!object) return E_OUTOFMEMORY;
    return HandOutNew(std::move(object), iid, out);
  }
};

}  // namespace ATL
