// A module that carries the throwaway registration script and registers
// it, nothing more: the installer package's test packages that script and
// compares what the package does with what regsvr32 of this module does.
// It never ships.

#include <windows.h>

#include "server/server_module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) qvapi::g_serverModule.instance = instance;
  return TRUE;
}

STDAPI DllRegisterServer() {
  return qvapi::g_serverModule.RunRegistrationScript(101, TRUE, nullptr);
}

STDAPI DllUnregisterServer() {
  return qvapi::g_serverModule.RunRegistrationScript(101, FALSE, nullptr);
}
