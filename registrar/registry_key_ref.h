// The operations the script interpreter performs on a registry key whose
// handle someone else owns (a predefined root, a parent's key): it never
// closes the handle.
#pragma once

#include "registrar/registry.h"

#include <cstdint>

namespace qvapi {

class RegistryKeyRef {
 public:
  RegistryKeyRef(Registry& registry, HKEY handle) noexcept
      : registry_(&registry), handle_(handle) {}

  HKEY Handle() const noexcept { return handle_; }

  // Writes a REG_SZ value (null name: the default value), text plus its NUL.
  LONG SetString(const char* name, const char* text) noexcept;
  // Writes a REG_DWORD value (null name: the default value).
  LONG SetDword(const char* name, std::uint32_t number) noexcept;
  // Deletes the subkey of that name with everything below it. An empty name
  // names no subkey (the platform would take it for this key itself):
  // refused with ERROR_INVALID_PARAMETER. Stops at the first failure.
  LONG DeleteSubtree(const char* name) noexcept;

  // True when the key has at least one subkey.
  bool HasSubkeys() const noexcept;
  // True when the key holds values; a key whose only value is a default
  // value with data counts as holding none.
  bool HasValues() const noexcept;

 protected:
  Registry* registry_;
  HKEY handle_;
};

}  // namespace qvapi
