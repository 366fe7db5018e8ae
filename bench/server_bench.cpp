// Cost of the server's COM paths, each beside a floor measured in the same
// run, interleaved, best of several rounds:
// - a cached DllGetClassObject beside the class factory's own
//   QueryInterface (what it does once the factory exists);
// - CreateInstance + Release of a plain object beside a heap allocation and
//   free of the same size (the one allocation each object costs);
// - CoCreateInstance + Release end to end, with the class registered in
//   this prefix for the length of the run.

#include <windows.h>
#include <objbase.h>
#include <shlwapi.h>

#include <cstdio>
#include <new>
#include <string>

#include "QVAPI.h"
#include "automation/qv_api.h"
#include "bench/bench_timing.h"
#include "tests/server_names.h"

using qvapi::bench::KeepBest;
using qvapi::bench::NanosecondsPerCall;

namespace {

constexpr int kCallsPerRound = 20000;
// The COM runtime reads the registry on every creation: far fewer calls.
constexpr int kCoCreateCallsPerRound = 200;
constexpr int kRounds = 7;
using qvapi::testing::kClassKey;

using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

bool RegisterClassKey(HMODULE server) {
  char path[MAX_PATH];
  GetModuleFileNameA(server, path, MAX_PATH);
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, (std::string(kClassKey) + "\\InprocServer32").c_str(), 0,
                      nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<BYTE*>(path), lstrlenA(path) + 1);
  RegSetValueExA(key, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>("Both"), 5);
  RegCloseKey(key);
  return true;
}

void Report(const char* what, double measured, const char* floorName, double floor) {
  std::printf("  %-34s %9.1f ns\n  %-34s %9.1f ns\n  ratio %.2fx\n\n", what, measured, floorName,
              floor, measured / floor);
}

}  // namespace

int main() {
  HMODULE server = LoadLibraryA("QVAPI.DLL");
  const auto getClassObject = reinterpret_cast<GetClassObjectFn>(
      reinterpret_cast<void*>(GetProcAddress(server, "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  if (!getClassObject ||
      FAILED(getClassObject(CLSID_QV_Api, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
    std::printf("cannot get the class object of QV_Api\n");
    return 1;
  }
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  SHDeleteKeyA(HKEY_CLASSES_ROOT, kClassKey);
  const bool registered = RegisterClassKey(server);

  const auto handOut = [&](auto get) {
    IUnknown* object = nullptr;
    get(reinterpret_cast<void**>(&object));
    return object->Release();
  };
  double cached = 1e300, queried = 1e300, created = 1e300, allocated = 1e300, coCreated = 1e300;
  for (int round = 0; round < kRounds; ++round) {
    KeepBest(
        cached, NanosecondsPerCall(kCallsPerRound, [&] {
          return handOut([&](void** out) { getClassObject(CLSID_QV_Api, IID_IClassFactory, out); });
        }));
    KeepBest(queried, NanosecondsPerCall(kCallsPerRound, [&] {
               return handOut([&](void** out) { factory->QueryInterface(IID_IClassFactory, out); });
             }));
    KeepBest(
        created, NanosecondsPerCall(kCallsPerRound, [&] {
          return handOut([&](void** out) { factory->CreateInstance(nullptr, IID_IUnknown, out); });
        }));
    KeepBest(allocated, NanosecondsPerCall(kCallsPerRound, [] {
               void* memory = ::operator new(sizeof(ATL::CComObject<CQV_Api>), std::nothrow);
               ::operator delete(memory);
               return memory != nullptr;
             }));
    if (registered) {
      KeepBest(coCreated, NanosecondsPerCall(kCoCreateCallsPerRound, [&] {
                 return handOut([&](void** out) {
                   CoCreateInstance(CLSID_QV_Api, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, out);
                 });
               }));
    }
  }
  factory->Release();
  SHDeleteKeyA(HKEY_CLASSES_ROOT, kClassKey);
  CoUninitialize();
  FreeLibrary(server);

  std::printf("QV_Api server paths, best of %d rounds of %d calls (%d for CoCreateInstance)\n\n",
              kRounds, kCallsPerRound, kCoCreateCallsPerRound);
  Report("DllGetClassObject (cached)", cached, "factory QueryInterface", queried);
  Report("CreateInstance + Release", created, "heap allocation + free, same size", allocated);
  if (registered) {
    Report("CoCreateInstance + Release", coCreated, "CreateInstance + Release", created);
  } else {
    std::printf("  CoCreateInstance: the class could not be registered\n");
  }
  return 0;
}
