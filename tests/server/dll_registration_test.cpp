// DllRegisterServer and DllUnregisterServer of the built DLL, on this
// private prefix's registry.

#include <windows.h>
#include <oleauto.h>
#include <shlwapi.h>

#include <string>

#include <gtest/gtest.h>

#include "QVAPI.h"

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
    for (const char* key : {kClass, "QVAPI.QV_Api", "QVAPI.QV_Api.1"}) SHDeleteKeyA(HKEY_CLASSES_ROOT, key);
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
    for (const char* key : {kClass, "QVAPI.QV_Api", "QVAPI.QV_Api.1"}) EXPECT_EQ(Value(key), "(missing)");
    EXPECT_EQ(Value(std::string(kTypeLibrary) + "\\0\\win32"), path);
  }
}

}  // namespace
