#pragma once
// A stand-in run-time core loaded into this process, as the tool would place
// its core: owns the module (unloaded on destruction) and reads its journal.

#include <string>
#include <utility>
#include <vector>

#include "standins/core/core_journal.h"

namespace qvapi::standins {

class LoadedCore {
 public:
  // Loads the stand-in at `path`; check `loaded()` afterwards.
  explicit LoadedCore(const std::string& path) : module_(LoadLibraryA(path.c_str())) {}
  LoadedCore(LoadedCore&& other) noexcept : module_(std::exchange(other.module_, nullptr)) {}
  LoadedCore& operator=(LoadedCore&& other) noexcept {
    if (this != &other) {
      Unload();
      module_ = std::exchange(other.module_, nullptr);
    }
    return *this;
  }
  LoadedCore(const LoadedCore&) = delete;
  LoadedCore& operator=(const LoadedCore&) = delete;
  ~LoadedCore() { Unload(); }

  bool loaded() const { return module_ != nullptr; }

  // Removes the module from the process; the journal is gone with it.
  void Unload() {
    if (module_) FreeLibrary(std::exchange(module_, nullptr));
  }

  void SetResult(const char* procedure, LONG result) const {
    Bind<SetResultFn>(kSetResult)(procedure, result);
  }
  LONG CallCount() const { return Bind<CallCountFn>(kCallCount)(); }
  std::vector<CoreCall> Calls() const {
    std::vector<CoreCall> calls;
    CoreCall call;
    for (LONG i = 0; Bind<GetCallFn>(kGetCall)(i, &call); ++i) calls.push_back(call);
    return calls;
  }

 private:
  template <typename Fn>
  Fn Bind(const char* name) const {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }

  HMODULE module_;
};

// The folder of the running executable, where the build puts the stand-ins.
inline std::string ExecutableFolder() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of("\\/") + 1);
}

}  // namespace qvapi::standins
