#include "common/task_memory.h"

#include "common/platform_types.h"

#include <cstdlib>

namespace qvapi {

#ifdef _WIN32
void* TaskMemAlloc(std::size_t size) noexcept { return CoTaskMemAlloc(size); }
void* TaskMemRealloc(void* block, std::size_t size) noexcept {
  return CoTaskMemRealloc(block, size);
}
void TaskMemFree(void* block) noexcept { CoTaskMemFree(block); }
#else
void* TaskMemAlloc(std::size_t size) noexcept { return std::malloc(size); }
void* TaskMemRealloc(void* block, std::size_t size) noexcept { return std::realloc(block, size); }
void TaskMemFree(void* block) noexcept { std::free(block); }
#endif

}  // namespace qvapi
