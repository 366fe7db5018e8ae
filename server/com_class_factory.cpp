#include "server/com_class_factory.h"

#include <memory>
#include <new>

#include "automation/com_objects.h"
#include "automation/module_services.h"

namespace ATL {

const InterfaceEntry CComClassFactory::kInterfaces[] = {
    {&IID_IClassFactory, qvapi::FaceOffset<CComClassFactory, IClassFactory>(),
     qvapi::InterfaceEntryKind::Offset},
    {nullptr, 0, qvapi::InterfaceEntryKind::End},
};

HRESULT WINAPI CComClassFactory::CreateClassObject(qvapi::InstanceCreator creator, REFIID iid,
                                                   void** out) noexcept {
  using Factory = CComObjectNoLock<CComClassFactory>;
  std::unique_ptr<Factory> factory(new (std::nothrow) Factory);
  if (!factory) return E_OUTOFMEMORY;
  factory->m_pfnCreateInstance = creator;
  return qvapi::HandOutFirstReference(std::move(factory), iid, out);
}

STDMETHODIMP CComClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer && !InlineIsEqualGUID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  return m_pfnCreateInstance(outer, iid, out);
}

STDMETHODIMP CComClassFactory::LockServer(BOOL lock) noexcept {
  if (lock) {
    qvapi::LockModule();
  } else {
    qvapi::UnlockModule();
  }
  return S_OK;
}

}  // namespace ATL
