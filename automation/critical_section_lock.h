#pragma once
// A critical section entered for the length of a scope.

#include <windows.h>

namespace qvapi {

// Enters the section at construction and leaves it at destruction.
class CriticalSectionLock {
 public:
  explicit CriticalSectionLock(CRITICAL_SECTION& section) noexcept : section_(section) {
    EnterCriticalSection(&section_);
  }
  ~CriticalSectionLock() { LeaveCriticalSection(&section_); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

 private:
  CRITICAL_SECTION& section_;
};

}  // namespace qvapi
