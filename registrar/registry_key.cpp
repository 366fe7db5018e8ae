#include "registrar/registry_key.h"

#include <utility>

namespace qvapi {

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : RegistryKeyRef(*other.registry_, std::exchange(other.handle_, nullptr)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    Close();
    registry_ = other.registry_;
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

RegistryKey::~RegistryKey() { Close(); }

void RegistryKey::Hold(HKEY handle) noexcept {
  Close();
  handle_ = handle;
}

LONG RegistryKey::Open(HKEY parent, const char* name, DWORD access) noexcept {
  HKEY opened = nullptr;
  LONG error = registry_->OpenKey(parent, name, access, &opened);
  if (error == ERROR_SUCCESS) Hold(opened);
  return error;
}

LONG RegistryKey::Create(HKEY parent, const char* name) noexcept {
  HKEY created = nullptr;
  LONG error = registry_->CreateKey(parent, name, &created);
  if (error == ERROR_SUCCESS) Hold(created);
  return error;
}

LONG RegistryKey::Close() noexcept {
  if (handle_ == nullptr) return ERROR_SUCCESS;
  return registry_->CloseKey(std::exchange(handle_, nullptr));
}

}  // namespace qvapi
