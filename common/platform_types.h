// The platform's registry, text and result types, in one place.
// On Windows they come from the platform headers; elsewhere a minimal
// portable definition with the same names and values stands in, so the
// registrar's code is the same on both sides.
#pragma once

#ifdef _WIN32

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#else

#include <cstdint>

using BYTE = std::uint8_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using HRESULT = std::int32_t;
using BOOL = int;
constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

struct HKEY__;
using HKEY = HKEY__*;

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_INVALID_PARAMETER = 87;

constexpr HRESULT HRESULT_FROM_WIN32(DWORD error) {
  return static_cast<HRESULT>(error) <= 0
             ? static_cast<HRESULT>(error)
             : static_cast<HRESULT>((error & 0xFFFFu) | (7u << 16) | 0x80000000u);
}

constexpr DWORD KEY_ALL_ACCESS = 0xF003F;
constexpr DWORD KEY_READ = 0x20019;

constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_DWORD = 4;

#define QVAPI_PREDEFINED_KEY(value) (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(value)))
#define HKEY_CLASSES_ROOT QVAPI_PREDEFINED_KEY(0x80000000u)
#define HKEY_CURRENT_USER QVAPI_PREDEFINED_KEY(0x80000001u)
#define HKEY_LOCAL_MACHINE QVAPI_PREDEFINED_KEY(0x80000002u)
#define HKEY_USERS QVAPI_PREDEFINED_KEY(0x80000003u)
#define HKEY_PERFORMANCE_DATA QVAPI_PREDEFINED_KEY(0x80000004u)
#define HKEY_CURRENT_CONFIG QVAPI_PREDEFINED_KEY(0x80000005u)
#define HKEY_DYN_DATA QVAPI_PREDEFINED_KEY(0x80000006u)

#endif

namespace qvapi {

// The HRESULT of a platform step that failed with `error`. A failure whose
// error code is 0 is still a failure: E_FAIL, never S_OK.
inline HRESULT HResultOfFailure(DWORD error) noexcept {
  return error == 0 ? E_FAIL : HRESULT_FROM_WIN32(error);
}

}  // namespace qvapi
