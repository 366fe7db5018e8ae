// The DLL's entry point, its four COM entry points and DllInstall.

#include <windows.h>
#include <objbase.h>

#include "server/server_module.h"

using qvapi::g_serverModule;

// Runs under the loader lock: records, initialises and releases, and
// nothing else.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_serverModule.Startup(qvapi::g_classTable, instance);
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    g_serverModule.Shutdown();
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() { return g_serverModule.lockCount == 0 ? S_OK : S_FALSE; }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  return g_serverModule.FindClassObject(clsid, iid, out);
}

// The three registration entry points run one at a time in the process.
STDAPI DllRegisterServer() {
  qvapi::CriticalSectionLock lock(*g_serverModule.registrationLock);
  return g_serverModule.RegisterClasses(TRUE);
}

STDAPI DllUnregisterServer() {
  qvapi::CriticalSectionLock lock(*g_serverModule.registrationLock);
  return g_serverModule.UnregisterClasses();
}

// regsvr32 /n /i:user calls it with install TRUE and "user", /u /n /i:user
// with FALSE.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
  qvapi::CriticalSectionLock lock(*g_serverModule.registrationLock);
  return g_serverModule.Install(install, commandLine);
}
