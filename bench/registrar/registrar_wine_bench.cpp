// Registers a generated 10k-key script into the real registry through the
// registrar, beside `reg import` of a .reg file holding the same keys and
// values (and the same removals), in one run; printed as the median seconds
// of interleaved rounds with their spread, and as ratios of the medians.
// `reg import` is a process of its own, so its start is measured too (a
// `reg query` of a missing key) and shown as the floor it cannot go below.
#include "bench/registrar/generated_script.h"
#include "registrar/advapi_registry.h"
#include "QVAPI.h"
#include "registrar/module_resources.h"
#include "registrar/script_parser.h"

#include <windows.h>
#include <oleauto.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

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

// The rounds' times of one contender, sorted.
struct Rounds {
  std::vector<double> seconds;

  void Add(double took) {
    seconds.insert(std::upper_bound(seconds.begin(), seconds.end(), took), took);
  }
  double Median() const { return seconds[seconds.size() / 2]; }
  void Print(const char* what) const {
    std::printf("  %-28s %8.3f s  (%.3f to %.3f)\n", what, Median(), seconds.front(),
                seconds.back());
  }
};

// Seconds for one registration of the generated keys by the registrar.
double TimeRegistrar(const std::string& script, HRESULT* result) {
  qvapi::ReplacementMap map;
  map.Define(u"Module", u"C:\\Program Files\\QVAPI\\QVAPI.DLL");
  const double start = Now();
  *result = qvapi::ScriptParser(qvapi::PlatformRegistry(), map).RunScript(script.c_str(), true);
  return Now() - start;
}

// Seconds per call of DllRegisterServer of the built DLL, and of RunScript
// of the same script text with "Module" defined as the DLL's path: what
// reading the resource and registering the type library add.
void TimeServerRegistration(double* server, double* script) {
  constexpr int kCalls = 20;
  HMODULE dll = LoadLibraryA("QVAPI.DLL");
  const auto registerServer = reinterpret_cast<HRESULT(WINAPI*)()>(
      reinterpret_cast<void*>(GetProcAddress(dll, "DllRegisterServer")));
  char path[MAX_PATH];
  GetModuleFileNameA(dll, path, MAX_PATH);
  qvapi::TaskMemory<char> text;
  DWORD error = 0;
  qvapi::PlatformModuleResources().Read(path, qvapi::IntegerResource(101), "REGISTRY", &text,
                                        &error);
  std::u16string module;
  for (const char* c = path; *c; ++c) module += char16_t(static_cast<unsigned char>(*c));
  qvapi::ReplacementMap map;
  map.Define(u"Module", module.c_str());
  double start = Now();
  for (int i = 0; i < kCalls; ++i) registerServer();
  *server = (Now() - start) / kCalls;
  start = Now();
  for (int i = 0; i < kCalls; ++i) {
    qvapi::ScriptParser(qvapi::PlatformRegistry(), map).RunScript(text.get(), true);
  }
  *script = (Now() - start) / kCalls;
  qvapi::ScriptParser(qvapi::PlatformRegistry(), map).RunScript(text.get(), false);
  UnRegisterTypeLib(LIBID_QVAPILib, 1, 0, LOCALE_NEUTRAL, SYS_WIN32);
  FreeLibrary(dll);
}

}  // namespace

int main() {
  constexpr int kRounds = 7;
  const std::string script =
      qvapi::bench::GenerateScript(kKeys, "HKCU", {"Software", "QVAPI-bench"});
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string regFile = std::string(folder) + "qvapi-bench.reg";
  const std::string reg =
      qvapi::bench::GenerateRegFile(kKeys, std::string("HKEY_CURRENT_USER\\") + kBenchKey, kModule);
  if (FILE* file = std::fopen(regFile.c_str(), "wb")) {
    std::fwrite(reg.data(), 1, reg.size(), file);
    std::fclose(file);
  }

  // Interleaved rounds on an emptied key every time, so that whatever
  // else the machine does falls on both alike.
  HRESULT result = S_OK;
  Rounds registrar, regImport, processFloor;
  for (int round = 0; round < kRounds; ++round) {
    SHDeleteKeyA(HKEY_CURRENT_USER, kBenchKey);
    registrar.Add(TimeRegistrar(script, &result));
    SHDeleteKeyA(HKEY_CURRENT_USER, kBenchKey);
    regImport.Add(TimeProcess("reg.exe import \"" + regFile + "\""));
    processFloor.Add(TimeProcess("reg.exe query HKCU\\Software\\QVAPI-bench-missing"));
  }
  SHDeleteKeyA(HKEY_CURRENT_USER, kBenchKey);
  DeleteFileA(regFile.c_str());
  double server = 0, scriptOnly = 0;
  TimeServerRegistration(&server, &scriptOnly);

  std::printf("%d keys into the real registry, median of %d rounds (fastest to slowest)\n", kKeys,
              kRounds);
  registrar.Print("registrar (RunScript)");
  std::printf("    result 0x%08lx\n", result);
  regImport.Print("reg import of the same keys");
  processFloor.Print("reg.exe start alone");
  std::printf("  registrar / reg import       %8.3fx\n", registrar.Median() / regImport.Median());
  // Where a process start dwarfs the import itself (an emulated Wine), the
  // difference drowns in the start's own variation and is not shown.
  if (regImport.Median() > processFloor.Median())
    std::printf("  registrar / (reg import - start) %5.3fx  (target <= 1.0x)\n",
                registrar.Median() / (regImport.Median() - processFloor.Median()));
  else
    std::printf("  reg import minus its start: within the start's variation\n");
  std::printf("DllRegisterServer                %8.2f ms\n", server * 1e3);
  std::printf("RunScript of the same script     %8.2f ms\n", scriptOnly * 1e3);
  std::printf("  DllRegisterServer / RunScript  %8.3fx\n", server / scriptOnly);
  return 0;
}
