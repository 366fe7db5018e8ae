#pragma once
// The one process-wide record of the in-process server: its module handle,
// the lock count that tells COM whether it may unload the DLL, and the two
// module locks. All zero until Startup.

#include <windows.h>

namespace qvapi {

struct ServerModule {
  HINSTANCE instance;             // the server DLL's own module handle
  HINSTANCE typeLibraryInstance;  // the module whose file holds the type library
  // Live objects plus outstanding LockServer(TRUE) calls; changed only by
  // interlocked operations, read without a lock.
  volatile LONG lockCount;
  CRITICAL_SECTION typeInfoLock;  // entered only by the type-information holder
  CRITICAL_SECTION classTableLock;

  // At process attach: records the handle, sets the count to 0 and makes the
  // two locks.
  HRESULT Startup(HINSTANCE module) noexcept;
  // At process detach: deletes the two locks.
  HRESULT Shutdown() noexcept;
};

extern ServerModule g_serverModule;

}  // namespace qvapi
