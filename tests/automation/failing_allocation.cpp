#include "failing_allocation.h"

#include <cstdlib>
#include <new>

namespace {

thread_local bool t_failNext = false;

}  // namespace

namespace qvapi::testing {

void FailNextNothrowAllocation() { t_failNext = true; }

}  // namespace qvapi::testing

// Paired with the library's operator delete, which frees with free().
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (t_failNext) {
    t_failNext = false;
    return nullptr;
  }
  return std::malloc(size ? size : 1);
}
