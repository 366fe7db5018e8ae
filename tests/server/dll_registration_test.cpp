// DllRegisterServer and DllUnregisterServer of the built DLL, on this
// private prefix's registry.

#include <windows.h>
#include <oleauto.h>
#include <shlwapi.h>

#include <string>

#include <gtest/gtest.h>

#include "QVAPI.h"
#include "tests/registrar/registry_under_test.h"

namespace {

constexpr char kClass[] = "CLSID\\{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}";
constexpr char kTypeLibrary[] = "TypeLib\\{3F6A9C01-8E4B-41D7-B2C5-6D0E7A19F3B4}\\1.0";

std::string Value(const std::string& key, const char* name = nullptr) {
  char data[MAX_PATH] = "(missing)";
  DWORD size = sizeof data;
  SHGetValueA(HKEY_CLASSES_ROOT, key.c_str(), name, nullptr, data, &size);
  return data;
}

HRESULT CallExport(const char* name) {
  const auto entry = reinterpret_cast<HRESULT(WINAPI*)()>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("QVAPI.DLL"), name)));
  return entry();
}

class DllRegistration : public ::testing::Test {
 protected:
  void SetUp() override { Wipe(); }
  void TearDown() override { Wipe(); }
  static void Wipe() {
    for (const char* key : {kClass, "QVAPI.QV_Api", "QVAPI.QV_Api.1"})
      SHDeleteKeyA(HKEY_CLASSES_ROOT, key);
    UnRegisterTypeLib(LIBID_QVAPILib, 1, 0, LOCALE_NEUTRAL, SYS_WIN32);
  }
};

TEST_F(DllRegistration, RegistersTheClassAndTypeLibraryAndUnregistersOnlyTheClass) {
  char path[MAX_PATH];
  GetModuleFileNameA(GetModuleHandleA("QVAPI.DLL"), path, MAX_PATH);
  const std::string folder(path, std::string(path).find_last_of('\\') + 1);

  ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
  EXPECT_EQ(Value("QVAPI.QV_Api\\CurVer"), "QVAPI.QV_Api.1");
  EXPECT_EQ(Value("QVAPI.QV_Api.1\\CLSID"), "{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}");
  EXPECT_EQ(Value(std::string(kClass) + "\\InprocServer32"), path);
  EXPECT_EQ(Value(std::string(kClass) + "\\InprocServer32", "ThreadingModel"), "Both");
  EXPECT_EQ(Value(std::string(kClass) + "\\TypeLib"), "{3F6A9C01-8E4B-41D7-B2C5-6D0E7A19F3B4}");
  EXPECT_EQ(Value(std::string(kTypeLibrary) + "\\0\\win32"), path);
  EXPECT_EQ(Value(std::string(kTypeLibrary) + "\\HELPDIR"), folder);

  for (int twice = 0; twice < 2; ++twice) {
    EXPECT_EQ(CallExport("DllUnregisterServer"), S_OK);
    for (const char* key : {kClass, "QVAPI.QV_Api", "QVAPI.QV_Api.1"})
      EXPECT_EQ(Value(key), "(missing)");
    EXPECT_EQ(Value(std::string(kTypeLibrary) + "\\0\\win32"), path);
  }
}

// Exactly the entries of the registration script, every key and value.
TEST_F(DllRegistration, WritesExactlyTheScriptsEntriesAndRebuildsTheClassKey) {
  char path[MAX_PATH];
  GetModuleFileNameA(GetModuleHandleA("QVAPI.DLL"), path, MAX_PATH);
  const std::string classKey =
      std::string(
          "[] @ = REG_SZ \"QV_Api Class\"\n"
          "[InprocServer32]\n[InprocServer32] \"ThreadingModel\" = REG_SZ \"Both\"\n"
          "[InprocServer32] @ = REG_SZ \"") +
      path +
      "\"\n"
      "[ProgID]\n[ProgID] @ = REG_SZ \"QVAPI.QV_Api.1\"\n[Programmable]\n"
      "[TypeLib]\n[TypeLib] @ = REG_SZ \"{3F6A9C01-8E4B-41D7-B2C5-6D0E7A19F3B4}\"\n"
      "[VersionIndependentProgID]\n[VersionIndependentProgID] @ = REG_SZ \"QVAPI.QV_Api\"\n";
  const std::string progId =
      "[] @ = REG_SZ \"QV_Api Class\"\n[CLSID]\n[CLSID] @ = REG_SZ "
      "\"{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}\"\n"
      "[CurVer]\n[CurVer] @ = REG_SZ \"QVAPI.QV_Api.1\"\n";
  const std::string versionedProgId =
      "[] @ = REG_SZ \"QV_Api Class\"\n"
      "[CLSID]\n[CLSID] @ = REG_SZ \"{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}\"\n";

  ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
  EXPECT_EQ(qvapi::testing::DumpPlatformKey(HKEY_CLASSES_ROOT, kClass), classKey);
  EXPECT_EQ(qvapi::testing::DumpPlatformKey(HKEY_CLASSES_ROOT, "QVAPI.QV_Api"), progId);
  EXPECT_EQ(qvapi::testing::DumpPlatformKey(HKEY_CLASSES_ROOT, "QVAPI.QV_Api.1"), versionedProgId);

  // Registering again: the class key is made anew (a foreign subkey goes),
  // the ProgID's key is kept (a foreign value stays).
  SHSetValueA(HKEY_CLASSES_ROOT, (std::string(kClass) + "\\Foreign").c_str(), nullptr, REG_SZ, "x",
              2);
  SHSetValueA(HKEY_CLASSES_ROOT, "QVAPI.QV_Api", "Foreign", REG_SZ, "y", 2);
  ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
  EXPECT_EQ(qvapi::testing::DumpPlatformKey(HKEY_CLASSES_ROOT, kClass), classKey);
  EXPECT_EQ(Value("QVAPI.QV_Api", "Foreign"), "y");
}

}  // namespace
