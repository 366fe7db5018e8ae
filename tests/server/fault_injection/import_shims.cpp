#include "tests/server/fault_injection/import_shims.h"

#include <objbase.h>
#include <oleauto.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>

namespace qvapi::faults {
namespace {

// The runs are single-threaded: the books need no lock.
struct Books {
  bool armed = false;
  long calls = 0;
  long failAt = 0;
  const char* failed = nullptr;
  std::set<void*> blocks;
  std::set<HKEY> keys;
} g;

// Counts a call of `function`; true when it is the one to fail, with
// `error` (unless 0) as the thread's last error.
bool Fails(const char* function, DWORD error) {
  if (!g.armed || ++g.calls != g.failAt) return false;
  g.failed = function;
  if (error) SetLastError(error);
  return true;
}

template <class T>
T* Tracked(T* block) {
  if (block) g.blocks.insert(block);
  return block;
}

// The imports that fail: name, result type, calling convention, parameters,
// their names, the documented failure result and the last error set with it
// (0: the function reports its error in its result). Each shim calls the
// real function through this executable's own import of it.
//
// Passed through, never failed, as they document no failure or fail only
// for invalid arguments: the critical-section and interlocked operations,
// GetLastError and SetLastError, SysStringLen, VariantInit, VariantClear,
// CharNextA, lstrcmpiA, lstrcpyA, lstrcpynW, FreeLibrary,
// DisableThreadLibraryCalls, and the C and thread runtime's own start-up,
// thread-local storage, synchronisation and output imports.
#define QVAPI_FAILING_IMPORTS(X)                                                                  \
  X(FindResourceA, HRSRC, WINAPI, (HMODULE a, LPCSTR b, LPCSTR c), (a, b, c), nullptr,            \
    ERROR_RESOURCE_TYPE_NOT_FOUND)                                                                \
  X(LoadResource, HGLOBAL, WINAPI, (HMODULE a, HRSRC b), (a, b), nullptr, ERROR_NOT_ENOUGH_MEMORY) \
  X(LockResource, LPVOID, WINAPI, (HGLOBAL a), (a), nullptr, 0)                                   \
  X(SizeofResource, DWORD, WINAPI, (HMODULE a, HRSRC b), (a, b), 0, ERROR_RESOURCE_DATA_NOT_FOUND) \
  X(GetModuleFileNameA, DWORD, WINAPI, (HMODULE a, LPSTR b, DWORD c), (a, b, c), 0,               \
    ERROR_NOT_ENOUGH_MEMORY)                                                                      \
  X(GetModuleHandleA, HMODULE, WINAPI, (LPCSTR a), (a), nullptr, ERROR_MOD_NOT_FOUND)             \
  X(GetProcAddress, FARPROC, WINAPI, (HMODULE a, LPCSTR b), (a, b), nullptr, ERROR_PROC_NOT_FOUND) \
  X(LoadLibraryExA, HMODULE, WINAPI, (LPCSTR a, HANDLE b, DWORD c), (a, b, c), nullptr,           \
    ERROR_NOT_ENOUGH_MEMORY)                                                                      \
  X(MultiByteToWideChar, int, WINAPI, (UINT a, DWORD b, LPCCH c, int d, LPWSTR e, int f),         \
    (a, b, c, d, e, f), 0, ERROR_INSUFFICIENT_BUFFER)                                             \
  X(WideCharToMultiByte, int, WINAPI,                                                             \
    (UINT a, DWORD b, LPCWCH c, int d, LPSTR e, int f, LPCCH g, LPBOOL h),                        \
    (a, b, c, d, e, f, g, h), 0, ERROR_INSUFFICIENT_BUFFER)                                       \
  X(RegSetValueExA, LONG, WINAPI, (HKEY a, LPCSTR b, DWORD c, DWORD d, const BYTE* e, DWORD f),   \
    (a, b, c, d, e, f), ERROR_ACCESS_DENIED, 0)                                                   \
  X(RegDeleteKeyA, LONG, WINAPI, (HKEY a, LPCSTR b), (a, b), ERROR_ACCESS_DENIED, 0)              \
  X(RegDeleteValueA, LONG, WINAPI, (HKEY a, LPCSTR b), (a, b), ERROR_ACCESS_DENIED, 0)            \
  X(RegEnumKeyExA, LONG, WINAPI,                                                                  \
    (HKEY a, DWORD b, LPSTR c, LPDWORD d, LPDWORD e, LPSTR f, LPDWORD g, PFILETIME h),            \
    (a, b, c, d, e, f, g, h), ERROR_NOT_ENOUGH_MEMORY, 0)                                         \
  X(RegQueryInfoKeyA, LONG, WINAPI,                                                               \
    (HKEY a, LPSTR b, LPDWORD c, LPDWORD d, LPDWORD e, LPDWORD f, LPDWORD g, LPDWORD h,           \
     LPDWORD i, LPDWORD j, LPDWORD k, PFILETIME l),                                               \
    (a, b, c, d, e, f, g, h, i, j, k, l), ERROR_ACCESS_DENIED, 0)                                 \
  X(RegQueryValueExA, LONG, WINAPI, (HKEY a, LPCSTR b, LPDWORD c, LPDWORD d, LPBYTE e, LPDWORD f), \
    (a, b, c, d, e, f), ERROR_ACCESS_DENIED, 0)                                                   \
  X(SetErrorInfo, HRESULT, WINAPI, (ULONG a, IErrorInfo* b), (a, b), E_OUTOFMEMORY, 0)            \
  X(LoadRegTypeLib, HRESULT, WINAPI, (REFGUID a, WORD b, WORD c, LCID d, ITypeLib** e),           \
    (a, b, c, d, e), E_OUTOFMEMORY, 0)                                                            \
  X(LoadTypeLib, HRESULT, WINAPI, (LPCOLESTR a, ITypeLib** b), (a, b), E_OUTOFMEMORY, 0)          \
  X(RegisterTypeLib, HRESULT, WINAPI, (ITypeLib* a, LPOLESTR b, LPOLESTR c), (a, b, c),         \
    E_OUTOFMEMORY, 0)                                                                             \
  X(VarI4FromStr, HRESULT, WINAPI, (LPOLESTR a, LCID b, ULONG c, LONG* d), (a, b, c, d),         \
    E_OUTOFMEMORY, 0)                                                                             \
  X(VariantChangeTypeEx, HRESULT, WINAPI,                                                         \
    (VARIANTARG* a, VARIANTARG* b, LCID c, USHORT d, VARTYPE e), (a, b, c, d, e), E_OUTOFMEMORY, 0)

#define QVAPI_DEFINE_SHIM(name, type, convention, parameters, arguments, failure, error) \
  type convention Shim##name parameters {                                                \
    if (Fails(#name, error)) return failure;                                             \
    return ::name arguments;                                                             \
  }
QVAPI_FAILING_IMPORTS(QVAPI_DEFINE_SHIM)

// Allocations fail with a null block; frees are never failed. Both keep
// the books.
void* __cdecl Shimmalloc(size_t size) {
  if (Fails("malloc", 0)) return errno = ENOMEM, nullptr;
  return Tracked(std::malloc(size));
}
void* __cdecl Shimcalloc(size_t count, size_t size) {
  if (Fails("calloc", 0)) return errno = ENOMEM, nullptr;
  return Tracked(std::calloc(count, size));
}
void* __cdecl Shimrealloc(void* block, size_t size) {
  if (Fails("realloc", 0)) return errno = ENOMEM, nullptr;
  void* moved = std::realloc(block, size);
  if (moved || size == 0) g.blocks.erase(block);
  return Tracked(moved);
}
char* __cdecl Shim_strdup(const char* text) {
  if (Fails("_strdup", 0)) return errno = ENOMEM, nullptr;
  return Tracked(_strdup(text));
}
void __cdecl Shimfree(void* block) {
  g.blocks.erase(block);
  std::free(block);
}
LPVOID WINAPI ShimCoTaskMemAlloc(SIZE_T size) {
  return Fails("CoTaskMemAlloc", 0) ? nullptr : Tracked(CoTaskMemAlloc(size));
}
LPVOID WINAPI ShimCoTaskMemRealloc(LPVOID block, SIZE_T size) {
  if (Fails("CoTaskMemRealloc", 0)) return nullptr;
  void* moved = CoTaskMemRealloc(block, size);
  if (moved || size == 0) g.blocks.erase(block);
  return Tracked(moved);
}
void WINAPI ShimCoTaskMemFree(LPVOID block) {
  g.blocks.erase(block);
  CoTaskMemFree(block);
}

// Opened keys fail with access denied; a failed close still closes.
LONG WINAPI ShimRegOpenKeyExA(HKEY parent, LPCSTR name, DWORD options, REGSAM access, PHKEY key) {
  if (Fails("RegOpenKeyExA", 0)) return ERROR_ACCESS_DENIED;
  const LONG error = RegOpenKeyExA(parent, name, options, access, key);
  if (error == ERROR_SUCCESS) g.keys.insert(*key);
  return error;
}
LONG WINAPI ShimRegCreateKeyExA(HKEY parent, LPCSTR name, DWORD reserved, LPSTR keyClass,
                                DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES security,
                                PHKEY key, LPDWORD disposition) {
  if (Fails("RegCreateKeyExA", 0)) return ERROR_ACCESS_DENIED;
  const LONG error = RegCreateKeyExA(parent, name, reserved, keyClass, options, access, security,
                                     key, disposition);
  if (error == ERROR_SUCCESS) g.keys.insert(*key);
  return error;
}
LONG WINAPI ShimRegCloseKey(HKEY key) {
  const bool fails = Fails("RegCloseKey", 0);
  g.keys.erase(key);
  const LONG error = RegCloseKey(key);
  return fails ? ERROR_INVALID_HANDLE : error;
}

struct Shim {
  const char* name;
  void* address;
};

#define QVAPI_SHIM_ROW(name, ...) {#name, reinterpret_cast<void*>(&Shim##name)},
const Shim kShims[] = {
    QVAPI_FAILING_IMPORTS(QVAPI_SHIM_ROW)
    QVAPI_SHIM_ROW(malloc) QVAPI_SHIM_ROW(calloc) QVAPI_SHIM_ROW(realloc) QVAPI_SHIM_ROW(_strdup)
    QVAPI_SHIM_ROW(free) QVAPI_SHIM_ROW(CoTaskMemAlloc) QVAPI_SHIM_ROW(CoTaskMemRealloc)
    QVAPI_SHIM_ROW(CoTaskMemFree) QVAPI_SHIM_ROW(RegOpenKeyExA) QVAPI_SHIM_ROW(RegCreateKeyExA)
    QVAPI_SHIM_ROW(RegCloseKey)
};

void* FindShim(const char* name) {
  for (const Shim& shim : kShims) {
    if (std::strcmp(shim.name, name) == 0) return shim.address;
  }
  return nullptr;
}

}  // namespace

std::string InstallShims(HMODULE module) {
  auto* const base = reinterpret_cast<BYTE*>(module);
  const auto* const headers = reinterpret_cast<IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  std::string found;
  for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       library->Name; ++library) {
    auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
    auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
    for (; name->u1.AddressOfData; ++name, ++slot) {
      if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
      const char* function =
          reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name;
      void* const shim = FindShim(function);
      if (!shim) continue;
      DWORD protection = 0;
      VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
      slot->u1.Function = reinterpret_cast<ULONG_PTR>(shim);
      VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
      found += found.empty() ? "" : " ";
      found += function;
    }
  }
  return found;
}

void Arm(long failAt) {
  g.calls = 0;
  g.failAt = failAt;
  g.failed = nullptr;
  g.armed = true;
}

long Disarm() {
  g.armed = false;
  return g.calls;
}

const char* FailedFunction() { return g.failed; }
long LiveBlocks() { return static_cast<long>(g.blocks.size()); }
long OpenKeys() { return static_cast<long>(g.keys.size()); }

}  // namespace qvapi::faults
