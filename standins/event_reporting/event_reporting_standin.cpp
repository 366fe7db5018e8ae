// A stand-in for the tool's event-reporting library "QVEvtRpt.DLL": each
// procedure counts its calls and returns the value its test set.

#include <cstring>

#include "standins/event_reporting/event_reporting_control.h"

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
  return procedure.result;
}

}  // namespace

extern "C" {

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
