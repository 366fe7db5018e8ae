// DllInstall: registration for the machine, or for the calling user alone
// under HKEY_CURRENT_USER\Software\Classes, which the platform merges over
// the machine's classes for that user.

#include "server/server_module.h"

#include "common/hresult_checks.h"
#include "registrar/advapi_registry.h"
#include "registrar/registry_key.h"

namespace qvapi {

namespace {

// Since Vista the platform's type-library registration follows a redirected
// HKEY_CLASSES_ROOT only once the process has asked for it; platforms that
// lack the call (Wine among them) follow it anyway.
void EnablePerUserTypeLibraries() noexcept {
  const HMODULE automation = GetModuleHandleA("OLEAUT32.DLL");
  if (!automation) return;
  const auto enable = reinterpret_cast<void(WINAPI*)()>(
      reinterpret_cast<void*>(GetProcAddress(automation, "OaEnablePerUserTLibRegistration")));
  if (enable) enable();
}

// HKEY_CLASSES_ROOT redirected to the user's classes, for the whole
// process, while the owner lives; undone with it, on every path.
class UserClassesRoot {
 public:
  UserClassesRoot() noexcept = default;
  UserClassesRoot(const UserClassesRoot&) = delete;
  UserClassesRoot& operator=(const UserClassesRoot&) = delete;
  ~UserClassesRoot() {
    if (redirected_) RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
  }

  // A new user's profile has no Software\Classes yet: it is made.
  HRESULT Redirect() noexcept {
    RegistryKey classes(PlatformRegistry());
    LONG error = classes.Create(HKEY_CURRENT_USER, "Software\\Classes");
    if (error == ERROR_SUCCESS) error = RegOverridePredefKey(HKEY_CLASSES_ROOT, classes.Handle());
    if (error != ERROR_SUCCESS) return HResultOfFailure(error);
    redirected_ = true;
    return S_OK;
  }

 private:
  bool redirected_ = false;
};

}  // namespace

HRESULT ServerModule::Install(BOOL install, const wchar_t* commandLine) noexcept {
  const bool forUser = commandLine && *commandLine;
  if (forUser && lstrcmpiW(commandLine, L"user") != 0) return E_INVALIDARG;
  UserClassesRoot root;
  if (forUser) {
    EnablePerUserTypeLibraries();
    RETURN_IF_FAILED(root.Redirect());
  }
  return install ? RegisterClasses(TRUE) : UnregisterClasses();
}

}  // namespace qvapi
