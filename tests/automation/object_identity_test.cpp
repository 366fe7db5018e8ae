// COM identity, reference counts and the module's lock count of QV_Api
// objects made by the class's instance creator, plain and aggregated.

#include <thread>
#include <vector>

#include "automation/module_services.h"
#include "automation_fixture.h"
#include "failing_allocation.h"

namespace qvapi::testing {
namespace {

void* const kSentinelPointer = reinterpret_cast<void*>(0x5EE5EE);

template <class Interface>
ComPtr<Interface> Query(IUnknown* object, REFIID iid) {
  ComPtr<Interface> result;
  EXPECT_EQ(object->QueryInterface(iid, reinterpret_cast<void**>(result.put())), S_OK);
  return result;
}

using PlainObject = AutomationTest;

TEST_F(PlainObject, IdentityIsTheIQV_ApiFaceFromEitherFace) {
  ComPtr<IUnknown> identity = NewObject<IUnknown>(IID_IUnknown);
  ComPtr<ISupportErrorInfo> support =
      Query<ISupportErrorInfo>(identity.get(), IID_ISupportErrorInfo);
  EXPECT_NE(static_cast<void*>(support.get()), static_cast<void*>(identity.get()));
  for (IUnknown* face : {identity.get(), static_cast<IUnknown*>(support.get())}) {
    for (const IID* iid : {&IID_IUnknown, &IID_IQV_Api, &IID_IDispatch}) {
      EXPECT_EQ(static_cast<void*>(Query<IUnknown>(face, *iid).get()),
                static_cast<void*>(identity.get()));
    }
    EXPECT_EQ(Query<ISupportErrorInfo>(face, IID_ISupportErrorInfo).get(), support.get());
  }
}

TEST_F(PlainObject, CountsRiseAndFallByOneAndTheLastReleaseDestroys) {
  IQV_Api* api = nullptr;
  ASSERT_EQ(CQV_Api::CreateInstance(nullptr, IID_IQV_Api, reinterpret_cast<void**>(&api)), S_OK);
  EXPECT_EQ(LockCount(), 1);
  EXPECT_EQ(api->AddRef(), 2u);
  EXPECT_EQ(api->Release(), 1u);

  ISupportErrorInfo* support = nullptr;
  ASSERT_EQ(api->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK);
  EXPECT_EQ(support->Release(), 1u);  // the other face counts on the same object

  EXPECT_EQ(api->Release(), 0u);
  EXPECT_EQ(LockCount(), 0);
}

TEST_F(PlainObject, QueryInterfaceRefusalsLeaveTheCountAlone) {
  ComPtr<IQV_Api> api = NewObject<IQV_Api>(IID_IQV_Api);
  void* out = kSentinelPointer;
  EXPECT_EQ(api->QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(api->QueryInterface(IID_IQV_Api, nullptr), E_POINTER);
  EXPECT_EQ(RefCount(api.get()), 1);
}

TEST_F(PlainObject, CreationForAMissingInterfaceLeavesNothingBehind) {
  void* out = kSentinelPointer;
  EXPECT_EQ(CQV_Api::CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  // TearDown checks that the lock count and the holder's count are back at 0.
}

TEST_F(PlainObject, AllocationFailureCountsNothing) {
  OuterObject outer;
  for (IUnknown* outerOrNull : {static_cast<IUnknown*>(nullptr), static_cast<IUnknown*>(&outer)}) {
    void* out = nullptr;
    FailNextNothrowAllocation();
    EXPECT_EQ(CQV_Api::CreateInstance(outerOrNull, IID_IUnknown, &out), E_OUTOFMEMORY);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(LockCount(), 0);
  }
  EXPECT_EQ(outer.count(), OuterObject::kInitialCount);
}

TEST_F(PlainObject, EightThreadsShareAndReleaseObjectsSafely) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 500;
  ComPtr<IQV_Api> shared = NewObject<IQV_Api>(IID_IQV_Api);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&shared] {
      for (int i = 0; i < kRounds; ++i) {
        ComPtr<IDispatch> own = NewObject<IDispatch>(IID_IDispatch);
        ComPtr<ISupportErrorInfo> face =
            Query<ISupportErrorInfo>(shared.get(), IID_ISupportErrorInfo);
        LONG state = 0;
        shared->get_EventReportingState(&state);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(RefCount(shared.get()), 1);
  EXPECT_EQ(LockCount(), 1);
}

// The module stays locked until the object's teardown is over: while the
// last release waits for the type-information lock in the object's
// destruction, the module must not be unloadable yet.
TEST_F(PlainObject, ModuleStaysLockedUntilTheTeardownEnds) {
  ComPtr<IQV_Api> object = NewObject<IQV_Api>(IID_IQV_Api);
  std::thread releasing;
  {
    CriticalSectionLock held(TypeInfoLock());
    releasing = std::thread([&object] { object.reset(); });
    Sleep(200);
    EXPECT_EQ(LockCount(), 1) << "the lock count fell before the teardown was done";
  }
  releasing.join();
  EXPECT_EQ(LockCount(), 0);
}

class AggregatedObject : public AutomationTest {
 protected:
  void SetUp() override {
    AutomationTest::SetUp();
    ASSERT_EQ(CQV_Api::CreateInstance(&outer_, IID_IUnknown,
                                      reinterpret_cast<void**>(outer_.inner().put())),
              S_OK);
  }
  void TearDown() override {
    outer_.inner().reset();
    EXPECT_EQ(outer_.count(), OuterObject::kInitialCount)
        << "a reference on the outer object was kept";
    AutomationTest::TearDown();
  }

  OuterObject outer_;
};

TEST_F(AggregatedObject, InnerUnknownIsItsOwnAndCountsOnItself) {
  IUnknown* inner = outer_.inner().get();
  EXPECT_NE(inner, static_cast<IUnknown*>(&outer_));
  EXPECT_EQ(Query<IUnknown>(inner, IID_IUnknown).get(), inner);
  EXPECT_EQ(inner->AddRef(), 2u);
  EXPECT_EQ(inner->Release(), 1u);
  EXPECT_EQ(LockCount(), 1);
  EXPECT_EQ(outer_.count(), OuterObject::kInitialCount);
}

TEST_F(AggregatedObject, InnerInterfacesCountOnTheOuterObject) {
  IUnknown* inner = outer_.inner().get();
  ComPtr<IQV_Api> api = Query<IQV_Api>(inner, IID_IQV_Api);
  EXPECT_EQ(outer_.count(), OuterObject::kInitialCount + 1);
  EXPECT_EQ(RefCount(inner), 1);
  ComPtr<ISupportErrorInfo> support = Query<ISupportErrorInfo>(inner, IID_ISupportErrorInfo);
  EXPECT_EQ(outer_.count(), OuterObject::kInitialCount + 2);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IQV_Api), S_OK);
  EXPECT_EQ(api->MemMark(), S_OK);
}

TEST_F(AggregatedObject, ContainedFacesDelegateToTheOuterObject) {
  ComPtr<IQV_Api> api = Query<IQV_Api>(outer_.inner().get(), IID_IQV_Api);
  EXPECT_EQ(Query<IUnknown>(api.get(), IID_IUnknown).get(), static_cast<IUnknown*>(&outer_));
  EXPECT_EQ(api->AddRef(), static_cast<ULONG>(OuterObject::kInitialCount + 2));
  EXPECT_EQ(api->Release(), static_cast<ULONG>(OuterObject::kInitialCount + 1));
  // The outer object answers from its inner object, so this comes back too.
  EXPECT_EQ(Query<ISupportErrorInfo>(api.get(), IID_ISupportErrorInfo)
                ->InterfaceSupportsErrorInfo(IID_IQV_Api),
            S_OK);
}

TEST_F(AggregatedObject, OwnFaceRefusesANullOutLocation) {
  for (const IID* iid : {&IID_IUnknown, &IID_IQV_Api, &IID_IClassFactory}) {
    EXPECT_EQ(outer_.inner()->QueryInterface(*iid, nullptr), E_POINTER);
  }
  void* out = kSentinelPointer;
  EXPECT_EQ(outer_.inner()->QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(RefCount(outer_.inner().get()), 1);
  EXPECT_EQ(outer_.count(), OuterObject::kInitialCount);
}

}  // namespace
}  // namespace qvapi::testing
