#pragma once
// A critical section that lives as long as its owner.

#include <windows.h>

namespace qvapi {

// Initialised at construction, deleted at destruction.
class CriticalSection {
 public:
  CriticalSection() noexcept { InitializeCriticalSection(&section_); }
  ~CriticalSection() { DeleteCriticalSection(&section_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

 private:
  CRITICAL_SECTION section_;
};

}  // namespace qvapi
