// DllRegisterServer and DllUnregisterServer of the built DLL, on this
// private prefix's registry.

#include <windows.h>
#include <oleauto.h>
#include <sddl.h>
#include <shlwapi.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "QVAPI.h"
#include "tests/data_file.h"
#include "tests/registrar/registry_under_test.h"
#include "tests/server_names.h"

namespace {

using qvapi::testing::kClassKey;
const std::string kTypeLibraryVersion = std::string(qvapi::testing::kTypeLibraryKey) + "\\1.0";

std::string Value(const std::string& key, const char* name = nullptr) {
  char data[MAX_PATH] = "(missing)";
  DWORD size = sizeof data;
  SHGetValueA(HKEY_CLASSES_ROOT, key.c_str(), name, nullptr, data, &size);
  return data;
}

template <class... Parameters>
HRESULT CallExport(const char* name, Parameters... arguments) {
  const auto entry = reinterpret_cast<HRESULT(WINAPI*)(Parameters...)>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("QVAPI.DLL"), name)));
  return entry(arguments...);
}

const char* const kServerKeys[] = {kClassKey, QVAPI_VERSION_INDEPENDENT_PROGID, QVAPI_PROGID,
                                   qvapi::testing::kTypeLibraryKey, qvapi::testing::kInterfaceKey};

// The server's subtrees in `root`'s Software\Classes, as text.
std::string Entries(HKEY root) {
  std::string entries;
  for (const char* key : kServerKeys) {
    const std::string path = std::string("Software\\Classes\\") + key;
    entries += path + ":\n" + qvapi::testing::DumpPlatformKey(root, path.c_str());
  }
  return entries;
}

// Gives HKEY_CLASSES_ROOT\key the rights a security descriptor string grants.
void SetRights(const char* key, const char* rights) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  HKEY handle = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(rights, SDDL_REVISION_1,
                                                                   &descriptor, nullptr));
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, key, 0, WRITE_DAC, &handle), ERROR_SUCCESS);
  EXPECT_EQ(RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
  RegCloseKey(handle);
  LocalFree(descriptor);
}

// regsvr32's exit code for the built DLL with `options`, silent.
int Regsvr32(const std::string& options = "") {
  return std::system(("regsvr32 /s " + options + " QVAPI.DLL").c_str());
}

class DllRegistration : public ::testing::Test {
 protected:
  void SetUp() override { Wipe(); }
  void TearDown() override { Wipe(); }
  static void Wipe() {
    for (const char* key : {kClassKey, QVAPI_VERSION_INDEPENDENT_PROGID, QVAPI_PROGID})
      SHDeleteKeyA(HKEY_CLASSES_ROOT, key);
    UnRegisterTypeLib(LIBID_QVAPILib, 1, 0, LOCALE_NEUTRAL, SYS_WIN32);
    for (const char* key : kServerKeys)
      SHDeleteKeyA(HKEY_CURRENT_USER, (std::string("Software\\Classes\\") + key).c_str());
  }
};

TEST_F(DllRegistration, RegistersTheClassAndTypeLibraryAndUnregistersOnlyTheClass) {
  char path[MAX_PATH];
  GetModuleFileNameA(GetModuleHandleA("QVAPI.DLL"), path, MAX_PATH);
  const std::string folder(path, std::string(path).find_last_of('\\') + 1);

  ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
  EXPECT_EQ(Value(QVAPI_VERSION_INDEPENDENT_PROGID "\\CurVer"), QVAPI_PROGID);
  EXPECT_EQ(Value(QVAPI_PROGID "\\CLSID"), QVAPI_CLSID_TEXT);
  EXPECT_EQ(Value(std::string(kClassKey) + "\\InprocServer32"), path);
  EXPECT_EQ(Value(std::string(kClassKey) + "\\InprocServer32", "ThreadingModel"), "Both");
  EXPECT_EQ(Value(std::string(kClassKey) + "\\TypeLib"), QVAPI_LIBID_TEXT);
  EXPECT_EQ(Value(kTypeLibraryVersion + "\\0\\win32"), path);
  EXPECT_EQ(Value(kTypeLibraryVersion + "\\HELPDIR"), folder);

  for (int twice = 0; twice < 2; ++twice) {
    EXPECT_EQ(CallExport("DllUnregisterServer"), S_OK);
    for (const char* key : {kClassKey, QVAPI_VERSION_INDEPENDENT_PROGID, QVAPI_PROGID})
      EXPECT_EQ(Value(key), "(missing)");
    EXPECT_EQ(Value(kTypeLibraryVersion + "\\0\\win32"), path);
  }
}

