// Memory that crosses the registrar's allocation boundary comes from the
// COM task allocator on Windows (the C heap natively), and is owned by a
// TaskMemory pointer that frees it the same way.
#pragma once

#include <cstddef>
#include <memory>

namespace qvapi {

void* TaskMemAlloc(std::size_t size) noexcept;
void* TaskMemRealloc(void* block, std::size_t size) noexcept;
void TaskMemFree(void* block) noexcept;

struct TaskMemDeleter {
  void operator()(void* block) const noexcept { TaskMemFree(block); }
};

template <typename T>
using TaskMemory = std::unique_ptr<T, TaskMemDeleter>;

}  // namespace qvapi
