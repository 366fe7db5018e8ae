#pragma once
// The class object of a creatable class: makes its objects through the
// instance creator of the class-table row, and lets a client keep the
// module loaded between creations.

#include <windows.h>
#include <unknwn.h>

#include "automation/com_co_class.h"
#include "automation/com_object_root.h"
#include "automation/interface_table.h"

namespace ATL {

class CComClassFactory : public IClassFactory, public CComObjectRootEx<CComMultiThreadModel> {
 public:
  static const InterfaceEntry kInterfaces[];

  // The class-object creator of a class-table row: a new class factory
  // for `creator`, handed out as `iid`; nothing is left behind on failure.
  static HRESULT WINAPI CreateClassObject(qvapi::InstanceCreator creator, REFIID iid,
                                          void** out) noexcept;

  // E_POINTER for a null `out`; otherwise *out is cleared first, and an
  // outer unknown with any interface but IID_IUnknown is refused with
  // CLASS_E_NOAGGREGATION before the creator is called.
  STDMETHOD(CreateInstance)(IUnknown* outer, REFIID iid, void** out) noexcept override;
  // Nonzero adds one to the module's lock count, zero takes one off;
  // nothing stops it going below zero.
  STDMETHOD(LockServer)(BOOL lock) noexcept override;

 protected:
  CComClassFactory() = default;
  ~CComClassFactory() = default;

 private:
  qvapi::InstanceCreator m_pfnCreateInstance = nullptr;  // set once, right after construction
};

}  // namespace ATL
