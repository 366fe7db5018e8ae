// Registration on module records of the test's own: the walk over the class
// table, the type library found beside a module without one, and the
// registration script run from the built DLL's resources.

#include <windows.h>
#include <oleauto.h>
#include <shlwapi.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "QVAPI.h"
#include "automation/com_ptr.h"
#include "registrar/module_resources.h"
#include "server/server_module.h"
#include "server/type_library_path.h"
#include "standins/core/loaded_core.h"
#include "tests/data_file.h"
#include "tests/server_names.h"

namespace qvapi::testing {
namespace {

const std::string kTypeLibraryVersion = std::string(kTypeLibraryKey) + "\\1.0";

std::string DefaultValue(const std::string& key) {
  char data[MAX_PATH] = "(missing)";
  LONG size = sizeof data;
  RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), data, &size);
  return data;
}

void WipeRegistrations() {
  SHDeleteKeyA(HKEY_CLASSES_ROOT, kClassKey);
  for (const char* progId : {QVAPI_VERSION_INDEPENDENT_PROGID, QVAPI_PROGID})
    SHDeleteKeyA(HKEY_CLASSES_ROOT, progId);
  UnRegisterTypeLib(LIBID_QVAPILib, 1, 0, LOCALE_NEUTRAL, SYS_WIN32);
  SHDeleteKeyA(HKEY_CLASSES_ROOT, kTypeLibraryKey);  // its file gone, unregistering fails
}

TEST(TypeLibraryPath, FallbackReplacesOnlyTheFileNamesExtension) {
  const std::pair<const char*, const char*> kPaths[] = {
      {"C:\\dir\\server.dll", "C:\\dir\\server.tlb"},
      {"C:\\a.b\\c.d.e", "C:\\a.b\\c.d.tlb"},
      {"C:\\my.dir\\server", "C:\\my.dir\\server.tlb"},
      {"server", "server.tlb"},
  };
  for (const auto& [module, library] : kPaths) {
    char path[kModulePathSize];
    lstrcpyA(path, module);
    ReplaceFileExtensionWithTlb(path);
    EXPECT_STREQ(path, library);
  }
  EXPECT_EQ(HelpDirectoryLength(L"C:\\dir\\x.dll"), 7u);
  EXPECT_EQ(HelpDirectoryLength(L"C:x.dll"), 2u);
  EXPECT_EQ(HelpDirectoryLength(L"dir/x"), 4u);
  EXPECT_EQ(HelpDirectoryLength(L"x.dll"), 0u);
}

// A module record of the test's own, started for the length of a scope.
struct StartedModule : ServerModule {
  StartedModule(ClassEntry* table, HINSTANCE instance) : ServerModule{} {
    Startup(table, instance);
  }
  ~StartedModule() { Shutdown(); }
};

// The resource has no terminator and the next resource follows it: the
// text handed to the interpreter ends exactly at the resource's end.
TEST(PlatformModuleResources, ScriptIsATerminatedCopyOfExactlyTheResource) {
  const std::string dll = standins::ExecutableFolder() + "QVAPI.DLL";
  TaskMemory<char> text;
  DWORD error = 0;
  ASSERT_TRUE(
      PlatformModuleResources().Read(dll.c_str(), IntegerResource(101), "REGISTRY", &text, &error));
  EXPECT_EQ(std::strlen(text.get()), 596u);
  EXPECT_EQ(std::string(text.get() + 590), "}\r\n}\r\n");

  EXPECT_FALSE(
      PlatformModuleResources().Read(dll.c_str(), IntegerResource(102), "REGISTRY", &text, &error));
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_EQ(text.get(), nullptr);
  EXPECT_FALSE(PlatformModuleResources().Read("C:\\no\\such.dll", IntegerResource(101), "REGISTRY",
                                              &text, &error));
  EXPECT_NE(error, 0u);
}

class ModuleRegistration : public ::testing::Test {
 protected:
  void SetUp() override { WipeRegistrations(); }
  void TearDown() override { WipeRegistrations(); }
};