// Keys that may be read but not deleted (the machine's classes, for a user
// who is no administrator) stay, and unregistration says so once it has
// removed what it could.
TEST_F(DllRegistration, KeysThatMayNotBeDeletedFailUnregistration) {
  ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
  for (const char* key : {kClassKey, QVAPI_PROGID}) SetRights(key, "D:P(A;;KR;;;WD)");
  EXPECT_EQ(CallExport("DllUnregisterServer"), E_ACCESSDENIED);
  EXPECT_EQ(Value(QVAPI_VERSION_INDEPENDENT_PROGID), "(missing)");
  EXPECT_EQ(Value(kClassKey), "QV_Api Class");
  for (const char* key : {kClassKey, QVAPI_PROGID}) SetRights(key, "D:P(A;;KA;;;WD)");
  EXPECT_EQ(CallExport("DllUnregisterServer"), S_OK);
}

// Exactly the entries of the registration script, every key and value.
TEST_F(DllRegistration, WritesExactlyTheScriptsEntriesAndRebuildsTheClassKey) {
  char path[MAX_PATH];
  GetModuleFileNameA(GetModuleHandleA("QVAPI.DLL"), path, MAX_PATH);
  // One line of the dump a line.
  // clang-format off
  const std::string classKey = std::string(
      "[] @ = REG_SZ \"QV_Api Class\"\n"
      "[InprocServer32]\n[InprocServer32] \"ThreadingModel\" = REG_SZ \"Both\"\n"
      "[InprocServer32] @ = REG_SZ \"") + path + "\"\n"
      "[ProgID]\n[ProgID] @ = REG_SZ \"" QVAPI_PROGID "\"\n[Programmable]\n"
      "[TypeLib]\n[TypeLib] @ = REG_SZ \"" QVAPI_LIBID_TEXT "\"\n"
      "[VersionIndependentProgID]\n"
      "[VersionIndependentProgID] @ = REG_SZ \"" QVAPI_VERSION_INDEPENDENT_PROGID "\"\n";
  const std::string progId =
      "[] @ = REG_SZ \"QV_Api Class\"\n[CLSID]\n[CLSID] @ = REG_SZ \"" QVAPI_CLSID_TEXT "\"\n"
      "[CurVer]\n[CurVer] @ = REG_SZ \"" QVAPI_PROGID "\"\n";
  const std::string versionedProgId =
      "[] @ = REG_SZ \"QV_Api Class\"\n"
      "[CLSID]\n[CLSID] @ = REG_SZ \"" QVAPI_CLSID_TEXT "\"\n";
  // clang-format on

  ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
  EXPECT_EQ(qvapi::testing::DumpPlatformKey(HKEY_CLASSES_ROOT, kClassKey), classKey);
  EXPECT_EQ(qvapi::testing::DumpPlatformKey(HKEY_CLASSES_ROOT, QVAPI_VERSION_INDEPENDENT_PROGID),
            progId);
  EXPECT_EQ(qvapi::testing::DumpPlatformKey(HKEY_CLASSES_ROOT, QVAPI_PROGID), versionedProgId);

  // Registering again: the class key is made anew (a foreign subkey goes),
  // the ProgID's key is kept (a foreign value stays).
  SHSetValueA(HKEY_CLASSES_ROOT, (std::string(kClassKey) + "\\Foreign").c_str(), nullptr, REG_SZ,
              "x", 2);
  SHSetValueA(HKEY_CLASSES_ROOT, QVAPI_VERSION_INDEPENDENT_PROGID, "Foreign", REG_SZ, "y", 2);
  ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
  EXPECT_EQ(qvapi::testing::DumpPlatformKey(HKEY_CLASSES_ROOT, kClassKey), classKey);
  EXPECT_EQ(Value(QVAPI_VERSION_INDEPENDENT_PROGID, "Foreign"), "y");
}

