#pragma once
// The class table: one row for each creatable class of the server, then an
// end row whose class id is null.

#include <windows.h>
#include <unknwn.h>

#include <atomic>

#include "automation/com_co_class.h"

namespace qvapi {

// Enters the class in the registry (TRUE) or takes it out (FALSE).
using RegistryUpdater = HRESULT(WINAPI*)(BOOL registering);
// Makes the class object of a row for the row's instance creator.
using ClassObjectCreator = HRESULT(WINAPI*)(InstanceCreator creator, REFIID iid, void** out);
// A description of the class, or null; registration skips described rows.
using DescriptionGetter = const char* (*)();

struct ClassEntry {
  const CLSID* clsid;  // null in the end row
  RegistryUpdater updateRegistry;
  ClassObjectCreator createClassObject;
  InstanceCreator createInstance;
  // Null until the class object is first asked for, then kept, with one
  // reference, until the module shuts down. Published with release
  // ordering once the object is whole, read with acquire ordering, so a
  // reader outside the class-table lock sees null or a complete object.
  std::atomic<IUnknown*> classObject;
  DescriptionGetter description;
};

// The server's own table: QV_Api, then the end row.
extern ClassEntry g_classTable[];

}  // namespace qvapi