// Registry-update functions that record the flags they were called with.
std::string g_updates;
HRESULT WINAPI UpdateA(BOOL registering) { return g_updates += registering ? "A+" : "A-", S_OK; }
HRESULT WINAPI UpdateB(BOOL registering) { return g_updates += registering ? "B+" : "B-", S_OK; }
HRESULT WINAPI UpdateC(BOOL registering) {
  return g_updates += registering ? "C+" : "C-", E_ACCESSDENIED;
}
HRESULT WINAPI UpdateD(BOOL registering) { return g_updates += registering ? "D+" : "D-", S_OK; }
const char* Undescribed() { return nullptr; }
const char* Described() { return "skipped"; }

TEST_F(ModuleRegistration, WalksUndescribedRowsAndAnswersTheFirstFailure) {
  ClassEntry table[] = {{&CLSID_QV_Api, UpdateA, nullptr, nullptr, {nullptr}, Undescribed},
                        {&CLSID_QV_Api, UpdateB, nullptr, nullptr, {nullptr}, Described},
                        {&CLSID_QV_Api, UpdateC, nullptr, nullptr, {nullptr}, Undescribed},
                        {&CLSID_QV_Api, UpdateD, nullptr, nullptr, {nullptr}, Undescribed},
                        {}};
  HMODULE server = LoadLibraryA("QVAPI.DLL");  // its type library would register
  ASSERT_NE(server, nullptr);
  StartedModule module_(table, server);
  g_updates.clear();
  EXPECT_EQ(module_.RegisterClasses(TRUE), E_ACCESSDENIED);
  EXPECT_EQ(g_updates, "A+C+");
  EXPECT_EQ(DefaultValue(kTypeLibraryVersion), "(missing)");  // not reached

  g_updates.clear();
  EXPECT_EQ(module_.UnregisterClasses(), E_ACCESSDENIED);
  EXPECT_EQ(g_updates, "A-C-D-");
  FreeLibrary(server);
}

TEST_F(ModuleRegistration, ScriptRunsFromTheModulesResourcesWithItsOwnPath) {
  HMODULE server = LoadLibraryA("QVAPI.DLL");
  ASSERT_NE(server, nullptr);
  StartedModule module_(g_classTable, server);
  char path[MAX_PATH];
  GetModuleFileNameA(server, path, MAX_PATH);
  const Replacement kList[] = {{L"MODULE", L"C:\\elsewhere.dll"}, {nullptr, nullptr}};

  EXPECT_EQ(module_.RunRegistrationScript(101, TRUE, kList), S_OK);
  EXPECT_EQ(DefaultValue(std::string(kClassKey) + "\\InprocServer32"), path);
  EXPECT_EQ(module_.RunRegistrationScript(102, TRUE, nullptr),
            HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_EQ(module_.RunRegistrationScript(101, FALSE, nullptr), S_OK);
  EXPECT_EQ(DefaultValue(kClassKey), "(missing)");
  FreeLibrary(server);
}

// Copies of the DLL in folders whose names the script's quoted text must
// carry exactly: a quote, blanks, a percent sign.
TEST_F(ModuleRegistration, ModulePathsWithQuotesBlanksAndPercentRegisterExactly) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  for (const char* name : {"O'Brien", "with blanks", "100% done"}) {
    const std::string folder = std::string(temp) + name + "\\";
    const std::string copy = folder + "QVAPI.DLL";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(
        CopyFileA((standins::ExecutableFolder() + "QVAPI.DLL").c_str(), copy.c_str(), FALSE));
    HMODULE server = LoadLibraryA(copy.c_str());
    ASSERT_NE(server, nullptr);
    {
      StartedModule module_(g_classTable, server);
      EXPECT_EQ(module_.RunRegistrationScript(101, TRUE, nullptr), S_OK) << name;
      EXPECT_TRUE(lstrcmpiA(DefaultValue(std::string(kClassKey) + "\\InprocServer32").c_str(),
                            copy.c_str()) == 0)
          << name;
      EXPECT_EQ(module_.RunRegistrationScript(101, FALSE, nullptr), S_OK) << name;
    }
    FreeLibrary(server);
    DeleteFileA(copy.c_str());
    RemoveDirectoryA(folder.c_str());
  }
}

