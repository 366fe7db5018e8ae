// The platform behaviour the interpreter relies on, which the in-memory
// registry must share: run on both under Wine, on the in-memory one natively.
#include "tests/registrar/registry_under_test.h"

#include <gtest/gtest.h>

#include <string>

namespace qvapi {
namespace {

using testing::Backend;

class RegistryModelTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    under_ = testing::MakeRegistryUnderTest(GetParam(), "RegistryModelTest");
  }

  Registry& registry() { return under_->registry(); }
  HKEY Create(HKEY parent, const char* name) {
    HKEY key = reinterpret_cast<HKEY>(0x5e5e);
    EXPECT_EQ(ERROR_SUCCESS, registry().CreateKey(parent, name, &key)) << name;
    return key;
  }

  std::unique_ptr<testing::RegistryUnderTest> under_;
};

TEST_P(RegistryModelTest, NamesIgnoreCase) {
  registry().CloseKey(Create(under_->root(), "MixedCase"));
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, registry().OpenKey(under_->root(), "mixedcase", KEY_READ, &key));
  registry().CloseKey(key);
  registry().CloseKey(Create(under_->root(), "MIXEDCASE"));
  EXPECT_EQ("[MixedCase]\n", under_->Dump());
}

TEST_P(RegistryModelTest, KeyNamesHaveAtMost255Characters) {
  registry().CloseKey(Create(under_->root(), std::string(255, 'k').c_str()));
  // Wine accepts longer names than Windows does; the model keeps Windows' limit.
  if (GetParam() == Backend::kPlatform) return;
  HKEY key = reinterpret_cast<HKEY>(0x5e5e);
  EXPECT_NE(ERROR_SUCCESS,
            registry().CreateKey(under_->root(), std::string(256, 'k').c_str(), &key));
  EXPECT_EQ(reinterpret_cast<HKEY>(0x5e5e), key);
}

TEST_P(RegistryModelTest, KeyWithSubkeysIsNotDeleted) {
  HKEY parent = Create(under_->root(), "Parent");
  registry().CloseKey(Create(parent, "Child"));
  registry().CloseKey(parent);
  EXPECT_EQ(ERROR_ACCESS_DENIED, registry().DeleteKey(under_->root(), "Parent"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, registry().DeleteKey(under_->root(), "Missing"));
  EXPECT_EQ("[Parent]\n[Parent\\Child]\n", under_->Dump());
}

TEST_P(RegistryModelTest, DeletedKeyTakesItsValues) {
  HKEY key = Create(under_->root(), "Valued");
  const BYTE text[] = "x";
  EXPECT_EQ(ERROR_SUCCESS, registry().SetValue(key, "V", REG_SZ, text, sizeof text));
  registry().CloseKey(key);
  EXPECT_EQ(ERROR_SUCCESS, registry().DeleteKey(under_->root(), "Valued"));
  EXPECT_EQ("", under_->Dump());
}

TEST_P(RegistryModelTest, EnumerationEndsAndNeedsRoom) {
  registry().CloseKey(Create(under_->root(), "Only"));
  char name[8] = "sent";
  DWORD size = sizeof name;
  EXPECT_EQ(ERROR_SUCCESS, registry().EnumKey(under_->root(), 0, name, &size));
  EXPECT_STREQ("Only", name);
  EXPECT_EQ(4u, size);
  size = sizeof name;
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, registry().EnumKey(under_->root(), 1, name, &size));
  size = 4;
  EXPECT_EQ(ERROR_MORE_DATA, registry().EnumKey(under_->root(), 0, name, &size));
}

TEST_P(RegistryModelTest, ReadOnlyHandleRefusesWrites) {
  registry().CloseKey(Create(under_->root(), "ReadOnly"));
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, registry().OpenKey(under_->root(), "ReadOnly", KEY_READ, &key));
  const BYTE text[] = "x";
  EXPECT_EQ(ERROR_ACCESS_DENIED, registry().SetValue(key, nullptr, REG_SZ, text, sizeof text));
  // Windows refuses a subkey below a read-only handle; Wine creates it.
  if (GetParam() == Backend::kMemory) {
    HKEY child = nullptr;
    EXPECT_EQ(ERROR_ACCESS_DENIED, registry().CreateKey(key, "Child", &child));
  }
  DWORD subkeys = 7;
  DWORD values = 7;
  EXPECT_EQ(ERROR_SUCCESS, registry().QueryCounts(key, &subkeys, &values));
  EXPECT_EQ(0u, subkeys);
  EXPECT_EQ(0u, values);
  registry().CloseKey(key);
  EXPECT_EQ("[ReadOnly]\n", under_->Dump());
}

TEST_P(RegistryModelTest, DefaultValueSize) {
  HKEY key = Create(under_->root(), "Sized");
  DWORD size = 99;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, registry().QueryDefaultValueSize(key, &size));
  const BYTE empty[] = "";
  EXPECT_EQ(ERROR_SUCCESS, registry().SetValue(key, "", REG_SZ, empty, 1));
  EXPECT_EQ(ERROR_SUCCESS, registry().QueryDefaultValueSize(key, &size));
  EXPECT_EQ(1u, size);
  registry().CloseKey(key);
}

INSTANTIATE_TEST_SUITE_P(Registries, RegistryModelTest, testing::AllBackends(),
                         testing::BackendParamName);

}  // namespace
}  // namespace qvapi
