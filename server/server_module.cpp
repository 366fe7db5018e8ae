#include "server/server_module.h"

#include "automation/critical_section.h"
#include "automation/module_services.h"

namespace qvapi {

ServerModule g_serverModule;

HRESULT ServerModule::Startup(ClassEntry* table, HINSTANCE module) noexcept {
  lockCount = 0;
  classTable = table;
  instance = module;
  typeLibraryInstance = module;
  typeInfoLock.emplace();
  classTableLock.emplace();
  registrationLock.emplace();
  return S_OK;
}

HRESULT ServerModule::Shutdown() noexcept {
  for (ClassEntry* row = classTable; row && row->clsid; ++row) {
    if (IUnknown* object = row->classObject.exchange(nullptr)) object->Release();
  }
  typeInfoLock.reset();
  classTableLock.reset();
  registrationLock.reset();
  return S_OK;
}

HRESULT ServerModule::FindClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept {
  if (!out) return E_POINTER;
  for (ClassEntry* row = classTable; row->clsid; ++row) {
    if (!InlineIsEqualGUID(clsid, *row->clsid)) continue;
    *out = nullptr;  // also when the class object cannot be made
    HRESULT hr = S_OK;
    IUnknown* object = row->classObject.load(std::memory_order_acquire);
    if (!object) {
      CriticalSectionLock lock(*classTableLock);
      object = row->classObject.load(std::memory_order_relaxed);
      if (!object) {
        // Made whole before it is published: the release store orders the
        // construction before the pointer for every acquiring reader.
        void* created = nullptr;
        hr = row->createClassObject(row->createInstance, IID_IUnknown, &created);
        object = static_cast<IUnknown*>(created);
        if (object) row->classObject.store(object, std::memory_order_release);
      }
    }
    if (object) hr = object->QueryInterface(iid, out);
    return hr;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

LONG LockModule() noexcept { return InterlockedIncrement(&g_serverModule.lockCount); }

LONG UnlockModule() noexcept { return InterlockedDecrement(&g_serverModule.lockCount); }

CriticalSection& TypeInfoLock() noexcept { return *g_serverModule.typeInfoLock; }

}  // namespace qvapi
