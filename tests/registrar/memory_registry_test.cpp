// What only the in-memory registry offers: its predefined roots, chosen
// failures and the canonical dump.
#include "standins/memory_registry/memory_registry.h"

#include "registrar/predefined_roots.h"

#include <gtest/gtest.h>

namespace qvapi {
namespace {

class MemoryRegistryTest : public ::testing::Test {
 protected:
  HKEY Create(HKEY parent, const char* name) {
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, registry_.CreateKey(parent, name, &key));
    return key;
  }
  MemoryRegistry registry_;
};

TEST_F(MemoryRegistryTest, SevenPredefinedRootsExist) {
  for (const PredefinedRoot& predefined : kPredefinedRoots) {
    const HKEY root = predefined.key;
    registry_.CloseKey(Create(root, "Key"));
    EXPECT_EQ("[Key]\n", registry_.Dump(root));
    EXPECT_EQ(ERROR_SUCCESS, registry_.CloseKey(root));
  }
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_INVALID_HANDLE,
            registry_.OpenKey(reinterpret_cast<HKEY>(0x1234), "Key", KEY_READ, &key));
}

TEST_F(MemoryRegistryTest, ChosenCallsFailWithoutChangingAnything) {
  HKEY key = Create(HKEY_CURRENT_USER, "Target");
  registry_.FailCall(MemoryRegistry::Call::kOpen, "target", ERROR_ACCESS_DENIED);
  registry_.FailCall(MemoryRegistry::Call::kCreate, "New", ERROR_INVALID_PARAMETER);
  registry_.FailCall(MemoryRegistry::Call::kDelete, "Target", ERROR_ACCESS_DENIED);
  registry_.FailCall(MemoryRegistry::Call::kClose, "Target", ERROR_INVALID_HANDLE);
  HKEY other = nullptr;
  EXPECT_EQ(ERROR_ACCESS_DENIED, registry_.OpenKey(HKEY_CURRENT_USER, "Target", KEY_READ, &other));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, registry_.CreateKey(HKEY_CURRENT_USER, "New", &other));
  EXPECT_EQ(nullptr, other);
  EXPECT_EQ(ERROR_ACCESS_DENIED, registry_.DeleteKey(HKEY_CURRENT_USER, "Target"));
  EXPECT_EQ(ERROR_INVALID_HANDLE, registry_.CloseKey(key));
  EXPECT_EQ(0u, registry_.OpenHandleCount());  // a failed close still lets go
  EXPECT_EQ("[Target]\n", registry_.Dump(HKEY_CURRENT_USER));
}

TEST_F(MemoryRegistryTest, HandleOfDeletedKeyIsDead) {
  HKEY key = Create(HKEY_CURRENT_USER, "Doomed");
  ASSERT_EQ(ERROR_SUCCESS, registry_.DeleteKey(HKEY_CURRENT_USER, "Doomed"));
  const BYTE text[] = "x";
  EXPECT_EQ(ERROR_KEY_DELETED, registry_.SetValue(key, nullptr, REG_SZ, text, sizeof text));
  HKEY child = nullptr;
  EXPECT_EQ(ERROR_KEY_DELETED, registry_.CreateKey(key, "Child", &child));
  EXPECT_EQ(ERROR_SUCCESS, registry_.CloseKey(key));
  EXPECT_EQ("", registry_.Dump(HKEY_CURRENT_USER));
}

TEST_F(MemoryRegistryTest, EmptyNameIsTheKeyItself) {
  HKEY key = Create(HKEY_CURRENT_USER, "Self");
  HKEY same = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, registry_.OpenKey(key, "", KEY_ALL_ACCESS, &same));
  const BYTE text[] = "x";
  EXPECT_EQ(ERROR_SUCCESS, registry_.SetValue(same, nullptr, REG_SZ, text, sizeof text));
  EXPECT_EQ(ERROR_ACCESS_DENIED, registry_.DeleteKey(HKEY_CURRENT_USER, ""));
  registry_.CloseKey(same);
  registry_.CloseKey(key);
  EXPECT_EQ("[Self]\n[Self] @ = REG_SZ \"x\"\n", registry_.Dump(HKEY_CURRENT_USER));
}

TEST_F(MemoryRegistryTest, DumpIsCanonical) {
  HKEY b = Create(HKEY_CURRENT_USER, "b");
  HKEY a = Create(HKEY_CURRENT_USER, "A");
  registry_.CloseKey(Create(a, "Sub"));
  const BYTE raw[] = {1, 2};
  const BYTE number[] = {1, 0, 0, 0};
  registry_.SetValue(a, "Raw", 3, raw, sizeof raw);
  registry_.SetValue(a, "n", REG_DWORD, number, sizeof number);
  registry_.CloseKey(a);
  registry_.CloseKey(b);
  EXPECT_EQ(
      "[A]\n"
      "[A] \"n\" = REG_DWORD 0x00000001\n"
      "[A] \"Raw\" = type 3 size 2: 01 02\n"
      "[A\\Sub]\n"
      "[b]\n",
      registry_.Dump(HKEY_CURRENT_USER));
  EXPECT_EQ(
      "[] \"n\" = REG_DWORD 0x00000001\n"
      "[] \"Raw\" = type 3 size 2: 01 02\n"
      "[Sub]\n",
      registry_.Dump(HKEY_CURRENT_USER, "a"));
  EXPECT_EQ("", registry_.Dump(HKEY_CURRENT_USER, "Missing"));
}

}  // namespace
}  // namespace qvapi
