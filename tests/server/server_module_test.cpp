// The module's class table on a record of the test's own: the lazily made,
// cached class object and its release at shutdown.

#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "automation/qv_api.h"
#include "server/com_class_factory.h"
#include "server/server_module.h"
#include "tests/automation/failing_allocation.h"

namespace qvapi::testing {
namespace {

class ModuleRecord : public ::testing::Test {
 protected:
  void SetUp() override { module_.Startup(table_, nullptr); }

  HRESULT Find(IClassFactory** out) {
    return module_.FindClassObject(CLSID_QV_Api, IID_IClassFactory, reinterpret_cast<void**>(out));
  }

  ClassEntry table_[2] = {{&CLSID_QV_Api,
                           nullptr,
                           ATL::CComClassFactory::CreateClassObject,
                           CQV_Api::CreateInstance,
                           {nullptr},
                           nullptr},
                          {}};
  ServerModule module_{};
};

TEST_F(ModuleRecord, ThreadsRacingForTheFirstClassObjectGetOneAndShutdownReleasesItOnce) {
  constexpr int kThreads = 8;
  std::vector<IClassFactory*> factories(kThreads, nullptr);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, &factories, t] { EXPECT_EQ(Find(&factories[t]), S_OK); });
  }
  for (std::thread& thread : threads) thread.join();
  for (IClassFactory* factory : factories) EXPECT_EQ(factory, factories[0]);
  for (int t = 1; t < kThreads; ++t) factories[t]->Release();

  // The test's reference and the cached one: after shutdown only the test's.
  module_.Shutdown();
  EXPECT_EQ(table_[0].classObject.load(), nullptr);
  EXPECT_EQ(factories[0]->Release(), 0u);
}

TEST_F(ModuleRecord, FailedCreationCachesNothingAndTheNextRequestTriesAgain) {
  IClassFactory* factory = reinterpret_cast<IClassFactory*>(0x5EE5EE);
  FailNextNothrowAllocation();
  EXPECT_EQ(Find(&factory), E_OUTOFMEMORY);
  EXPECT_EQ(factory, nullptr);
  EXPECT_EQ(table_[0].classObject.load(), nullptr);

  ASSERT_EQ(Find(&factory), S_OK);
  EXPECT_EQ(factory->Release(), 1u);  // the cached reference is left
  module_.Shutdown();
}

}  // namespace
}  // namespace qvapi::testing
