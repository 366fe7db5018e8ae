// A stand-in for the tool's run-time core. Built as "ZELKCORE.DLL" and
// "KTCORE.DLL" (and as a "ZELKCORE.DLL" without "SaveMemory"); each copy
// records every call and returns the result that its test set.

#include <cstdio>
#include <cstring>

#include "standins/core/core_journal.h"
#include "standins/standin_settings.h"

using qvapi::standins::CoreCall;

namespace {

constexpr LONG kJournalCapacity = 4096;

CoreCall g_journal[kJournalCapacity];
volatile LONG g_callCount = 0;

struct ProcedureResult {
  const char* procedure;
  volatile LONG result;
};
ProcedureResult g_results[] = {
    {"MarkMemory", 0}, {"SaveMemory", 0}, {"DoMemoryPopup", 0}, {"EnableErrorPopup", 0}};

volatile LONG* ResultSlot(const char* procedure) {
  for (auto& entry : g_results) {
    if (std::strcmp(entry.procedure, procedure) == 0) return &entry.result;
  }
  return nullptr;
}

bool IsReadable(const void* address) {
  MEMORY_BASIC_INFORMATION info;
  if (!VirtualQuery(address, &info, sizeof info)) return false;
  const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                         PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  return info.State == MEM_COMMIT && (info.Protect & readable) && !(info.Protect & PAGE_GUARD);
}

// Copies a caller's text into the journal, checking each page before reading
// it, so a bad pointer is recorded instead of crashing the test.
[[maybe_unused]] void CopyText(const char* text, char* out, size_t size, BOOL* isNull) {
  *isNull = text == nullptr;
  out[0] = '\0';
  if (!text) return;
  size_t i = 0;
  for (; i + 1 < size; ++i) {
    const char* at = text + i;
    if ((i == 0 || (reinterpret_cast<DWORD_PTR>(at) & 0xFFF) == 0) && !IsReadable(at)) break;
    if ((out[i] = *at) == '\0') return;
  }
  out[i] = '\0';
}

// Journals one call; returns its journal entry, or null once the journal is
// full (the count still grows).
CoreCall* Record(const char* procedure, LONG argumentCount, DWORD_PTR a0 = 0, DWORD_PTR a1 = 0,
                 DWORD_PTR a2 = 0) {
  const LONG index = InterlockedIncrement(&g_callCount) - 1;
  if (index >= kJournalCapacity) return nullptr;
  CoreCall& call = g_journal[index];
  std::strncpy(call.module, QVAPI_STANDIN_MODULE, sizeof call.module - 1);
  std::strncpy(call.procedure, procedure, sizeof call.procedure - 1);
  call.argumentCount = argumentCount;
  call.arguments[0] = a0;
  call.arguments[1] = a1;
  call.arguments[2] = a2;
  return &call;
}

LONG ResultOf(const char* procedure) { return *ResultSlot(procedure); }

// What a call returns, written to the journal file if one is set.
LONG Reply(const char* procedure, const char* arguments) {
  const LONG result = ResultOf(procedure);
  qvapi::standins::AppendToJournal("%s!%s(%s) -> %ld", QVAPI_STANDIN_MODULE, procedure, arguments,
                                   result);
  return result;
}

// A text argument as the journal shows it: quoted, or null.
[[maybe_unused]] void Quote(const char* text, const BOOL isNull, char* out, size_t size) {
  if (isNull) {
    std::snprintf(out, size, "null");
  } else {
    std::snprintf(out, size, "\"%s\"", text);
  }
}

}  // namespace

extern "C" {

__declspec(dllexport) LONG __cdecl MarkMemory() {
  Record("MarkMemory", 0);
  return Reply("MarkMemory", "");
}

#ifndef QVAPI_STANDIN_WITHOUT_SAVE_MEMORY
__declspec(dllexport) LONG __cdecl SaveMemory(const char* name, const char* comment, LONG showAll) {
  if (CoreCall* call =
          Record("SaveMemory", 3, reinterpret_cast<DWORD_PTR>(name),
                 reinterpret_cast<DWORD_PTR>(comment), static_cast<DWORD_PTR>(showAll))) {
    CopyText(name, call->texts[0], sizeof call->texts[0], &call->textIsNull[0]);
    CopyText(comment, call->texts[1], sizeof call->texts[1], &call->textIsNull[1]);
    char arguments[300], quotedName[140], quotedComment[140];
    Quote(call->texts[0], call->textIsNull[0], quotedName, sizeof quotedName);
    Quote(call->texts[1], call->textIsNull[1], quotedComment, sizeof quotedComment);
    std::snprintf(arguments, sizeof arguments, "%s, %s, %ld", quotedName, quotedComment, showAll);
    return Reply("SaveMemory", arguments);
  }
  return ResultOf("SaveMemory");
}
#endif

__declspec(dllexport) LONG __cdecl DoMemoryPopup() {
  Record("DoMemoryPopup", 0);
  return Reply("DoMemoryPopup", "");
}

__declspec(dllexport) LONG __cdecl EnableErrorPopup(LONG popup) {
  Record("EnableErrorPopup", 1, static_cast<DWORD_PTR>(popup));
  char arguments[16];
  std::snprintf(arguments, sizeof arguments, "%ld", popup);
  return Reply("EnableErrorPopup", arguments);
}

__declspec(dllexport) void __cdecl StandinSetResult(const char* procedure, LONG result) {
  if (volatile LONG* slot = ResultSlot(procedure)) InterlockedExchange(slot, result);
}

__declspec(dllexport) LONG __cdecl StandinCallCount() { return g_callCount; }

__declspec(dllexport) BOOL __cdecl StandinGetCall(LONG index, CoreCall* call) {
  if (index < 0 || index >= g_callCount || index >= kJournalCapacity) return FALSE;
  *call = g_journal[index];
  return TRUE;
}

// Results set in the environment are the starting ones.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    for (auto& entry : g_results) {
      entry.result = qvapi::standins::ResultFromEnvironment(entry.procedure, 0);
    }
  }
  return TRUE;
}

__declspec(dllexport) void __cdecl StandinReset() {
  std::memset(g_journal, 0, sizeof g_journal);
  InterlockedExchange(&g_callCount, 0);
  for (auto& entry : g_results) InterlockedExchange(&entry.result, 0);
}

}  // extern "C"
