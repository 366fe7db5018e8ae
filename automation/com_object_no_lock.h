#pragma once
// A plain object that does not count in the module's lock count: the class
// objects, which the module keeps until it is unloaded.

#include "automation/com_counted_object.h"

namespace ATL {

template <class Base>
class CComObjectNoLock final : public CComCountedObject<Base, CComObjectNoLock<Base>> {};

}  // namespace ATL
