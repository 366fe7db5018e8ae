// The registrar over the in-memory registry, with module resources the test
// provides, and the replacement map it owns.
#include "registrar/script_registrar.h"
#include "standins/memory_registry/memory_registry.h"
#include "tests/registrar/test_scripts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace qvapi {
namespace {

// Answers every read with its script, or with the failure it was given,
// and remembers what it was asked for.
class ScriptResources final : public ModuleResources {
 public:
  bool Read(const char* path, ResourceName name, const char* type, TaskMemory<char>* text,
            DWORD* lastError) noexcept override {
    askedPath = path ? path : "(null)";
    askedType = type ? type : "(null)";
    const auto value = reinterpret_cast<std::uintptr_t>(name);
    askedId = value >> 16 == 0 ? static_cast<int>(value) : -1;  // an integer id, or a text
    if (fails) {
      *lastError = error;
      return false;
    }
    text->reset(static_cast<char*>(TaskMemAlloc(script.size() + 1)));
    std::memcpy(text->get(), script.c_str(), script.size() + 1);
    return true;
  }

  std::string script = testing::ServerScript();
  bool fails = false;
  DWORD error = 0;
  std::string askedPath, askedType;
  int askedId = 0;
};

class ScriptRegistrarTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(0u, registry_.OpenHandleCount()); }

  MemoryRegistry registry_;
  ScriptResources resources_;
  ScriptRegistrar registrar_{registry_, resources_};
};

TEST_F(ScriptRegistrarTest, RunsTheModulesScriptResourceBothWays) {
  ASSERT_EQ(S_OK, registrar_.DefineReplacement(u"Module", testing::kModulePath));
  EXPECT_EQ(S_OK, registrar_.RunResourceScript(testing::kModulePathAnsi, 101, "REGISTRY", true));
  EXPECT_EQ("C:\\Program Files\\QVAPI\\QVAPI.DLL", resources_.askedPath);
  EXPECT_EQ("REGISTRY", resources_.askedType);
  EXPECT_EQ(101, resources_.askedId);
  EXPECT_NE(
      std::string::npos,
      registry_.Dump(HKEY_CLASSES_ROOT).find("@ = REG_SZ \"C:\\Program Files\\QVAPI\\QVAPI.DLL\""));

  EXPECT_EQ(S_OK, registrar_.RunResourceScript(testing::kModulePathAnsi, 101, "REGISTRY", false));
  EXPECT_EQ("[CLSID]\n", registry_.Dump(HKEY_CLASSES_ROOT));
}

TEST_F(ScriptRegistrarTest, ResourceFailuresAreReportedAndTouchNothing) {
  struct Case {
    DWORD error;
    HRESULT expected;
  };
  const Case kCases[] = {
      {ERROR_RESOURCE_NAME_NOT_FOUND, HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND)},
      {ERROR_FILE_NOT_FOUND, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
      {0, E_FAIL},  // a failure with no error code is still a failure
  };
  resources_.fails = true;
  for (const Case& c : kCases) {
    resources_.error = c.error;
    EXPECT_EQ(c.expected,
              registrar_.RunResourceScript(testing::kModulePathAnsi, 102, "REGISTRY", true));
    EXPECT_EQ(c.expected, registrar_.RunResourceScript(nullptr, 101, nullptr, false));
    EXPECT_EQ("(null)", resources_.askedPath);
    EXPECT_EQ("", registry_.Dump(HKEY_CLASSES_ROOT));
  }
}

TEST(ReplacementMapTest, GrowsAndTheFirstDefinitionWins) {
  ReplacementMap map;
  const auto name = [](int i) { return u"Name" + std::u16string(1, char16_t(u'A' + i)); };
  const auto text = [](int i) { return u"text" + std::u16string(1, char16_t(u'a' + i)); };
  for (int i = 0; i < 25; ++i) ASSERT_EQ(S_OK, map.Define(name(i).c_str(), text(i).c_str()));
  ASSERT_EQ(S_OK, map.Define(u"NAMEC", u"later"));
  for (int i = 0; i < 25; ++i) {
    const std::string wanted = "name" + std::string(1, char('a' + i));
    ASSERT_NE(nullptr, map.Lookup(wanted.c_str()));
    EXPECT_EQ(text(i), map.Lookup(wanted.c_str()));
  }
  EXPECT_EQ(S_OK, map.Reset());
  EXPECT_EQ(nullptr, map.Lookup("namea"));
}

}  // namespace
}  // namespace qvapi
