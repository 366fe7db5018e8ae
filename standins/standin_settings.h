#pragma once
// Settings that the stand-ins of the tool's modules take from the
// environment, so a script author can run a script against them with no
// code of their own:
//   QVAPI_STANDIN_RESULT_<procedure>  the value the procedure returns
//                                     (for example ..._EnableErrorPopup=1)
//   QVAPI_STANDIN_JOURNAL             a file every call is appended to, one
//                                     line a call with its arguments
//   QVAPI_STANDIN_CORE                a stand-in core that the event-reporting
//                                     stand-in loads from its own folder, so
//                                     the core is in a script host's process

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qvapi::standins {

// The environment's result for `procedure`, or `fallback` when none is set.
inline LONG ResultFromEnvironment(const char* procedure, LONG fallback) {
  char name[96];
  std::snprintf(name, sizeof name, "QVAPI_STANDIN_RESULT_%s", procedure);
  char value[32];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  if (length == 0 || length >= sizeof value) return fallback;
  return std::strtol(value, nullptr, 0);
}

// The journal file's path, read from the environment when the module is
// loaded (a look-up on every call would dwarf what the benchmarks
// measure); empty when none is set. At namespace scope: a function-local
// static would take the runtime's thread-safe guard, whose thread library
// never gives back the thread-local-storage index it takes at each load.
inline const struct JournalPathFromEnvironment {
  char text[MAX_PATH] = "";
  JournalPathFromEnvironment() {
    const DWORD length = GetEnvironmentVariableA("QVAPI_STANDIN_JOURNAL", text, MAX_PATH);
    if (length >= MAX_PATH) text[0] = '\0';
  }
} kJournalPath;

// Appends one formatted line to the journal file, if one is set.
inline void AppendToJournal(const char* format, ...) {
  const char* path = kJournalPath.text;
  if (*path == '\0') return;
  FILE* journal = std::fopen(path, "a");
  if (!journal) return;
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(journal, format, arguments);
  va_end(arguments);
  std::fputc('\n', journal);
  std::fclose(journal);
}

}  // namespace qvapi::standins
