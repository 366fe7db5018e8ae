#pragma once
// The one process-wide record of the in-process server: its module handle,
// its class table with the cached class objects, the lock count that tells
// COM whether it may unload the DLL, and the two module locks. All zero
// until Startup.

#include <windows.h>

#include "server/class_table.h"

namespace qvapi {

struct ServerModule {
  HINSTANCE instance;             // the server DLL's own module handle
  HINSTANCE typeLibraryInstance;  // the module whose file holds the type library
  ClassEntry* classTable;
  // Live objects plus outstanding LockServer(TRUE) calls; changed only by
  // interlocked operations. An aligned 32-bit read is atomic on this
  // platform, so DllCanUnloadNow reads it without a lock.
  volatile LONG lockCount;
  CRITICAL_SECTION typeInfoLock;  // entered only by the type-information holder
  CRITICAL_SECTION classTableLock;  // held only while a class object is made

  // At process attach: records the table and the handle, sets the count to
  // 0 and makes the two locks. Takes no lock.
  HRESULT Startup(ClassEntry* table, HINSTANCE module) noexcept;
  // At process detach: releases every cached class object once and deletes
  // the two locks. Takes no lock.
  HRESULT Shutdown() noexcept;
  // The class object of `clsid` as `iid`, made on the first request and
  // then cached. E_POINTER for a null `out`; CLASS_E_CLASSNOTAVAILABLE, with
  // *out untouched, for a class not in the table; any other failure leaves
  // *out null.
  HRESULT FindClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept;
};

extern ServerModule g_serverModule;

}  // namespace qvapi
