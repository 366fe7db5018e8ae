// The seven members of IQV_Api and ISupportErrorInfo, called early-bound on
// a plain object, with and without a run-time core in the process.

#include <climits>
#include <vector>

#include "automation_fixture.h"
#include "standins/core/loaded_core.h"
#include "standins/event_reporting/event_reporting_control.h"

namespace qvapi::testing {
namespace {

using standins::CoreCall;
using standins::ExecutableFolder;
using standins::LoadedCore;

constexpr LONG kSentinel = 0x5EE5EE;

class QvApiMembers : public AutomationTest {
 protected:
  void SetUp() override {
    AutomationTest::SetUp();
    api_ = NewObject<IQV_Api>(IID_IQV_Api);
    ASSERT_TRUE(api_);
  }
  void TearDown() override {
    api_.reset();
    AutomationTest::TearDown();
  }

  ComPtr<IQV_Api> api_;
};

TEST_F(QvApiMembers, BridgeMembersReachTheCoreAndReportSuccess) {
  LoadedCore core(ExecutableFolder() + "KTCORE.DLL");
  ASSERT_TRUE(core.loaded());
  core.SetResult("MarkMemory", -7);
  core.SetResult("EnableErrorPopup", 42);
  char name[] = "snapshot";
  char comment[] = "after init";
  LONG previous = kSentinel;

  EXPECT_EQ(api_->MemMark(), S_OK);
  EXPECT_EQ(api_->MemSave(name, comment, 1), S_OK);
  EXPECT_EQ(api_->MemPopup(), S_OK);
  EXPECT_EQ(api_->get_EnableErrorPopup(0, &previous), S_OK);

  EXPECT_EQ(previous, 42);
  const std::vector<CoreCall> calls = core.Calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_STREQ(calls[0].procedure, "MarkMemory");
  EXPECT_STREQ(calls[1].procedure, "SaveMemory");
  EXPECT_STREQ(calls[1].texts[0], "snapshot");
  EXPECT_STREQ(calls[1].texts[1], "after init");
  EXPECT_EQ(calls[1].arguments[2], 1u);
  EXPECT_STREQ(calls[2].procedure, "DoMemoryPopup");
  EXPECT_STREQ(calls[3].procedure, "EnableErrorPopup");
  EXPECT_EQ(calls[3].arguments[0], 0u);
}

TEST_F(QvApiMembers, WithoutACoreOnlyEnableErrorPopupShowsIt) {
  LONG previous = kSentinel;
  EXPECT_EQ(api_->MemMark(), S_OK);
  EXPECT_EQ(api_->MemSave(nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(api_->MemPopup(), S_OK);
  EXPECT_EQ(api_->get_EnableErrorPopup(1, &previous), S_OK);
  EXPECT_EQ(previous, -1);
}

TEST_F(QvApiMembers, MemSavePassesNullTextsOn) {
  LoadedCore core(ExecutableFolder() + "KTCORE.DLL");
  ASSERT_TRUE(core.loaded());
  EXPECT_EQ(api_->MemSave(nullptr, nullptr, 0), S_OK);
  const std::vector<CoreCall> calls = core.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_TRUE(calls[0].textIsNull[0]);
  EXPECT_TRUE(calls[0].textIsNull[1]);
}

TEST_F(QvApiMembers, EnableErrorPopupKeepsNoCopyOfTheSetting) {
  LoadedCore core(ExecutableFolder() + "KTCORE.DLL");
  ASSERT_TRUE(core.loaded());
  LONG first = kSentinel;
  LONG second = kSentinel;
  core.SetResult("EnableErrorPopup", 1);
  EXPECT_EQ(api_->get_EnableErrorPopup(0, &first), S_OK);
  core.SetResult("EnableErrorPopup", 0);
  EXPECT_EQ(api_->get_EnableErrorPopup(1, &second), S_OK);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);
}

// Each event-reporting getter with the library procedure it calls.
struct Getter {
  const char* procedure;
  HRESULT (STDMETHODCALLTYPE IQV_Api::*member)(LONG*);
};
const Getter kGetters[] = {
    {"StartEvtReporting", &IQV_Api::get_StartEventReporting},
    {"StopEvtReporting", &IQV_Api::get_StopEventReporting},
    {"EvtReportingState", &IQV_Api::get_EventReportingState},
};

TEST_F(QvApiMembers, EventReportingGettersStoreTheLibraryValueUnchanged) {
  for (const Getter& getter : kGetters) {
    for (LONG value : {0L, 1L, -1L, -12345L, LONG_MIN, LONG_MAX}) {
      EvtStandinSetResult(getter.procedure, value);
      LONG out = kSentinel;
      EXPECT_EQ((api_.get()->*getter.member)(&out), S_OK) << getter.procedure;
      EXPECT_EQ(out, value) << getter.procedure;
    }
    EXPECT_EQ(EvtStandinCallCount(getter.procedure), 6) << getter.procedure;
  }
}

TEST_F(QvApiMembers, GettersRefuseANullOutLocationBeforeCallingAnything) {
  LoadedCore core(ExecutableFolder() + "KTCORE.DLL");
  ASSERT_TRUE(core.loaded());
  for (const Getter& getter : kGetters) {
    EXPECT_EQ((api_.get()->*getter.member)(nullptr), E_POINTER) << getter.procedure;
    EXPECT_EQ(EvtStandinCallCount(getter.procedure), 0) << getter.procedure;
  }
  EXPECT_EQ(api_->get_EnableErrorPopup(1, nullptr), E_POINTER);
  EXPECT_EQ(core.CallCount(), 0);
}

TEST_F(QvApiMembers, OnlyIQV_ApiSupportsErrorInfo) {
  ComPtr<ISupportErrorInfo> support;
  ASSERT_EQ(api_->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(support.put())),
            S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IQV_Api), S_OK);
  for (const IID* other : {&IID_IDispatch, &IID_IUnknown, &IID_ISupportErrorInfo,
                           &IID_IClassFactory, &CLSID_QV_Api, &LIBID_QVAPILib}) {
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(*other), S_FALSE);
  }
}

}  // namespace
}  // namespace qvapi::testing
