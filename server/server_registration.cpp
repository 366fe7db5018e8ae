// Entering the server's classes and its type library in the registry, and
// taking the classes out again.

#include "server/server_module.h"

#include <oleauto.h>

#include <cwchar>

#include "automation/com_ptr.h"
#include "common/hresult_checks.h"
#include "registrar/advapi_registry.h"
#include "registrar/script_registrar.h"
#include "server/type_library_path.h"

namespace qvapi {

namespace {

// The UTF-16 text of the registrar; the same code units as the platform's.
const char16_t* AsUtf16(const wchar_t* text) noexcept {
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  return reinterpret_cast<const char16_t*>(text);
}

// The full path of `module`'s file, ANSI and wide; false, with the
// platform's error in *error, when it cannot be had whole: a path cut to
// the buffer would register another file, and so would a narrow path that
// is not the file's own (a letter the ANSI code page lacks becomes '?', or
// a look-alike letter that may name another file).
bool ModulePath(HINSTANCE module, char (&path)[kModulePathSize],
                wchar_t (&widePath)[kModulePathSize], DWORD* error) noexcept {
  wchar_t ownPath[kModulePathSize];
  const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
  const DWORD ownLength = length ? GetModuleFileNameW(module, ownPath, MAX_PATH) : 0;
  if (length == 0 || length >= MAX_PATH || ownLength == 0 || ownLength >= MAX_PATH) {
    *error = length == 0 || ownLength == 0 ? GetLastError() : ERROR_INSUFFICIENT_BUFFER;
    return false;
  }
  if (MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, kModulePathSize) == 0) {
    *error = GetLastError();
    return false;
  }
  if (std::wcscmp(widePath, ownPath) != 0) {
    *error = ERROR_NO_UNICODE_TRANSLATION;
    return false;
  }
  return true;
}

// The path as the script's quoted text must hold it: every quote doubled,
// or a folder like O'Brien would end the text early.
using QuotedPath = wchar_t[2 * kModulePathSize];
void QuoteForScript(const wchar_t* path, QuotedPath& quoted) noexcept {
  wchar_t* out = quoted;
  for (; *path; ++path) {
    if (*path == L'\'') *out++ = L'\'';
    *out++ = *path;
  }
  *out = L'\0';
}

}  // namespace

HRESULT ServerModule::RegisterClasses(BOOL registerTypeLibrary) noexcept {
  for (ClassEntry* row = classTable; row->clsid; ++row) {
    if (row->description()) continue;
    RETURN_IF_FAILED(row->updateRegistry(TRUE));
  }
  return registerTypeLibrary ? RegisterTypeLibrary() : S_OK;
}

HRESULT ServerModule::UnregisterClasses() noexcept {
  HRESULT result = S_OK;
  for (ClassEntry* row = classTable; row->clsid; ++row) {
    if (row->description()) continue;
    const HRESULT hr = row->updateRegistry(FALSE);
    if (SUCCEEDED(result)) result = hr;
  }
  return result;
}

HRESULT ServerModule::RegisterTypeLibrary() noexcept {
  char path[kModulePathSize];
  wchar_t widePath[kModulePathSize];
  DWORD error = 0;
  if (!ModulePath(typeLibraryInstance, path, widePath, &error)) return HResultOfFailure(error);
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadTypeLib(widePath, library.put());
  if (FAILED(hr)) {
    ReplaceFileExtensionWithTlb(path);
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, kModulePathSize) == 0)
      return HResultOfFailure(GetLastError());
    RETURN_IF_FAILED(LoadTypeLib(widePath, library.put()));
  }
  // A copy that failed would register whatever the buffer held.
  wchar_t helpDirectory[kModulePathSize];
  if (!lstrcpynW(helpDirectory, widePath, HelpDirectoryLength(widePath) + 1))
    return HResultOfFailure(GetLastError());
  return RegisterTypeLib(library.get(), widePath, helpDirectory);
}

HRESULT ServerModule::RunRegistrationScript(UINT resourceId, BOOL registering,
                                            const Replacement* replacements) noexcept {
  char path[kModulePathSize];
  wchar_t widePath[kModulePathSize];
  DWORD error = 0;
  if (!ModulePath(instance, path, widePath, &error)) return HResultOfFailure(error);
  ScriptRegistrar registrar(PlatformRegistry(), PlatformModuleResources());
  // Defined first, so a caller's "Module" never replaces the server's path.
  QuotedPath quoted;
  QuoteForScript(widePath, quoted);
  RETURN_IF_FAILED(registrar.DefineReplacement(u"Module", AsUtf16(quoted)));
  for (const Replacement* pair = replacements; pair && pair->name; ++pair)
    RETURN_IF_FAILED(registrar.DefineReplacement(AsUtf16(pair->name), AsUtf16(pair->text)));
  const auto id = static_cast<std::uint16_t>(resourceId);
  const HRESULT hr = registrar.RunResourceScript(path, id, "REGISTRY", registering != FALSE);
  registrar.ResetReplacements();
  return hr;
}

}  // namespace qvapi
