// Registers a generated 10k-key script into the real registry through the
// registrar, beside `reg import` of a .reg file holding the same keys and
// values, in one run; printed as seconds and as a ratio. `reg import` is a
// process of its own, so its start is measured too (a `reg query` of a
// missing key) and shown as the floor it cannot go below.
#include "bench/registrar/generated_script.h"
#include "registrar/advapi_registry.h"
#include "registrar/script_parser.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kKeys = 10000;
constexpr char kBenchKey[] = "Software\\QVAPI-bench";
constexpr char kModule[] = "C:\\Program Files\\QVAPI\\QVAPI.DLL";

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

// Seconds that `commandLine` took to run to its end; negative if it failed.
double TimeProcess(std::string commandLine) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  const double start = Now();
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return -1;
  WaitForSingleObject(process.hProcess, INFINITE);
  const double took = Now() - start;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return took;
}

}  // namespace

int main() {
  SHDeleteKeyA(HKEY_CURRENT_USER, kBenchKey);

  qvapi::ReplacementMap map;
  map.Define(u"Module", u"C:\\Program Files\\QVAPI\\QVAPI.DLL");
  const std::string script = qvapi::bench::GenerateScript(kKeys, "HKCU", {"Software", "QVAPI-bench"});
  const double start = Now();
  const HRESULT result = qvapi::ScriptParser(qvapi::PlatformRegistry(), map).RunScript(script.c_str(), true);
  const double registrar = Now() - start;
  SHDeleteKeyA(HKEY_CURRENT_USER, kBenchKey);

  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string regFile = std::string(folder) + "qvapi-bench.reg";
  const std::string reg = qvapi::bench::GenerateRegFile(
      kKeys, std::string("HKEY_CURRENT_USER\\") + kBenchKey, kModule);
  if (FILE* file = std::fopen(regFile.c_str(), "wb")) {
    std::fwrite(reg.data(), 1, reg.size(), file);
    std::fclose(file);
  }
  const double processFloor = TimeProcess("reg.exe query HKCU\\Software\\QVAPI-bench-missing");
  const double regImport = TimeProcess("reg.exe import \"" + regFile + "\"");
  SHDeleteKeyA(HKEY_CURRENT_USER, kBenchKey);
  DeleteFileA(regFile.c_str());

  std::printf("%d keys into the real registry\n", kKeys);
  std::printf("  registrar (RunScript)        %8.2f s  (result 0x%08lx)\n", registrar, result);
  std::printf("  reg import of the same keys  %8.2f s\n", regImport);
  std::printf("  reg.exe start alone          %8.2f s\n", processFloor);
  std::printf("  registrar / reg import       %8.3fx\n", registrar / regImport);
  // Where a process start dwarfs the import itself (an emulated Wine), the
  // difference drowns in the start's own variation and is not shown.
  if (regImport > processFloor)
    std::printf("  registrar / (reg import - start) %5.3fx\n", registrar / (regImport - processFloor));
  else
    std::printf("  reg import minus its start: within the start's variation\n");
  return 0;
}
