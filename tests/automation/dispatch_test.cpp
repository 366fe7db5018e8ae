// Late binding: the four IDispatch operations of IQV_Api, answered from the
// registered type library, and the holder that caches its type information
// while objects live.

#include <optional>
#include <thread>
#include <vector>

#include "automation_fixture.h"
#include "standins/core/loaded_core.h"
#include "standins/event_reporting/event_reporting_control.h"

namespace qvapi::testing {
namespace {

ITypeInfo* const kSentinelInfo = reinterpret_cast<ITypeInfo*>(0x5EE5EE);
const IID kSomeIid = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

DISPID IdOf(IDispatch* dispatch, const wchar_t* name, REFIID iid = IID_NULL) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  EXPECT_EQ(dispatch->GetIDsOfNames(iid, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
  return id;
}

// EventReportingState read late-bound; the HRESULT of Invoke, the value in *state.
HRESULT ReadState(IDispatch* dispatch, LONG* state) {
  DISPPARAMS none = {};
  VARIANT result;
  VariantInit(&result);
  const HRESULT hr = dispatch->Invoke(6, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                      &none, &result, nullptr, nullptr);
  if (SUCCEEDED(hr) && V_VT(&result) == VT_I4) *state = V_I4(&result);
  VariantClear(&result);
  return hr;
}

class Dispatch : public AutomationTest {
 protected:
  void SetUp() override {
    AutomationTest::SetUp();
    library_.emplace();
  }
  void TearDown() override {
    library_.reset();
    AutomationTest::TearDown();
  }
  void UnregisterLibrary() { library_.reset(); }
  void RegisterLibrary() { library_.emplace(); }

  std::optional<RegisteredTypeLibrary> library_;
};

TEST_F(Dispatch, TypeInfoCountIsOneAndRefusesANullLocation) {
  ComPtr<IDispatch> dispatch = NewObject<IDispatch>(IID_IDispatch);
  for (int i = 0; i < 2; ++i) {
    UINT count = 7;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
  }
  EXPECT_EQ(dispatch->GetTypeInfoCount(nullptr), E_POINTER);
}

TEST_F(Dispatch, EveryIndexGivesTheTypeInformationOfIQV_Api) {
  ComPtr<IDispatch> dispatch = NewObject<IDispatch>(IID_IDispatch);
  ComPtr<ITypeInfo> first, fifth;
  ASSERT_EQ(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, first.put()), S_OK);
  ASSERT_EQ(dispatch->GetTypeInfo(5, LOCALE_NEUTRAL, fifth.put()), S_OK);
  EXPECT_EQ(first.get(), fifth.get());
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(first->GetTypeAttr(&attributes), S_OK);
  EXPECT_TRUE(InlineIsEqualGUID(attributes->guid, IID_IQV_Api));
  first->ReleaseTypeAttr(attributes);
  EXPECT_EQ(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, nullptr), E_POINTER);
}

TEST_F(Dispatch, NamesAreFoundWhateverInterfaceIdIsPassed) {
  ComPtr<IDispatch> dispatch = NewObject<IDispatch>(IID_IDispatch);
  for (const IID* iid : {&IID_NULL, &IID_IQV_Api, &kSomeIid}) {
    EXPECT_EQ(IdOf(dispatch.get(), L"MemSave", *iid), 2);
  }
  EXPECT_EQ(IdOf(dispatch.get(), L"EnableErrorPopup"), 7);
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
  DISPID id = 0;
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id),
            DISP_E_UNKNOWNNAME);
}

