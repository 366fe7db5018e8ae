// The fixed vocabulary of registration scripts: keywords, the names of the
// predefined root keys, the value types and the keys never force-deleted.
#pragma once

#include "common/platform_types.h"

namespace qvapi {

namespace keyword {
constexpr const char* kForceRemove = "ForceRemove";
constexpr const char* kDelete = "Delete";
constexpr const char* kNoRemove = "NoRemove";
constexpr const char* kValue = "Val";
}  // namespace keyword

enum class Keyword { kNone, kForceRemove, kDelete, kNoRemove, kValue };
enum class ValueType { kNone, kString, kDword };

// The keyword a token is, compared without regard to case; kNone for a
// name.
Keyword FindKeyword(const char* token);

// The predefined key a root-key name ("HKCR", "HKEY_CLASSES_ROOT", ...)
// stands for, compared without regard to case; null when none does.
HKEY FindRootKey(const char* name);

// The value type of a type letter ("S" or "D", either case).
ValueType FindValueType(const char* letter);

// True for the names that "ForceRemove" and "Delete" never delete.
bool IsProtectedKeyName(const char* name);

}  // namespace qvapi
