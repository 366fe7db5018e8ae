// The module's non-throwing allocations. The C++ runtime's own nothrow
// operator new calls the throwing one and catches its exception, so one
// failed allocation would start the runtime's exception machinery inside
// the host process, with locks and per-thread state it allocates on first
// use and never gives back. These go to the C heap directly instead; the
// runtime's operator delete frees what they return.

#include <cstdlib>
#include <new>

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}

void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }

void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
