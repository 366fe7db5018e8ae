// Cost of the automation object's paths through the built DLL, each beside
// a floor from the same run, best of several rounds:
// - early-bound MemMark beside the QVMemMark export (target <= 1.05x);
// - Invoke of DISPID 1 beside ITypeInfo::Invoke on a type information held
//   by the caller (target <= 1.10x);
// - an AddRef + Release pair beside an interlocked increment + decrement;
// - QueryInterface + Release;
// - late-bound calls per second on one and on two threads, an object each
//   (target >= 1.8x on two cores).
// The type library is registered in this prefix for the length of the run.

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "QVAPI.h"
#include "automation/com_ptr.h"
#include "bench/bench_timing.h"
#include "standins/core/loaded_core.h"

using qvapi::bench::KeepBest;
using qvapi::bench::NanosecondsPerCall;
using qvapi::bench::Seconds;

namespace {

constexpr int kCallsPerRound = 20000;
constexpr int kRounds = 7;

using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using MarkFn = LONG (*)();

IQV_Api* NewObject(GetClassObjectFn getClassObject) {
  IClassFactory* factory = nullptr;
  IQV_Api* api = nullptr;
  if (SUCCEEDED(
          getClassObject(CLSID_QV_Api, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
    factory->CreateInstance(nullptr, IID_IQV_Api, reinterpret_cast<void**>(&api));
    factory->Release();
  }
  return api;
}

// Calls per second of `call` on `threads` threads at once, each with an
// object and a type information of its own.
template <class Call>
double CallsPerSecond(GetClassObjectFn getClassObject, int threads, Call call) {
  std::vector<IQV_Api*> objects;
  std::vector<qvapi::ComPtr<ITypeInfo>> infos(threads);
  for (int t = 0; t < threads; ++t) {
    objects.push_back(NewObject(getClassObject));
    objects.back()->GetTypeInfo(0, LOCALE_USER_DEFAULT, infos[t].put());
  }
  std::atomic<bool> go{false};
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([api = objects[t], info = infos[t].get(), &go, &call] {
      while (!go) {
      }
      for (int i = 0; i < kCallsPerRound; ++i) call(api, info);
    });
  }
  LARGE_INTEGER start, stop;
  QueryPerformanceCounter(&start);
  go = true;
  for (std::thread& worker : workers) worker.join();
  QueryPerformanceCounter(&stop);
  infos.clear();
  for (IQV_Api* api : objects) api->Release();
  return threads * kCallsPerRound / Seconds(start, stop);
}

void Report(const char* what, double measured, const char* floorName, double floor) {
  std::printf("  %-36s %9.1f ns\n  %-36s %9.1f ns\n  ratio %.3fx\n\n", what, measured, floorName,
              floor, measured / floor);
}

}  // namespace

int main() {
  qvapi::standins::LoadedCore core(qvapi::standins::ExecutableFolder() + "ZELKCORE.DLL");
  HMODULE server = LoadLibraryA("QVAPI.DLL");
  const auto getClassObject = reinterpret_cast<GetClassObjectFn>(
      reinterpret_cast<void*>(GetProcAddress(server, "DllGetClassObject")));
  const auto exportMark =
      reinterpret_cast<MarkFn>(reinterpret_cast<void*>(GetProcAddress(server, "QVMemMark")));
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(server, path, MAX_PATH);
  ITypeLib* library = nullptr;
  IQV_Api* api = getClassObject ? NewObject(getClassObject) : nullptr;
  if (!core.loaded() || !api || !exportMark ||
      FAILED(LoadTypeLibEx(path, REGKIND_REGISTER, &library))) {
    std::printf("cannot set up the automation benchmark\n");
    return 1;
  }
  ITypeInfo* info = nullptr;
  api->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info);

