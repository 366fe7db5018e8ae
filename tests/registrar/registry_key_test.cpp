// The key wrapper's contracts, on the in-memory registry and (under Wine) on
// the real one.
#include "registrar/registry_key.h"
#include "tests/registrar/registry_under_test.h"

#include <gtest/gtest.h>

namespace qvapi {
namespace {

using testing::Backend;

class RegistryKeyTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override { under_ = testing::MakeRegistryUnderTest(GetParam(), "RegistryKeyTest"); }
  void TearDown() override { under_.reset(); }

  Registry& registry() { return under_->registry(); }
  HKEY root() { return under_->root(); }
  // Creates root\name and gives it back open.
  RegistryKey Made(const char* name) {
    RegistryKey key(registry());
    EXPECT_EQ(ERROR_SUCCESS, key.Create(root(), name));
    return key;
  }

  std::unique_ptr<testing::RegistryUnderTest> under_;
};

TEST_P(RegistryKeyTest, CloseWithoutKeyDoesNothing) {
  RegistryKey key(registry());
  EXPECT_EQ(ERROR_SUCCESS, key.Close());
  EXPECT_EQ(nullptr, key.Handle());
}

TEST_P(RegistryKeyTest, FailedOpenKeepsTheHeldKey) {
  RegistryKey key = Made("Held");
  HKEY held = key.Handle();
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.Open(root(), "Missing", KEY_ALL_ACCESS));
  EXPECT_EQ(held, key.Handle());
  EXPECT_EQ(ERROR_SUCCESS, key.SetString("Still", "usable"));
  EXPECT_EQ(ERROR_SUCCESS, key.Close());
  EXPECT_EQ("[Held]\n[Held] \"Still\" = REG_SZ \"usable\"\n", under_->Dump());
}

TEST_P(RegistryKeyTest, WritesStringsAndNumbers) {
  RegistryKey key = Made("Values");
  EXPECT_EQ(ERROR_SUCCESS, key.SetString(nullptr, "abc"));
  EXPECT_EQ(ERROR_SUCCESS, key.SetDword("Number", 0x12345678));
  EXPECT_EQ(
      "[Values]\n"
      "[Values] \"Number\" = REG_DWORD 0x12345678\n"
      "[Values] @ = REG_SZ \"abc\"\n",
      under_->Dump());
  DWORD size = 0;
  EXPECT_EQ(ERROR_SUCCESS, registry().QueryDefaultValueSize(key.Handle(), &size));
  EXPECT_EQ(4u, size);
}

TEST_P(RegistryKeyTest, DeleteSubtreeRemovesEveryLevel) {
  {
    RegistryKey top = Made("Top");
    RegistryKey middle(registry());
    ASSERT_EQ(ERROR_SUCCESS, middle.Create(top.Handle(), "Middle"));
    RegistryKey bottom(registry());
    ASSERT_EQ(ERROR_SUCCESS, bottom.Create(middle.Handle(), "Bottom"));
    ASSERT_EQ(ERROR_SUCCESS, bottom.SetString(nullptr, "deep"));
    RegistryKey sibling(registry());
    ASSERT_EQ(ERROR_SUCCESS, sibling.Create(top.Handle(), "Sibling"));
    Made("Bystander");
  }
  RegistryKeyRef parent(registry(), root());
  EXPECT_EQ(ERROR_SUCCESS, parent.DeleteSubtree("top"));
  EXPECT_EQ("[Bystander]\n", under_->Dump());
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, parent.DeleteSubtree("Top"));
  EXPECT_EQ("[Bystander]\n", under_->Dump());
}

TEST_P(RegistryKeyTest, DeleteSubtreeRefusesAnEmptyName) {
  RegistryKey key = Made("Parent");
  Made("Other");
  EXPECT_EQ(ERROR_INVALID_PARAMETER, key.DeleteSubtree(""));
  EXPECT_EQ("[Other]\n[Parent]\n", under_->Dump());
}

TEST_P(RegistryKeyTest, BorrowedKeyIsNeverClosed) {
  RegistryKey owner = Made("Owned");
  {
    RegistryKeyRef borrowed(registry(), owner.Handle());
    EXPECT_EQ(ERROR_SUCCESS, borrowed.SetDword("Count", 1));
  }
  EXPECT_EQ(ERROR_SUCCESS, owner.SetString(nullptr, "open"));
}

TEST_P(RegistryKeyTest, SubkeyAndValueTests) {
  RegistryKey empty = Made("Empty");
  EXPECT_FALSE(empty.HasSubkeys());
  EXPECT_FALSE(empty.HasValues());

  RegistryKey named = Made("Named");
  named.SetString("Name", "n");
  EXPECT_TRUE(named.HasValues());

  RegistryKey byDefault = Made("Default");
  byDefault.SetString(nullptr, "x");
  EXPECT_FALSE(byDefault.HasValues());

  RegistryKey two = Made("Two");
  two.SetString(nullptr, "x");
  two.SetDword("Count", 2);
  EXPECT_TRUE(two.HasValues());

  RegistryKeyRef parent(registry(), root());
  EXPECT_TRUE(parent.HasSubkeys());
}

INSTANTIATE_TEST_SUITE_P(Registries, RegistryKeyTest, testing::AllBackends(),
                         testing::BackendParamName);

}  // namespace
}  // namespace qvapi