// Copies of the DLL whose path cannot be read whole, the narrow path naming
// another file: longer than the buffer, or in a folder whose name the ANSI
// code page cannot spell. Nothing is registered.
TEST_F(ModuleRegistration, ModulePathsThatCannotBeReadWholeAreRefused) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::vector<std::wstring> longPath{std::wstring(L"\\\\?\\") + temp + L"qvapi-long"};
  while (longPath.back().size() <= MAX_PATH)
    longPath.push_back(longPath.back() + L"\\" + std::wstring(80, L'x'));
  const std::wstring unspellable = std::wstring(temp) + L"\u0141\u00f3d\u017a \u65e5\u672c \u03a9";
  std::vector<std::pair<std::vector<std::wstring>, DWORD>> copies{
      {longPath, ERROR_INSUFFICIENT_BUFFER}};
  BOOL lossy = FALSE;  // not under a code page that spells every letter (UTF-8)
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, unspellable.c_str(), -1, nullptr, 0, nullptr,
                      &lossy);
  if (lossy) copies.push_back({{unspellable}, ERROR_NO_UNICODE_TRANSLATION});
  for (const auto& [folders, error] : copies) {
    for (const std::wstring& folder : folders) CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring copy = folders.back() + L"\\QVAPI.DLL";
    ASSERT_TRUE(CopyFileW(L"QVAPI.DLL", copy.c_str(), FALSE));
    HMODULE server = LoadLibraryW(copy.c_str());
    ASSERT_NE(server, nullptr);
    {
      StartedModule module_(g_classTable, server);
      EXPECT_EQ(module_.RunRegistrationScript(101, TRUE, nullptr), HRESULT_FROM_WIN32(error));
      EXPECT_EQ(module_.RegisterTypeLibrary(), HRESULT_FROM_WIN32(error));
    }
    for (const char* key : {kClassKey, QVAPI_PROGID, kTypeLibraryKey})
      EXPECT_EQ(DefaultValue(key), "(missing)");
    FreeLibrary(server);
    DeleteFileW(copy.c_str());
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
      RemoveDirectoryW(folder->c_str());
  }
}

// A module without a type library of its own (a stand-in core under
// another name), in a folder of the test's, with or without a ".tlb" beside.
TEST_F(ModuleRegistration, TypeLibraryIsTakenFromTheTlbFileBesideTheModule) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "qvapi-typelib\\";
  const std::string module = folder + "server.dll", library = folder + "server.tlb";
  CreateDirectoryA(folder.c_str(), nullptr);
  DeleteFileA(library.c_str());  // left by a run that broke off
  ASSERT_TRUE(
      CopyFileA((standins::ExecutableFolder() + "KTCORE.DLL").c_str(), module.c_str(), FALSE));
  HMODULE loaded = LoadLibraryA(module.c_str());
  ASSERT_NE(loaded, nullptr);
  StartedModule module_(g_classTable, loaded);

  EXPECT_TRUE(FAILED(module_.RegisterTypeLibrary()));
  EXPECT_EQ(DefaultValue(kTypeLibraryVersion), "(missing)");

  ASSERT_TRUE(CopyFileA(DataFile("QVAPI.tlb").c_str(), library.c_str(), FALSE));
  EXPECT_EQ(module_.RegisterTypeLibrary(), S_OK);
  EXPECT_TRUE(
      lstrcmpiA(DefaultValue(kTypeLibraryVersion + "\\0\\win32").c_str(), library.c_str()) == 0);
  EXPECT_TRUE(lstrcmpiA(DefaultValue(kTypeLibraryVersion + "\\HELPDIR").c_str(), folder.c_str()) ==
              0);

  FreeLibrary(loaded);
  DeleteFileA(module.c_str());
  DeleteFileA(library.c_str());
  RemoveDirectoryA(folder.c_str());
}

}  // namespace
}  // namespace qvapi::testing