  DISPPARAMS none = {};
  volatile LONG counter = 0;
  double early = 1e300, exported = 1e300, invoked = 1e300, raw = 1e300, pair = 1e300,
         interlocked = 1e300, queried = 1e300;
  for (int round = 0; round < kRounds; ++round) {
    KeepBest(early, NanosecondsPerCall(kCallsPerRound, [&] { return api->MemMark(); }));
    KeepBest(exported, NanosecondsPerCall(kCallsPerRound, [&] { return exportMark(); }));
    KeepBest(invoked, NanosecondsPerCall(kCallsPerRound, [&] {
               return api->Invoke(DISPID_QV_MemMark, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                  &none, nullptr, nullptr, nullptr);
             }));
    KeepBest(raw, NanosecondsPerCall(kCallsPerRound, [&] {
               return info->Invoke(api, 1, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
             }));
    KeepBest(pair, NanosecondsPerCall(kCallsPerRound, [&] {
               api->AddRef();
               return api->Release();
             }));
    KeepBest(interlocked, NanosecondsPerCall(kCallsPerRound, [&] {
               InterlockedIncrement(&counter);
               return InterlockedDecrement(&counter);
             }));
    KeepBest(queried, NanosecondsPerCall(kCallsPerRound, [&] {
               IDispatch* dispatch = nullptr;
               api->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
               return dispatch->Release();
             }));
  }
  // EventReportingState, late-bound: MemMark would measure the loader lock
  // that the bridge's module lookup takes. Beside it the same call made by
  // the platform's ITypeInfo::Invoke on a type information each thread
  // holds, which is what the server adds its lock to.
  const auto lateBound = [](IQV_Api* object, ITypeInfo*) {
    DISPPARAMS noArguments = {};
    VARIANT result;
    return object->Invoke(DISPID_QV_EventReportingState, IID_NULL, LOCALE_USER_DEFAULT,
                          DISPATCH_PROPERTYGET, &noArguments, &result, nullptr, nullptr);
  };
  const auto platform = [](IQV_Api* object, ITypeInfo* held) {
    DISPPARAMS noArguments = {};
    VARIANT result;
    return held->Invoke(object, 6, DISPATCH_PROPERTYGET, &noArguments, &result, nullptr, nullptr);
  };
  double one = 0, two = 0, platformOne = 0, platformTwo = 0;
  for (int round = 0; round < kRounds; ++round) {
    one = std::max(one, CallsPerSecond(getClassObject, 1, lateBound));
    two = std::max(two, CallsPerSecond(getClassObject, 2, lateBound));
    platformOne = std::max(platformOne, CallsPerSecond(getClassObject, 1, platform));
    platformTwo = std::max(platformTwo, CallsPerSecond(getClassObject, 2, platform));
  }

  std::printf("QV_Api through QVAPI.DLL, best of %d rounds of %d calls, per call\n\n", kRounds,
              kCallsPerRound);
  Report("MemMark early-bound", early, "QVMemMark export", exported);
  Report("Invoke(DISPID 1)", invoked, "ITypeInfo::Invoke, type info held", raw);
  Report("AddRef + Release", pair, "interlocked increment + decrement", interlocked);
  std::printf("  %-36s %9.1f ns\n\n", "QueryInterface(IDispatch) + Release", queried);
  std::printf(
      "  late-bound calls/s, 1 thread        %12.0f\n"
      "  late-bound calls/s, 2 threads       %12.0f\n"
      "  ratio %.2fx (target >= 1.8x on two cores)\n"
      "  platform ITypeInfo::Invoke, 1 thread  %10.0f\n"
      "  platform ITypeInfo::Invoke, 2 threads %10.0f\n"
      "  ratio %.2fx (what the platform itself scales to)\n",
      one, two, two / one, platformOne, platformTwo, platformTwo / platformOne);

  info->Release();
  api->Release();
  library->Release();
  UnRegisterTypeLib(LIBID_QVAPILib, 1, 0, LOCALE_NEUTRAL, SYS_WIN32);
  return 0;
}
