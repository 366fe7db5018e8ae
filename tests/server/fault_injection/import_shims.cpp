#include "tests/server/fault_injection/import_shims.h"

#include <objbase.h>
#include <oleauto.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <utility>

#include "tests/data_file.h"

namespace qvapi::faults {
namespace {

// What the module takes, each thing through the family that gives it back.
enum Family { kCRuntime, kTaskMemory, kString, kModule, kKey, kFamilies };
const char* const kFamilyNames[kFamilies] = {"C runtime blocks", "task blocks", "platform strings",
                                             "module handles", "registry keys"};

// One run at a time (a paused one waits for the other): the books need no lock.
struct Books {
  bool armed = false, sticky = false;
  long failAt = 0;
  std::string failed;
  std::vector<const char*> calls;
  std::multimap<const void*, Family> held;
  std::string misuse;
  const char* script = nullptr;  // the registration script the module's file seems to carry
  const char* pauseAt = nullptr;
  std::function<void()> pause;
} g;

// Counts a call; true when it is one to fail, with `error` (unless 0, for
// functions that answer their error) as the thread's last error, and
// errno set as the C runtime's allocations set it.
bool Fails(const char* function, DWORD error) {
  if (g.pause && std::strcmp(g.pauseAt, function) == 0) std::exchange(g.pause, nullptr)();
  if (!g.armed) return false;
  g.calls.push_back(function);
  if (static_cast<long>(g.calls.size()) != g.failAt && !(g.sticky && g.failed == function))
    return false;
  g.failed = function;
  if (error) SetLastError(error);
  errno = ENOMEM;
  return true;
}

// A call's result, as it is (Same) or booked in its family (Booked).
template <class T>
T Same(T result) {
  return result;
}
template <Family family, class T>
T Booked(T result) {
  if (result) g.held.emplace(result, family);
  return result;
}
LONG BookedKey(LONG error, PHKEY key) {
  if (error == ERROR_SUCCESS) Booked<kKey>(*key);
  return error;
}

// Takes `thing` out of the books of `family`; false, a misuse, when another
// family holds it, or (while armed, after the module's start-up) none.
bool Unbooked(const void* thing, Family family, const char* function) {
  const auto found = g.held.find(thing);
  if (found != g.held.end() && found->second == family) {
    g.held.erase(found);
    return true;
  }
  if (found == g.held.end() && !g.armed) return true;
  if (g.misuse.empty())
    g.misuse = std::string(function) + " of " +
               (found == g.held.end() ? "something not held" : kFamilyNames[found->second]);
  return false;
}

// The pretended module file's script, in place of the resource's bytes.
LPVOID ScriptData(LPVOID data) { return g.script ? const_cast<char*>(g.script) : data; }
DWORD ScriptSize(DWORD size) { return g.script ? static_cast<DWORD>(std::strlen(g.script)) : size; }

// The imports that fail: name, result, calling convention, parameters and
// their names, the documented failure and its last error, and what becomes
// of a result; each shim calls the function through this executable's own
// import of it.
// Passed through, never failed (no documented failure, or only for invalid
// arguments): the critical-section and interlocked operations,
// GetLastError, SetLastError, VariantInit, CharNextA, lstrcmpiA, lstrcmpiW,
// DisableThreadLibraryCalls, and the C and thread runtime's own imports;
// the frees and closes are only booked.
#define QVAPI_FAILING_IMPORTS(X)                                                                   \
  X(malloc, void*, __cdecl, (size_t a), (a), nullptr, 0, Booked<kCRuntime>)                        \
  X(calloc, void*, __cdecl, (size_t a, size_t b), (a, b), nullptr, 0, Booked<kCRuntime>)           \
  X(_strdup, char*, __cdecl, (const char* a), (a), nullptr, 0, Booked<kCRuntime>)                  \
  X(CoTaskMemAlloc, void*, WINAPI, (SIZE_T a), (a), nullptr, 0, Booked<kTaskMemory>)               \
  X(FindResourceA, HRSRC, WINAPI, (HMODULE a, LPCSTR b, LPCSTR c), (a, b, c), nullptr,             \
    ERROR_RESOURCE_TYPE_NOT_FOUND, Same)                                                           \
  X(LoadResource, HGLOBAL, WINAPI, (HMODULE a, HRSRC b), (a, b), nullptr, ERROR_NOT_ENOUGH_MEMORY, \
    Same)                                                                                          \
  X(LockResource, LPVOID, WINAPI, (HGLOBAL a), (a), nullptr, 0, ScriptData)                        \
  X(SizeofResource, DWORD, WINAPI, (HMODULE a, HRSRC b), (a, b), 0, ERROR_RESOURCE_DATA_NOT_FOUND, \
    ScriptSize)                                                                                    \
  X(GetModuleFileNameA, DWORD, WINAPI, (HMODULE a, LPSTR b, DWORD c), (a, b, c), 0,                \
    ERROR_NOT_ENOUGH_MEMORY, Same)                                                                 \
  X(GetModuleFileNameW, DWORD, WINAPI, (HMODULE a, LPWSTR b, DWORD c), (a, b, c), 0,               \
    ERROR_NOT_ENOUGH_MEMORY, Same)                                                                 \
  X(GetModuleHandleA, HMODULE, WINAPI, (LPCSTR a), (a), nullptr, ERROR_MOD_NOT_FOUND, Same)        \
  X(GetProcAddress, FARPROC, WINAPI, (HMODULE a, LPCSTR b), (a, b), nullptr, ERROR_PROC_NOT_FOUND, \
    Same)                                                                                          \
  X(LoadLibraryExA, HMODULE, WINAPI, (LPCSTR a, HANDLE b, DWORD c), (a, b, c), nullptr,            \
    ERROR_NOT_ENOUGH_MEMORY, Booked<kModule>)                                                      \
  X(lstrcpyA, LPSTR, WINAPI, (LPSTR a, LPCSTR b), (a, b), nullptr, 0, Same)                        \
  X(lstrcpynW, LPWSTR, WINAPI, (LPWSTR a, LPCWSTR b, int c), (a, b, c), nullptr, 0, Same)          \
  X(MultiByteToWideChar, int, WINAPI, (UINT a, DWORD b, LPCCH c, int d, LPWSTR e, int f),          \
    (a, b, c, d, e, f), 0, ERROR_INSUFFICIENT_BUFFER, Same)                                        \
  X(WideCharToMultiByte, int, WINAPI,                                                              \
    (UINT a, DWORD b, LPCWCH c, int d, LPSTR e, int f, LPCCH g, LPBOOL h),                         \
    (a, b, c, d, e, f, g, h), 0, ERROR_INSUFFICIENT_BUFFER, Same)                                  \
  X(RegSetValueExA, LONG, WINAPI, (HKEY a, LPCSTR b, DWORD c, DWORD d, const BYTE* e, DWORD f),    \
    (a, b, c, d, e, f), ERROR_ACCESS_DENIED, 0, Same)                                              \
  X(RegDeleteKeyA, LONG, WINAPI, (HKEY a, LPCSTR b), (a, b), ERROR_ACCESS_DENIED, 0, Same)         \
  X(RegDeleteValueA, LONG, WINAPI, (HKEY a, LPCSTR b), (a, b), ERROR_ACCESS_DENIED, 0, Same)       \
  X(RegEnumKeyExA, LONG, WINAPI,                                                                   \
    (HKEY a, DWORD b, LPSTR c, LPDWORD d, LPDWORD e, LPSTR f, LPDWORD g, PFILETIME h),             \
    (a, b, c, d, e, f, g, h), ERROR_NOT_ENOUGH_MEMORY, 0, Same)                                    \
  X(RegQueryInfoKeyA, LONG, WINAPI,                                                                \
    (HKEY a, LPSTR b, LPDWORD c, LPDWORD d, LPDWORD e, LPDWORD f, LPDWORD g, LPDWORD h, LPDWORD i, \
     LPDWORD j, LPDWORD k, PFILETIME l),                                                           \
    (a, b, c, d, e, f, g, h, i, j, k, l), ERROR_ACCESS_DENIED, 0, Same)                            \
  X(RegQueryValueExA, LONG, WINAPI, (HKEY a, LPCSTR b, LPDWORD c, LPDWORD d, LPBYTE e, LPDWORD f), \
    (a, b, c, d, e, f), ERROR_ACCESS_DENIED, 0, Same)                                              \
  X(SetErrorInfo, HRESULT, WINAPI, (ULONG a, IErrorInfo * b), (a, b), E_OUTOFMEMORY, 0, Same)      \
  X(LoadRegTypeLib, HRESULT, WINAPI, (REFGUID a, WORD b, WORD c, LCID d, ITypeLib * *e),           \
    (a, b, c, d, e), E_OUTOFMEMORY, 0, Same)                                                       \
  X(RegisterTypeLib, HRESULT, WINAPI, (ITypeLib * a, LPOLESTR b, LPOLESTR c), (a, b, c),           \
    E_OUTOFMEMORY, 0, Same)                                                                        \
  X(VarI4FromStr, HRESULT, WINAPI, (LPOLESTR a, LCID b, ULONG c, LONG * d), (a, b, c, d),          \
    E_OUTOFMEMORY, 0, Same)

#define QVAPI_DEFINE_SHIM(name, type, convention, parameters, arguments, failure, error, keep) \
  type convention Shim##name parameters {                                                      \
    return Fails(#name, error) ? failure : keep(::name arguments);                             \
  }
QVAPI_FAILING_IMPORTS(QVAPI_DEFINE_SHIM)

// Reallocation fails leaving the block as it was; frees are never failed.
template <void* (*Reallocate)(void*, size_t), Family family>
void* Moved(const char* name, void* block, size_t size) {
  if (Fails(name, 0)) return nullptr;
  if (block && !Unbooked(block, family, name)) return nullptr;
  void* moved = Reallocate(block, size);
  if (!moved && size != 0) g.held.emplace(block, family);  // still the module's
  return Booked<family>(moved);
}
void* ReallocateTask(void* block, size_t size) { return CoTaskMemRealloc(block, size); }
void* __cdecl Shimrealloc(void* block, size_t size) {
  return Moved<std::realloc, kCRuntime>("realloc", block, size);
}
LPVOID WINAPI ShimCoTaskMemRealloc(LPVOID block, SIZE_T size) {
  return Moved<ReallocateTask, kTaskMemory>("CoTaskMemRealloc", block, size);
}
void __cdecl Shimfree(void* block) {
  if (!block || Unbooked(block, kCRuntime, "free")) std::free(block);
}
void WINAPI ShimCoTaskMemFree(LPVOID block) {
  if (!block || Unbooked(block, kTaskMemory, "CoTaskMemFree")) CoTaskMemFree(block);
}
BOOL WINAPI ShimFreeLibrary(HMODULE module) {
  return Unbooked(module, kModule, "FreeLibrary") && FreeLibrary(module);
}

// Keys fail to open with access denied; a failed close still closes.
LONG WINAPI ShimRegOpenKeyExA(HKEY parent, LPCSTR name, DWORD options, REGSAM access, PHKEY key) {
  if (Fails("RegOpenKeyExA", 0)) return ERROR_ACCESS_DENIED;
  return BookedKey(RegOpenKeyExA(parent, name, options, access, key), key);
}
LONG WINAPI ShimRegCreateKeyExA(HKEY parent, LPCSTR name, DWORD reserved, LPSTR keyClass,
                                DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES security,
                                PHKEY key, LPDWORD disposition) {
  if (Fails("RegCreateKeyExA", 0)) return ERROR_ACCESS_DENIED;
  return BookedKey(RegCreateKeyExA(parent, name, reserved, keyClass, options, access, security, key,
                                   disposition),
                   key);
}
// Only a redirection can fail (the platform copies the handle); undoing one
// fails for invalid arguments alone.
LONG WINAPI ShimRegOverridePredefKey(HKEY key, HKEY redirection) {
  if (redirection && Fails("RegOverridePredefKey", 0)) return ERROR_NOT_ENOUGH_MEMORY;
  return RegOverridePredefKey(key, redirection);
}
LONG WINAPI ShimRegCloseKey(HKEY key) {
  const bool fails = Fails("RegCloseKey", 0);
  if (!Unbooked(key, kKey, "RegCloseKey")) return ERROR_INVALID_HANDLE;
  const LONG error = RegCloseKey(key);
  return fails ? ERROR_INVALID_HANDLE : error;
}

// The strings the platform makes in a conversion's result are the
// module's until it clears the result.
HRESULT WINAPI ShimVariantChangeTypeEx(VARIANTARG* to, VARIANTARG* from, LCID lcid, USHORT flags,
                                       VARTYPE type) {
  if (Fails("VariantChangeTypeEx", 0)) return E_OUTOFMEMORY;
  const HRESULT hr = VariantChangeTypeEx(to, from, lcid, flags, type);
  if (SUCCEEDED(hr) && V_VT(to) == VT_BSTR) Booked<kString>(V_BSTR(to));
  return hr;
}
HRESULT WINAPI ShimVariantClear(VARIANTARG* variant) {
  if (V_VT(variant) == VT_BSTR && V_BSTR(variant) &&
      !Unbooked(V_BSTR(variant), kString, "VariantClear"))
    return E_INVALIDARG;
  return VariantClear(variant);
}

// The module's file carries the type library, and no ".tlb" file seems to
// lie beside it, whatever this program's folder holds. The pretended module
// file carries none; the build's lies beside it.
HRESULT WINAPI ShimLoadTypeLib(LPCOLESTR path, ITypeLib** library) {
  if (Fails("LoadTypeLib", 0)) return E_OUTOFMEMORY;
  const bool besideTheModule = std::wcsstr(path, L".tlb") != nullptr;
  if (!g.script) return besideTheModule ? TYPE_E_CANTLOADLIBRARY : LoadTypeLib(path, library);
  if (!besideTheModule) return TYPE_E_CANTLOADLIBRARY;
  wchar_t beside[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, testing::DataFile("QVAPI.tlb").c_str(), -1, beside, MAX_PATH);
  return LoadTypeLib(beside, library);
}

#define QVAPI_SHIM_ROW(name, ...) {#name, reinterpret_cast<void*>(&Shim##name)},
const struct {
  const char* name;
  void* address;
} kShims[] = {QVAPI_FAILING_IMPORTS(QVAPI_SHIM_ROW) QVAPI_SHIM_ROW(realloc)
                  QVAPI_SHIM_ROW(CoTaskMemRealloc) QVAPI_SHIM_ROW(free)
                      QVAPI_SHIM_ROW(CoTaskMemFree) QVAPI_SHIM_ROW(FreeLibrary)
                          QVAPI_SHIM_ROW(RegOpenKeyExA) QVAPI_SHIM_ROW(RegCreateKeyExA)
                              QVAPI_SHIM_ROW(RegCloseKey) QVAPI_SHIM_ROW(RegOverridePredefKey)
                                  QVAPI_SHIM_ROW(VariantChangeTypeEx) QVAPI_SHIM_ROW(VariantClear)
                                      QVAPI_SHIM_ROW(LoadTypeLib)};

}  // namespace

void InstallShims(HMODULE module) {
  auto* const base = reinterpret_cast<BYTE*>(module);
  const auto* const headers = reinterpret_cast<IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const DWORD imports =
      headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
  for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); library->Name;
       ++library) {
    auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
    auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
    for (; name->u1.AddressOfData; ++name, ++slot) {
      if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
      const char* function =
          reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name;
      for (const auto& shim : kShims) {
        if (std::strcmp(shim.name, function) != 0) continue;
        DWORD protection = 0;
        VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
        slot->u1.Function = reinterpret_cast<ULONG_PTR>(shim.address);
        VirtualProtect(slot, sizeof *slot, protection, &protection);
      }
    }
  }
}

void Arm(long failAt, bool sticky) {
  g.armed = true;
  g.sticky = sticky;
  g.calls.clear();
  g.failAt = failAt;
  g.failed.clear();
  g.misuse.clear();
}

std::vector<const char*> Disarm() {
  g.armed = false;
  return std::move(g.calls);
}

const std::string& FailedFunction() { return g.failed; }

std::string Held() {
  long counts[kFamilies] = {};
  for (const auto& thing : g.held) ++counts[thing.second];
  std::string held;
  for (int family = 0; family < kFamilies; ++family)
    held += std::string(family ? ", " : "") + kFamilyNames[family] + " " +
            std::to_string(counts[family]);
  return held;
}

const std::string& Misuse() { return g.misuse; }

void PauseAt(const char* function, std::function<void()> pause) {
  g.pauseAt = function;
  g.pause = std::move(pause);
}

void PretendModuleFile(const char* script) { g.script = script; }

}  // namespace qvapi::faults
