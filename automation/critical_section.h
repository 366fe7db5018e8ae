#pragma once
// A critical section that lives as long as its owner, and the guard that
// holds it for the length of a scope.

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
  friend class CriticalSectionLock;
  CRITICAL_SECTION section_;
};

// Enters the section at construction and leaves it at destruction.
class CriticalSectionLock {
 public:
  explicit CriticalSectionLock(CriticalSection& section) noexcept : section_(section.section_) {
    EnterCriticalSection(&section_);
  }
  ~CriticalSectionLock() { LeaveCriticalSection(&section_); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

 private:
  CRITICAL_SECTION& section_;
};

}  // namespace qvapi
