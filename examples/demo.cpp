// QVAPI demo: a program under test that drives the tool through the four
// plain exports of QVAPI.DLL. It loads a stand-in run-time core into its
// process (QVAPI.DLL only looks for a core already loaded, never loads one),
// calls each export, and shows what reached the core and what came back;
// then once more with no core at all, where every export answers -1.

#include <cstdio>

#include "bridge/QVAPI_exports.h"
#include "standins/core/loaded_core.h"

using qvapi::standins::CoreCall;
using qvapi::standins::ExecutableFolder;
using qvapi::standins::LoadedCore;

namespace {

void CallEveryExport() {
  std::printf("  QVMemMark()                                  -> %ld\n", QVMemMark());
  std::printf("  QVMemSave(\"startup\", \"after init\", 1)        -> %ld\n",
              QVMemSave("startup", "after init", 1));
  std::printf("  QVMemPopup()                                 -> %ld\n", QVMemPopup());
  std::printf("  QVEnableErrorPopup(0)                        -> %ld\n", QVEnableErrorPopup(0));
}

void ShowJournal(const LoadedCore& core) {
  std::printf("  the core received:\n");
  for (const CoreCall& call : core.Calls()) {
    std::printf("    %s!%s(", call.module, call.procedure);
    if (call.argumentCount == 3) {
      std::printf("\"%s\", \"%s\", %ld", call.texts[0], call.texts[1], LONG(call.arguments[2]));
    } else if (call.argumentCount == 1) {
      std::printf("%ld", LONG(call.arguments[0]));
    }
    std::printf(")\n");
  }
}

}  // namespace

int main() {
  std::printf("QVAPI demo\n\nWith the run-time core \"KTCORE.DLL\" loaded:\n");
  {
    LoadedCore core(ExecutableFolder() + "KTCORE.DLL");
    if (!core.loaded()) {
      std::printf("  cannot load the stand-in core\n");
      return 1;
    }
    core.SetResult("MarkMemory", 1);
    core.SetResult("SaveMemory", 2);
    core.SetResult("DoMemoryPopup", 3);
    core.SetResult("EnableErrorPopup", 1);  // the previous pop-up setting
    CallEveryExport();
    ShowJournal(core);
  }
  std::printf("\nWith no run-time core in the process:\n");
  CallEveryExport();
  return 0;
}
