#pragma once
// One count in the module's lock count for as long as it lives. Made the
// first base of an object, it is destroyed after everything else in the
// object, so the module cannot be unloaded while the object's teardown
// (the type-information holder's release, the object lock's deletion)
// still runs in it.

#include "automation/module_services.h"

namespace qvapi {

class ModuleLock {
 public:
  ModuleLock() noexcept { LockModule(); }
  ~ModuleLock() { UnlockModule(); }
  ModuleLock(const ModuleLock&) = delete;
  ModuleLock& operator=(const ModuleLock&) = delete;
};

}  // namespace qvapi
