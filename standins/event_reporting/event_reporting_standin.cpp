// A stand-in for the tool's event-reporting library "QVEvtRpt.DLL": each
// procedure counts its calls and returns the value its test (or the
// environment) set. Since QVAPI.DLL imports it, it is in every process that
// uses the server; told so by the environment, it brings a stand-in
// run-time core into that process too.

#include <cstring>

#include "standins/event_reporting/event_reporting_control.h"
#include "standins/standin_settings.h"

namespace {

struct Procedure {
  const char* name;
  volatile LONG result;
  volatile LONG calls;
};
Procedure g_procedures[] = {
    {"StartEvtReporting", 0, 0}, {"StopEvtReporting", 0, 0}, {"EvtReportingState", 0, 0}};

Procedure* Find(const char* name) {
  for (auto& procedure : g_procedures) {
    if (std::strcmp(procedure.name, name) == 0) return &procedure;
  }
  return nullptr;
}

LONG Call(Procedure& procedure) {
  InterlockedIncrement(&procedure.calls);
  const LONG result = procedure.result;
  qvapi::standins::AppendToJournal("QVEvtRpt.DLL!%s() -> %ld", procedure.name, result);
  return result;
}

// Loads the core that QVAPI_STANDIN_CORE names from this module's folder.
void LoadCoreFromEnvironment(HINSTANCE self) {
  char core[64];
  const DWORD length = GetEnvironmentVariableA("QVAPI_STANDIN_CORE", core, sizeof core);
  if (length == 0 || length >= sizeof core) return;
  char path[MAX_PATH];
  const DWORD folder = GetModuleFileNameA(self, path, MAX_PATH);
  char* name = path + folder;
  while (name > path && name[-1] != '\\' && name[-1] != '/') --name;
  if (static_cast<size_t>(name - path) + length >= MAX_PATH) return;
  std::strcpy(name, core);
  LoadLibraryA(path);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    for (auto& procedure : g_procedures) {
      procedure.result = qvapi::standins::ResultFromEnvironment(procedure.name, 0);
    }
    LoadCoreFromEnvironment(self);
  }
  return TRUE;
}

__declspec(dllexport) LONG __cdecl StartEvtReporting() { return Call(g_procedures[0]); }
__declspec(dllexport) LONG __cdecl StopEvtReporting() { return Call(g_procedures[1]); }
__declspec(dllexport) LONG __cdecl EvtReportingState() { return Call(g_procedures[2]); }

__declspec(dllexport) void __cdecl EvtStandinSetResult(const char* procedure, LONG result) {
  if (Procedure* p = Find(procedure)) InterlockedExchange(&p->result, result);
}

__declspec(dllexport) LONG __cdecl EvtStandinCallCount(const char* procedure) {
  Procedure* p = Find(procedure);
  return p ? p->calls : -1;
}

__declspec(dllexport) void __cdecl EvtStandinReset() {
  for (auto& procedure : g_procedures) {
    InterlockedExchange(&procedure.result, 0);
    InterlockedExchange(&procedure.calls, 0);
  }
}

}  // extern "C"
