// The server's own registration script, registered and unregistered on an
// in-memory registry.
#include "registrar/script_parser.h"
#include "standins/memory_registry/memory_registry.h"
#include "tests/registrar/test_scripts.h"
#include "tests/server_names.h"

#include <gtest/gtest.h>

namespace qvapi {
namespace {

// One line of the dump a line.
// clang-format off
constexpr const char* kRegistered =
    "[CLSID]\n"
    "[CLSID\\" QVAPI_CLSID_TEXT "]\n"
    "[CLSID\\" QVAPI_CLSID_TEXT "] @ = REG_SZ \"QV_Api Class\"\n"
    "[CLSID\\" QVAPI_CLSID_TEXT "\\InprocServer32]\n"
    "[CLSID\\" QVAPI_CLSID_TEXT "\\InprocServer32] \"ThreadingModel\" = REG_SZ \"Both\"\n"
    "[CLSID\\" QVAPI_CLSID_TEXT "\\InprocServer32] @ = REG_SZ "
        "\"C:\\Program Files\\QVAPI\\QVAPI.DLL\"\n"
    "[CLSID\\" QVAPI_CLSID_TEXT "\\ProgID]\n"
    "[CLSID\\" QVAPI_CLSID_TEXT "\\ProgID] @ = REG_SZ \"" QVAPI_PROGID "\"\n"
    "[CLSID\\" QVAPI_CLSID_TEXT "\\Programmable]\n"
    "[CLSID\\" QVAPI_CLSID_TEXT "\\TypeLib]\n"
    "[CLSID\\" QVAPI_CLSID_TEXT "\\TypeLib] @ = REG_SZ \"" QVAPI_LIBID_TEXT "\"\n"
    "[CLSID\\" QVAPI_CLSID_TEXT "\\VersionIndependentProgID]\n"
    "[CLSID\\" QVAPI_CLSID_TEXT "\\VersionIndependentProgID] @ = REG_SZ "
        "\"" QVAPI_VERSION_INDEPENDENT_PROGID "\"\n"
    "[" QVAPI_VERSION_INDEPENDENT_PROGID "]\n"
    "[" QVAPI_VERSION_INDEPENDENT_PROGID "] @ = REG_SZ \"QV_Api Class\"\n"
    "[" QVAPI_VERSION_INDEPENDENT_PROGID "\\CLSID]\n"
    "[" QVAPI_VERSION_INDEPENDENT_PROGID "\\CLSID] @ = REG_SZ \"" QVAPI_CLSID_TEXT "\"\n"
    "[" QVAPI_VERSION_INDEPENDENT_PROGID "\\CurVer]\n"
    "[" QVAPI_VERSION_INDEPENDENT_PROGID "\\CurVer] @ = REG_SZ \"" QVAPI_PROGID "\"\n"
    "[" QVAPI_PROGID "]\n"
    "[" QVAPI_PROGID "] @ = REG_SZ \"QV_Api Class\"\n"
    "[" QVAPI_PROGID "\\CLSID]\n"
    "[" QVAPI_PROGID "\\CLSID] @ = REG_SZ \"" QVAPI_CLSID_TEXT "\"\n";
// clang-format on

class ServerScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, replacements_.Define(u"Module", testing::kModulePath));
    ASSERT_EQ(596u, script_.size());
  }
  void TearDown() override { EXPECT_EQ(0u, registry_.OpenHandleCount()); }

  HRESULT Run(bool registering) {
    ScriptParser parser(registry_, replacements_);
    return parser.RunScript(script_.c_str(), registering);
  }
  std::string Hkcr() const { return registry_.Dump(HKEY_CLASSES_ROOT); }

  MemoryRegistry registry_;
  ReplacementMap replacements_;
  std::string script_ = testing::ServerScript();
};

TEST_F(ServerScriptTest, RegisterCreatesExactlyTheClassEntries) {
  EXPECT_EQ(S_OK, Run(true));
  EXPECT_EQ(kRegistered, Hkcr());
}

TEST_F(ServerScriptTest, RegisterAgainRebuildsTheClassKey) {
  ASSERT_EQ(S_OK, Run(true));
  const std::string classKey = "CLSID\\" QVAPI_CLSID_TEXT;
  HKEY clsid = nullptr;
  HKEY added = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, registry_.OpenKey(HKEY_CLASSES_ROOT, "CLSID", KEY_ALL_ACCESS, &clsid));
  ASSERT_EQ(ERROR_SUCCESS, registry_.CreateKey(clsid, QVAPI_CLSID_TEXT, &added));
  const BYTE data[] = "foreign";
  registry_.SetValue(added, "Foreign", REG_SZ, data, sizeof data);
  registry_.CloseKey(added);
  registry_.CloseKey(clsid);
  EXPECT_EQ(S_OK, Run(true));
  EXPECT_EQ(kRegistered, Hkcr());
}

TEST_F(ServerScriptTest, UnregisterKeepsOnlyClsid) {
  ASSERT_EQ(S_OK, Run(true));
  EXPECT_EQ(S_OK, Run(false));
  EXPECT_EQ("[CLSID]\n", Hkcr());
  EXPECT_EQ(S_OK, Run(false));
  EXPECT_EQ("[CLSID]\n", Hkcr());
}

}  // namespace
}  // namespace qvapi
