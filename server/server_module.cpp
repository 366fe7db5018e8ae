#include "server/server_module.h"

#include "automation/module_services.h"

namespace qvapi {

ServerModule g_serverModule;

HRESULT ServerModule::Startup(HINSTANCE module) noexcept {
  lockCount = 0;
  instance = module;
  typeLibraryInstance = module;
  InitializeCriticalSection(&typeInfoLock);
  InitializeCriticalSection(&classTableLock);
  return S_OK;
}

HRESULT ServerModule::Shutdown() noexcept {
  DeleteCriticalSection(&typeInfoLock);
  DeleteCriticalSection(&classTableLock);
  return S_OK;
}

LONG LockModule() noexcept { return InterlockedIncrement(&g_serverModule.lockCount); }

LONG UnlockModule() noexcept { return InterlockedDecrement(&g_serverModule.lockCount); }

CRITICAL_SECTION& TypeInfoLock() noexcept { return g_serverModule.typeInfoLock; }

}  // namespace qvapi