TEST_F(Dispatch, InvokeReachesTheMembersThroughTheirSlots) {
  ComPtr<IDispatch> dispatch = NewObject<IDispatch>(IID_IDispatch);
  EvtStandinSetResult("EvtReportingState", -3);
  LONG state = 0;
  EXPECT_EQ(ReadState(dispatch.get(), &state), S_OK);
  EXPECT_EQ(state, -3);

  // EnableErrorPopup(1) as a property get with one argument; no core: -1.
  VARIANT argument;
  V_VT(&argument) = VT_I4;
  V_I4(&argument) = 1;
  DISPPARAMS params = {&argument, nullptr, 1, 0};
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(dispatch->Invoke(7, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &params,
                             &result, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(V_VT(&result), VT_I4);
  EXPECT_EQ(V_I4(&result), -1);

  DISPPARAMS none = {};
  EXPECT_EQ(dispatch->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr,
                             nullptr, nullptr),
            S_OK);
  EXPECT_EQ(dispatch->Invoke(99, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr,
                             nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
}

TEST_F(Dispatch, AggregatedObjectsAreCalledThroughTheContainedFace) {
  OuterObject outer;
  ASSERT_EQ(CQV_Api::CreateInstance(&outer, IID_IUnknown,
                                    reinterpret_cast<void**>(outer.inner().put())),
            S_OK);
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(outer.inner()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put())),
            S_OK);
  EvtStandinSetResult("EvtReportingState", 9);
  LONG state = 0;
  EXPECT_EQ(ReadState(dispatch.get(), &state), S_OK);
  EXPECT_EQ(state, 9);
  dispatch.reset();
  outer.inner().reset();
}

TEST_F(Dispatch, UnregisteredLibraryFailsUntilItIsRegistered) {
  UnregisterLibrary();
  ComPtr<IDispatch> dispatch = NewObject<IDispatch>(IID_IDispatch);
  ITypeInfo* info = kSentinelInfo;
  const HRESULT notRegistered = dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info);
  EXPECT_EQ(notRegistered, TYPE_E_LIBNOTREGISTERED);
  EXPECT_EQ(info, nullptr);
  LONG state = 0;
  EXPECT_EQ(ReadState(dispatch.get(), &state), notRegistered);

  RegisterLibrary();
  EXPECT_EQ(ReadState(dispatch.get(), &state), S_OK);
}

TEST_F(Dispatch, InvokeClearsTheThreadsErrorObjectEvenWhenItFails) {
  UnregisterLibrary();
  ComPtr<IDispatch> dispatch = NewObject<IDispatch>(IID_IDispatch);
  ComPtr<ICreateErrorInfo> created;
  ASSERT_EQ(CreateErrorInfo(created.put()), S_OK);
  ComPtr<IErrorInfo> error;
  ASSERT_EQ(created->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(error.put())), S_OK);
  ASSERT_EQ(SetErrorInfo(0, error.get()), S_OK);

  LONG state = 0;
  EXPECT_TRUE(FAILED(ReadState(dispatch.get(), &state)));
  ComPtr<IErrorInfo> left;
  EXPECT_EQ(GetErrorInfo(0, left.put()), S_FALSE);
  EXPECT_EQ(left.get(), nullptr);
}

