// Cost of one QVMemMark call beside (a) the floor: the lookup it cannot
// avoid, GetModuleHandleA + GetProcAddress + the call, written inline here,
// and (b) a direct call of the core's procedure through a pointer found
// once. Measured in one run, interleaved, best of several rounds; printed as
// nanoseconds per call and as ratios.

#include <cstdio>

#include "bench/bench_timing.h"
#include "bridge/QVAPI_exports.h"
#include "standins/core/loaded_core.h"

using qvapi::bench::KeepBest;
using qvapi::bench::NanosecondsPerCall;
using qvapi::standins::ExecutableFolder;
using qvapi::standins::LoadedCore;

namespace {

using MarkMemoryFn = LONG(__cdecl*)();

constexpr int kCallsPerRound = 100000;
constexpr int kRounds = 7;

}  // namespace

int main() {
  LoadedCore core(ExecutableFolder() + "ZELKCORE.DLL");
  if (!core.loaded()) {
    std::printf("cannot load the stand-in core\n");
    return 1;
  }
  const auto direct = reinterpret_cast<MarkMemoryFn>(
      GetProcAddress(GetModuleHandleA("ZELKCORE.DLL"), "MarkMemory"));

  double exportNs = 1e300, floorNs = 1e300, directNs = 1e300;
  for (int round = 0; round < kRounds; ++round) {
    KeepBest(exportNs, NanosecondsPerCall(kCallsPerRound, [] { return QVMemMark(); }));
    KeepBest(floorNs, NanosecondsPerCall(kCallsPerRound, [] {
               auto markMemory = reinterpret_cast<MarkMemoryFn>(
                   GetProcAddress(GetModuleHandleA("ZELKCORE.DLL"), "MarkMemory"));
               return markMemory();
             }));
    KeepBest(directNs, NanosecondsPerCall(kCallsPerRound, [direct] { return direct(); }));
  }

  std::printf("QVMemMark, best of %d rounds of %d calls\n", kRounds, kCallsPerRound);
  std::printf("  export                        %10.1f ns/call\n", exportNs);
  std::printf("  floor (lookup + call inline)  %10.1f ns/call\n", floorNs);
  std::printf("  direct call of the core       %10.1f ns/call\n", directNs);
  std::printf("  export / floor   %6.3fx  (target: within 1.05x)\n", exportNs / floorNs);
  std::printf("  export / direct  %6.1fx\n", exportNs / directNs);
  return 0;
}