// Registration for the calling user alone (regsvr32 /n /i:user) writes and
// takes back below HKEY_CURRENT_USER\Software\Classes what the machine's
// does in the machine's classes, and nothing there.
TEST_F(DllRegistration, ForTheUserAloneAsForTheMachine) {
  const std::string none = Entries(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(Regsvr32("/n /i:users"), 5);
  EXPECT_EQ(Entries(HKEY_CURRENT_USER) + Entries(HKEY_LOCAL_MACHINE), none + none);
  ASSERT_EQ(Regsvr32(), 0);
  const std::string registered = Entries(HKEY_LOCAL_MACHINE);
  ASSERT_EQ(Regsvr32("/u"), 0);
  const std::string unregistered = Entries(HKEY_LOCAL_MACHINE);  // the type library stays
  Wipe();

  // No text (regsvr32 /n /i passes "", an installer null): for the machine.
  ASSERT_EQ(Regsvr32("/n /i"), 0);
  EXPECT_EQ(Entries(HKEY_LOCAL_MACHINE) + Entries(HKEY_CURRENT_USER), registered + none);
  EXPECT_EQ(CallExport("DllInstall", BOOL{FALSE}, LPCWSTR{}), S_OK);
  EXPECT_EQ(Entries(HKEY_LOCAL_MACHINE) + Entries(HKEY_CURRENT_USER), unregistered + none);
  Wipe();

  ASSERT_EQ(Regsvr32("/n /i:user"), 0);
  EXPECT_EQ(Entries(HKEY_CURRENT_USER), registered);
  EXPECT_EQ(Entries(HKEY_LOCAL_MACHINE), none);
  ASSERT_EQ(Regsvr32("/u /n /i:USER"), 0);
  EXPECT_EQ(Entries(HKEY_CURRENT_USER), unregistered);
  EXPECT_EQ(Entries(HKEY_LOCAL_MACHINE), none);
}

// A program that uses the assembly manifest instead of the registry meets
// the same class, ProgIDs, threading model and type library.
TEST_F(DllRegistration, TheAssemblyManifestNamesWhatRegistrationWrites) {
  ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
  std::ifstream file(qvapi::testing::DataFile("QVAPI.sxs.manifest"));
  const std::string manifest{std::istreambuf_iterator<char>(file), {}};
  auto between = [&](const std::string& before, char after, std::size_t from = 0) {
    const std::size_t start = manifest.find(before, from) + before.size();
    return manifest.substr(start, manifest.find(after, start) - start);
  };
  const std::string classKey = "CLSID\\" + between(" clsid=\"", '"');
  const std::string library = between(" tlbid=\"", '"');
  EXPECT_EQ(classKey, kClassKey);
  EXPECT_EQ(Value(classKey), between(" description=\"", '"'));
  EXPECT_EQ(Value(classKey + "\\ProgID"), between(" progid=\"", '"'));
  EXPECT_EQ(Value(classKey + "\\VersionIndependentProgID"), between("<progid>", '<'));
  EXPECT_EQ(Value(classKey + "\\InprocServer32", "ThreadingModel"),
            between(" threadingModel=\"", '"'));
  EXPECT_EQ(Value(classKey + "\\TypeLib"), library);
  const std::string version = between(" version=\"", '"', manifest.find("<typelib"));
  EXPECT_NE(Value("TypeLib\\" + library + "\\" + version), "(missing)");
  EXPECT_EQ(Value("Interface\\" + between(" iid=\"", '"') + "\\TypeLib"), library);
}

}  // namespace
