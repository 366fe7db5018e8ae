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
  long calls = 0, failAt = 0;
  const char* failed = nullptr;
  std::set<void*> blocks;
  std::set<HKEY> keys;
} g;

// Counts a call; true when it is the one to fail, with `error` (unless 0,
// for functions that answer their error) as the thread's last error, and
// errno set as the C runtime's allocations set it.
bool Fails(const char* function, DWORD error) {
  if (!g.armed || ++g.calls != g.failAt) return false;
  g.failed = function;
  if (error) SetLastError(error);
  errno = ENOMEM;
  return true;
}

// A call's result, as it is (Same) or as a new block in the books (Block).
template <class T>
T Same(T result) {
  return result;
}
template <class T>
T* Block(T* block) {
  if (block) g.blocks.insert(block);
  return block;
}
LONG BookedKey(LONG error, PHKEY key) {
  if (error == ERROR_SUCCESS) g.keys.insert(*key);
  return error;
}

// The imports that fail: name, result, calling convention, parameters and
// their names, the documented failure and its last error, and what becomes
// of a result; each shim calls the function through this executable's own
// import of it.
// Passed through, never failed (no documented failure, or only for invalid
// arguments): frees, the critical-section and interlocked operations,
// GetLastError, SetLastError, SysStringLen, VariantInit, VariantClear,
// CharNextA, lstrcmpiA, lstrcpyA, lstrcpynW, FreeLibrary,
// DisableThreadLibraryCalls, and the C and thread runtime's own imports.
#define QVAPI_FAILING_IMPORTS(X)                                                                   \
  X(malloc, void*, __cdecl, (size_t a), (a), nullptr, 0, Block)                                    \
  X(calloc, void*, __cdecl, (size_t a, size_t b), (a, b), nullptr, 0, Block)                       \
  X(_strdup, char*, __cdecl, (const char* a), (a), nullptr, 0, Block)                              \
  X(CoTaskMemAlloc, void*, WINAPI, (SIZE_T a), (a), nullptr, 0, Block)                             \
  X(FindResourceA, HRSRC, WINAPI, (HMODULE a, LPCSTR b, LPCSTR c), (a, b, c), nullptr,             \
    ERROR_RESOURCE_TYPE_NOT_FOUND, Same)                                                           \
  X(LoadResource, HGLOBAL, WINAPI, (HMODULE a, HRSRC b), (a, b), nullptr, ERROR_NOT_ENOUGH_MEMORY, \
    Same)                                                                                          \
  X(LockResource, LPVOID, WINAPI, (HGLOBAL a), (a), nullptr, 0, Same)                              \
  X(SizeofResource, DWORD, WINAPI, (HMODULE a, HRSRC b), (a, b), 0, ERROR_RESOURCE_DATA_NOT_FOUND, \
    Same)                                                                                          \
  X(GetModuleFileNameA, DWORD, WINAPI, (HMODULE a, LPSTR b, DWORD c), (a, b, c), 0,                \
    ERROR_NOT_ENOUGH_MEMORY, Same)                                                                 \
  X(GetModuleHandleA, HMODULE, WINAPI, (LPCSTR a), (a), nullptr, ERROR_MOD_NOT_FOUND, Same)        \
  X(GetProcAddress, FARPROC, WINAPI, (HMODULE a, LPCSTR b), (a, b), nullptr, ERROR_PROC_NOT_FOUND, \
    Same)                                                                                          \
  X(LoadLibraryExA, HMODULE, WINAPI, (LPCSTR a, HANDLE b, DWORD c), (a, b, c), nullptr,            \
    ERROR_NOT_ENOUGH_MEMORY, Same)                                                                 \
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
  X(LoadTypeLib, HRESULT, WINAPI, (LPCOLESTR a, ITypeLib * *b), (a, b), E_OUTOFMEMORY, 0, Same)    \
  X(RegisterTypeLib, HRESULT, WINAPI, (ITypeLib * a, LPOLESTR b, LPOLESTR c), (a, b, c),           \
    E_OUTOFMEMORY, 0, Same)                                                                        \
  X(VarI4FromStr, HRESULT, WINAPI, (LPOLESTR a, LCID b, ULONG c, LONG * d), (a, b, c, d),          \
    E_OUTOFMEMORY, 0, Same)                                                                        \
  X(VariantChangeTypeEx, HRESULT, WINAPI,                                                          \
    (VARIANTARG * a, VARIANTARG * b, LCID c, USHORT d, VARTYPE e), (a, b, c, d, e), E_OUTOFMEMORY, \
    0, Same)

#define QVAPI_DEFINE_SHIM(name, type, convention, parameters, arguments, failure, error, keep) \
  type convention Shim##name parameters {                                                      \
    return Fails(#name, error) ? failure : keep(::name arguments);                             \
  }
QVAPI_FAILING_IMPORTS(QVAPI_DEFINE_SHIM)

// Reallocation fails leaving the block as it was; frees are never failed.
template <void* (*Reallocate)(void*, size_t)>
void* Moved(const char* name, void* block, size_t size) {
  if (Fails(name, 0)) return nullptr;
  void* moved = Reallocate(block, size);
  if (moved || size == 0) g.blocks.erase(block);
  return Block(moved);
}
void* ReallocateTask(void* block, size_t size) { return CoTaskMemRealloc(block, size); }
void* __cdecl Shimrealloc(void* block, size_t size) {
  return Moved<std::realloc>("realloc", block, size);
}
LPVOID WINAPI ShimCoTaskMemRealloc(LPVOID block, SIZE_T size) {
  return Moved<ReallocateTask>("CoTaskMemRealloc", block, size);
}
void __cdecl Shimfree(void* block) {
  g.blocks.erase(block);
  std::free(block);
}
void WINAPI ShimCoTaskMemFree(LPVOID block) {
  g.blocks.erase(block);
  CoTaskMemFree(block);
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
LONG WINAPI ShimRegCloseKey(HKEY key) {
  const bool fails = Fails("RegCloseKey", 0);
  g.keys.erase(key);
  const LONG error = RegCloseKey(key);
  return fails ? ERROR_INVALID_HANDLE : error;
}

#define QVAPI_SHIM_ROW(name, ...) {#name, reinterpret_cast<void*>(&Shim##name)},
const struct {
  const char* name;
  void* address;
} kShims[] = {QVAPI_FAILING_IMPORTS(QVAPI_SHIM_ROW) QVAPI_SHIM_ROW(realloc)
                  QVAPI_SHIM_ROW(CoTaskMemRealloc) QVAPI_SHIM_ROW(free)
                      QVAPI_SHIM_ROW(CoTaskMemFree) QVAPI_SHIM_ROW(RegOpenKeyExA)
                          QVAPI_SHIM_ROW(RegCreateKeyExA) QVAPI_SHIM_ROW(RegCloseKey)};

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

void Arm(long failAt) {
  g.armed = true;
  g.calls = 0;
  g.failAt = failAt;
  g.failed = nullptr;
}

long Disarm() {
  g.armed = false;
  return g.calls;
}

const char* FailedFunction() { return g.failed; }
long LiveBlocks() { return static_cast<long>(g.blocks.size()); }
long OpenKeys() { return static_cast<long>(g.keys.size()); }

}  // namespace qvapi::faults
