// An owning wrapper of one registry key handle, with the operations the
// script interpreter performs on a key and the two occupancy tests.
#pragma once

#include "registrar/registry.h"

#include <cstdint>

namespace qvapi {

class RegistryKey {
 public:
  explicit RegistryKey(Registry& registry) noexcept : registry_(&registry) {}
  // A wrapper around a handle it does not own (a predefined root or a
  // parent's key): its operations use the handle, but it never closes it.
  static RegistryKey Borrow(Registry& registry, HKEY handle) noexcept;

  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey();

  HKEY Handle() const noexcept { return handle_; }

  // Opens parent\name and holds it, closing the key held so far; on failure
  // unchanged. Returns the platform's error code.
  LONG Open(HKEY parent, const char* name, DWORD access) noexcept;
  // Opens or creates parent\name with full access; as Open otherwise.
  LONG Create(HKEY parent, const char* name) noexcept;
  // Closes the held key (a borrowed one is let go); with none returns 0.
  LONG Close() noexcept;

  // Writes a REG_SZ value (null name: the default value), text plus its NUL.
  LONG SetString(const char* name, const char* text) noexcept;
  // Writes a REG_DWORD value (null name: the default value).
  LONG SetDword(const char* name, std::uint32_t number) noexcept;
  // Deletes the subkey of that name with everything below it. An empty name
  // names no subkey (the platform would take it for the held key itself):
  // refused with ERROR_INVALID_PARAMETER. Stops at the first failure.
  LONG DeleteSubtree(const char* name) noexcept;

  // True when the held key has at least one subkey.
  bool HasSubkeys() const noexcept;
  // True when the held key holds values; a key whose only value is a
  // default value with data counts as holding none.
  bool HasValues() const noexcept;

 private:
  void Reset(HKEY handle, bool owned) noexcept;

  Registry* registry_;
  HKEY handle_ = nullptr;
  bool owned_ = false;
};

}  // namespace qvapi
