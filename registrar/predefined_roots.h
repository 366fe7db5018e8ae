// The seven predefined root keys of the registry, with the short and the
// long name a registration script may give each: the one list of them.
#pragma once

#include "common/platform_types.h"

namespace qvapi {

struct PredefinedRoot {
  HKEY key;
  const char* shortName;  // "HKCR"
  const char* longName;   // "HKEY_CLASSES_ROOT"
};

// HKCR, HKCU, HKLM, HKU, HKPD, HKDD, HKCC, in that order.
inline const PredefinedRoot kPredefinedRoots[] = {
    {HKEY_CLASSES_ROOT, "HKCR", "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKCU", "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKLM", "HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, "HKU", "HKEY_USERS"},
    {HKEY_PERFORMANCE_DATA, "HKPD", "HKEY_PERFORMANCE_DATA"},
    {HKEY_DYN_DATA, "HKDD", "HKEY_DYN_DATA"},
    {HKEY_CURRENT_CONFIG, "HKCC", "HKEY_CURRENT_CONFIG"},
};

}  // namespace qvapi
