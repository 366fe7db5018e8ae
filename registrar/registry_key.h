// An owning wrapper of one registry key handle: opens or creates the key,
// closes it with itself, and offers the operations of a key reference on
// the key it holds.
#pragma once

#include "registrar/registry.h"
#include "registrar/registry_key_ref.h"

namespace qvapi {

class RegistryKey : public RegistryKeyRef {
 public:
  explicit RegistryKey(Registry& registry) noexcept : RegistryKeyRef(registry, nullptr) {}
  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey();

  // Opens parent\name and holds it, closing the key held so far; on failure
  // unchanged. Returns the platform's error code.
  LONG Open(HKEY parent, const char* name, DWORD access) noexcept;
  // Opens or creates parent\name with full access; as Open otherwise.
  LONG Create(HKEY parent, const char* name) noexcept;
  // Closes the held key; with none returns 0.
  LONG Close() noexcept;

 private:
  void Hold(HKEY handle) noexcept;
};

}  // namespace qvapi
