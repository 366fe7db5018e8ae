#include "registrar/module_resources.h"

#include <cstring>

namespace qvapi {

namespace {

// A module file mapped for its resources only; unmapped with the owner.
class DataFile {
 public:
  explicit DataFile(const char* path) noexcept
      : module_(LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  ~DataFile() {
    if (module_) FreeLibrary(module_);
  }
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;

  HMODULE get() const noexcept { return module_; }

 private:
  HMODULE module_;
};

class WindowsModuleResources final : public ModuleResources {
 public:
  bool Read(const char* path, ResourceName name, const char* type, TaskMemory<char>* text,
            DWORD* lastError) noexcept override {
    text->reset();
    DataFile file(path);
    if (!file.get()) return Fail(lastError);
    HRSRC resource = FindResourceA(file.get(), name, type);
    if (!resource) return Fail(lastError);
    HGLOBAL loaded = LoadResource(file.get(), resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return Fail(lastError);
    // Resources carry no terminator, and the byte after one belongs to
    // whatever follows it: the text is always a terminated copy.
    const DWORD size = SizeofResource(file.get(), resource);
    if (size == 0) return Fail(lastError);  // no script is empty
    TaskMemory<char> copy(static_cast<char*>(TaskMemAlloc(std::size_t(size) + 1)));
    if (!copy) {
      *lastError = ERROR_NOT_ENOUGH_MEMORY;
      return false;
    }
    std::memcpy(copy.get(), data, size);
    copy.get()[size] = '\0';
    *text = std::move(copy);
    return true;
  }

 private:
  // The error is read before the file is unmapped, which can change it.
  static bool Fail(DWORD* lastError) noexcept {
    *lastError = GetLastError();
    return false;
  }
};

// Constant-initialised at namespace scope, as the platform registry is:
// no guard lock taken on first use.
WindowsModuleResources platformResources;

}  // namespace

ModuleResources& PlatformModuleResources() noexcept { return platformResources; }

}  // namespace qvapi
