#pragma once
// The one process-wide record of the in-process server: its module handle,
// its class table with the cached class objects, the lock count that tells
// COM whether it may unload the DLL, and the module locks. All zero until
// Startup.

#include <windows.h>

#include <cstddef>
#include <optional>

#include "automation/critical_section.h"
#include "server/class_table.h"

namespace qvapi {

// A module path buffer: 260 characters and room for ".tlb" besides.
constexpr std::size_t kModulePathSize = MAX_PATH + 10;

// A name and its text for %NAME% references of a registration script; a
// list of them ends with a null name.
struct Replacement {
  const wchar_t* name;
  const wchar_t* text;
};

struct ServerModule {
  HINSTANCE instance;             // the server DLL's own module handle
  HINSTANCE typeLibraryInstance;  // the module whose file holds the type library
  ClassEntry* classTable;
  // Live objects plus outstanding LockServer(TRUE) calls; changed only by
  // interlocked operations. An aligned 32-bit read is atomic on this
  // platform, so DllCanUnloadNow reads it without a lock.
  volatile LONG lockCount;
  // Made by Startup and deleted by Shutdown.
  std::optional<CriticalSection> typeInfoLock;    // entered only by the type-information holder
  std::optional<CriticalSection> classTableLock;  // held only while a class object is made
  // Held by each of the registration entry points for the whole of its run:
  // a per-user run redirects HKEY_CLASSES_ROOT for the whole process, so a
  // registration beside it would land in the user's classes, and the
  // platform's type-library registration must not run twice at once.
  std::optional<CriticalSection> registrationLock;

  // At process attach: records the table and the handle, sets the count to
  // 0 and makes the locks. Takes no lock.
  HRESULT Startup(ClassEntry* table, HINSTANCE module) noexcept;
  // At process detach: releases every cached class object once and deletes
  // the locks. Takes no lock.
  HRESULT Shutdown() noexcept;
  // The class object of `clsid` as `iid`, made on the first request and
  // then cached. E_POINTER for a null `out`; CLASS_E_CLASSNOTAVAILABLE, with
  // *out untouched, for a class not in the table; any other failure leaves
  // *out null.
  HRESULT FindClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept;

  // Registers every row of the class table that has no description, in
  // order, stopping at the first failure, then the type library if asked;
  // nothing is taken back on failure.
  HRESULT RegisterClasses(BOOL registerTypeLibrary) noexcept;
  // Takes every undescribed row out of the registry, each whatever an
  // earlier one answered, and returns the first failure: an entry that
  // exists and cannot be removed (E_ACCESSDENIED without the right), never
  // one that is missing. The type library's registration stays.
  HRESULT UnregisterClasses() noexcept;
  // DllInstall: with no command line (null or empty), RegisterClasses(TRUE)
  // or UnregisterClasses as `install` says; with "user" in any case, the
  // same for the calling user alone, HKEY_CLASSES_ROOT redirected to
  // HKEY_CURRENT_USER\Software\Classes for the whole process until it
  // returns; with anything else E_INVALIDARG, and nothing written.
  HRESULT Install(BOOL install, const wchar_t* commandLine) noexcept;
  // Registers the type library of the type-library instance's file, or of
  // the ".tlb" file of the same name beside it, with the file's folder as
  // help directory.
  HRESULT RegisterTypeLibrary() noexcept;
  // Runs registration script `resourceId` (type "REGISTRY") of this module
  // with "Module" defined as the module's path (quotes doubled, as the
  // script's quoted text reads them), then the given replacements (which
  // cannot redefine it); the script's result. A path the platform had to
  // cut is refused before anything is written.
  HRESULT RunRegistrationScript(UINT resourceId, BOOL registering,
                                const Replacement* replacements) noexcept;
};

extern ServerModule g_serverModule;

}  // namespace qvapi
