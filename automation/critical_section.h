#pragma once
// Owners of the platform's critical sections: one that lives as long as its
// owner, and one that holds a section entered for a scope.

#include <windows.h>

namespace qvapi {

// Initialised at construction, deleted at destruction.
class CriticalSection {
 public:
  CriticalSection() noexcept { InitializeCriticalSection(&section_); }
  ~CriticalSection() { DeleteCriticalSection(&section_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  CRITICAL_SECTION& get() noexcept { return section_; }

 private:
  CRITICAL_SECTION section_;
};

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
