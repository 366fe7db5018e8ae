// The server's own registration script, registered and unregistered on an
// in-memory registry.
#include "registrar/script_parser.h"
#include "standins/memory_registry/memory_registry.h"
#include "tests/registrar/test_scripts.h"

#include <gtest/gtest.h>

namespace qvapi {
namespace {

constexpr const char* kRegistered =
    "[CLSID]\n"
    "[CLSID\\{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}]\n"
    "[CLSID\\{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}] @ = REG_SZ \"QV_Api Class\"\n"
    "[CLSID\\{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}\\InprocServer32]\n"
    "[CLSID\\{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}\\InprocServer32] \"ThreadingModel\" = REG_SZ "
    "\"Both\"\n"
    "[CLSID\\{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}\\InprocServer32] @ = REG_SZ \"C:\\Program "
    "Files\\QVAPI\\QVAPI.DLL\"\n"
    "[CLSID\\{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}\\ProgID]\n"
    "[CLSID\\{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}\\ProgID] @ = REG_SZ \"QVAPI.QV_Api.1\"\n"
    "[CLSID\\{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}\\Programmable]\n"
    "[CLSID\\{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}\\TypeLib]\n"
    "[CLSID\\{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}\\TypeLib] @ = REG_SZ "
    "\"{3F6A9C01-8E4B-41D7-B2C5-6D0E7A19F3B4}\"\n"
    "[CLSID\\{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}\\VersionIndependentProgID]\n"
    "[CLSID\\{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}\\VersionIndependentProgID] @ = REG_SZ "
    "\"QVAPI.QV_Api\"\n"
    "[QVAPI.QV_Api]\n"
    "[QVAPI.QV_Api] @ = REG_SZ \"QV_Api Class\"\n"
    "[QVAPI.QV_Api\\CLSID]\n"
    "[QVAPI.QV_Api\\CLSID] @ = REG_SZ \"{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}\"\n"
    "[QVAPI.QV_Api\\CurVer]\n"
    "[QVAPI.QV_Api\\CurVer] @ = REG_SZ \"QVAPI.QV_Api.1\"\n"
    "[QVAPI.QV_Api.1]\n"
    "[QVAPI.QV_Api.1] @ = REG_SZ \"QV_Api Class\"\n"
    "[QVAPI.QV_Api.1\\CLSID]\n"
    "[QVAPI.QV_Api.1\\CLSID] @ = REG_SZ \"{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}\"\n";

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
  const std::string classKey = "CLSID\\{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}";
  HKEY clsid = nullptr;
  HKEY added = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, registry_.OpenKey(HKEY_CLASSES_ROOT, "CLSID", KEY_ALL_ACCESS, &clsid));
  ASSERT_EQ(ERROR_SUCCESS,
            registry_.CreateKey(clsid, "{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}", &added));
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
