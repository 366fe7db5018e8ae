// Registers and unregisters generated scripts of 1k, 10k and 100k keys on the
// in-memory registry: megabytes of script and keys per second, and how the
// time grows with size (linear growth gives a ratio of about 10 per tenfold).
#include "bench/registrar/generated_script.h"
#include "registrar/script_parser.h"
#include "standins/memory_registry/memory_registry.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

// Best of three runs, in seconds.
double TimeRun(const std::string& script, bool andUnregister, qvapi::ReplacementMap& map) {
  double best = 1e30;
  for (int attempt = 0; attempt < 3; ++attempt) {
    qvapi::MemoryRegistry registry;
    if (andUnregister) qvapi::ScriptParser(registry, map).RunScript(script.c_str(), true);
    const auto start = std::chrono::steady_clock::now();
    HRESULT result = qvapi::ScriptParser(registry, map).RunScript(script.c_str(), !andUnregister);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (result != S_OK) std::fprintf(stderr, "run failed: 0x%08x\n", static_cast<unsigned>(result));
    best = std::min(best, took.count());
  }
  return best;
}

}  // namespace

int main() {
  qvapi::ReplacementMap map;
  map.Define(u"Module", u"C:\\Program Files\\QVAPI\\QVAPI.DLL");
  std::printf("%-10s %8s %10s %10s %12s %8s\n", "mode", "keys", "script MB", "MB/s", "keys/s",
              "x10 ratio");
  for (bool unregister : {false, true}) {
    double previous = 0;
    for (int keys : {1000, 10000, 100000}) {
      const std::string script = qvapi::bench::GenerateScript(keys);
      const double seconds = TimeRun(script, unregister, map);
      const double megabytes = script.size() / 1e6;
      char ratio[16] = "-";
      if (previous > 0) std::snprintf(ratio, sizeof ratio, "%.1f", seconds / previous);
      std::printf("%-10s %8d %10.2f %10.1f %12.0f %8s\n", unregister ? "unregister" : "register",
                  keys, megabytes, megabytes / seconds, keys / seconds, ratio);
      previous = seconds;
    }
  }
  return 0;
}
