// Reading one resource out of a module file, behind a seam: the platform
// reads the file's resources on Windows, tests give their own bytes.
#pragma once

#include "common/platform_types.h"
#include "common/task_memory.h"

#include <cstdint>

namespace qvapi {

// A resource name as the platform takes it: text, or an integer id in the
// low 16 bits of a pointer.
using ResourceName = const char*;

inline ResourceName IntegerResource(std::uint16_t id) noexcept {
  return reinterpret_cast<ResourceName>(static_cast<std::uintptr_t>(id));
}

class ModuleResources {
 public:
  virtual ~ModuleResources() = default;

  // Reads resource `name` of type `type` from the module file at `path`,
  // without running any of the file's code. On success *text holds a copy
  // of the resource's bytes followed by a NUL, and true is returned; on
  // failure *text is null, *lastError holds the platform's error of the
  // step that failed (which can be 0) and false is returned.
  virtual bool Read(const char* path, ResourceName name, const char* type, TaskMemory<char>* text,
                    DWORD* lastError) noexcept = 0;
};

#ifdef _WIN32
// The module files of this machine.
ModuleResources& PlatformModuleResources() noexcept;
#endif

}  // namespace qvapi