// MemSave called late-bound as the script engines pass its arguments: the
// platform refuses the narrow strings, the server converts them itself.
TEST_F(Dispatch, MemSaveTakesTheArgumentsScriptEnginesPass) {
  standins::LoadedCore core(standins::ExecutableFolder() + "KTCORE.DLL");
  ASSERT_TRUE(core.loaded());
  ComPtr<IDispatch> dispatch = NewObject<IDispatch>(IID_IDispatch);
  BSTR name = SysAllocString(L"snapshot");
  BSTR comment = SysAllocString(L"after init");
  VARIANT byValue, byReference;  // as JScript passes a string, as VBScript passes a variable
  V_VT(&byValue) = VT_BSTR;
  V_BSTR(&byValue) = comment;
  V_VT(&byReference) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&byReference) = &byValue;

  struct Case {
    VARIANT name, comment, showAll;
    HRESULT expected;
    UINT argError;
  };
  auto text = [](BSTR* b) { VARIANT v; V_VT(&v) = VT_BSTR | VT_BYREF; V_BSTRREF(&v) = b; return v; };
  auto of = [](VARTYPE type, LONG value) { VARIANT v; VariantInit(&v); V_VT(&v) = type; V_I4(&v) = value; return v; };
  VARIANT dispatchArgument;
  V_VT(&dispatchArgument) = VT_DISPATCH;
  V_DISPATCH(&dispatchArgument) = dispatch.get();
  const Case kCases[] = {
      {text(&name), byReference, of(VT_I4, 1), S_OK, 99},
      {of(VT_NULL, 0), of(VT_EMPTY, 0), of(VT_BOOL, VARIANT_TRUE), S_OK, 99},
      {dispatchArgument, byValue, of(VT_I4, 1), DISP_E_TYPEMISMATCH, 2},
      {text(&name), of(VT_I4, 5), of(VT_I4, 1), DISP_E_TYPEMISMATCH, 1},
      {text(&name), byValue, dispatchArgument, DISP_E_TYPEMISMATCH, 0},
  };
  for (const Case& c : kCases) {
    VARIANT arguments[] = {c.showAll, c.comment, c.name};
    DISPPARAMS params = {arguments, nullptr, 3, 0};
    UINT argError = 99;
    EXPECT_EQ(dispatch->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                               nullptr, &argError),
              c.expected);
    EXPECT_EQ(argError, c.argError);
  }
  const std::vector<standins::CoreCall> calls = core.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_STREQ(calls[0].texts[0], "snapshot");
  EXPECT_STREQ(calls[0].texts[1], "after init");
  EXPECT_EQ(calls[0].arguments[2], 1u);
  EXPECT_TRUE(calls[1].textIsNull[0] && calls[1].textIsNull[1]);
  EXPECT_EQ(static_cast<LONG>(calls[1].arguments[2]), -1);

  VARIANT three[] = {of(VT_I4, 1), byValue, byValue};
  DISPID named = 0;
  DISPPARAMS withNames = {three, &named, 3, 1}, twoOnly = {three, nullptr, 2, 0};
  EXPECT_EQ(dispatch->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &withNames, nullptr, nullptr, nullptr),
            DISP_E_NONAMEDARGS);
  EXPECT_EQ(dispatch->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &twoOnly, nullptr, nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(core.CallCount(), 2);
  SysFreeString(name);
  SysFreeString(comment);
}

// The holder keeps the type information while any object lives: with the
// library unregistered meanwhile, calls go on succeeding until the last
// object is gone, and the next object has to load it again.
TEST_F(Dispatch, TypeInformationIsCachedWhileAnyObjectLives) {
  ComPtr<IDispatch> first = NewObject<IDispatch>(IID_IDispatch);
  ComPtr<IDispatch> second = NewObject<IDispatch>(IID_IDispatch);
  LONG state = 0;
  ASSERT_EQ(ReadState(first.get(), &state), S_OK);
  UnregisterLibrary();

  first.reset();
  EXPECT_EQ(ReadState(second.get(), &state), S_OK);
  second.reset();

  ComPtr<IDispatch> third = NewObject<IDispatch>(IID_IDispatch);
  EXPECT_TRUE(FAILED(ReadState(third.get(), &state)));
}

TEST_F(Dispatch, ManyThreadsCallLateBoundAtOnce) {
  constexpr int kThreads = 8;
  constexpr int kCalls = 200;
  ComPtr<IDispatch> shared = NewObject<IDispatch>(IID_IDispatch);
  EvtStandinSetResult("EvtReportingState", 5);
  std::vector<std::thread> threads;
  std::vector<int> succeeded(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kCalls; ++i) {
        ComPtr<IDispatch> own = NewObject<IDispatch>(IID_IDispatch);
        LONG a = 0, b = 0;
        if (ReadState(shared.get(), &a) == S_OK && a == 5 && ReadState(own.get(), &b) == S_OK &&
            b == 5)
          ++succeeded[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(succeeded[t], kCalls) << "thread " << t;
  EXPECT_EQ(EvtStandinCallCount("EvtReportingState"), 2 * kThreads * kCalls);
  EXPECT_EQ(HolderObjectCount(), 1);
}

}  // namespace
}  // namespace qvapi::testing
