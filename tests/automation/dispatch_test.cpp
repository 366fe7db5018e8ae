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
  const HRESULT hr = dispatch->Invoke(DISPID_QV_EventReportingState, IID_NULL, LOCALE_USER_DEFAULT,
                                      DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
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
    EXPECT_EQ(IdOf(dispatch.get(), L"MemSave", *iid), DISPID_QV_MemSave);
  }
  EXPECT_EQ(IdOf(dispatch.get(), L"EnableErrorPopup"), DISPID_QV_EnableErrorPopup);
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
  EXPECT_EQ(dispatch->Invoke(DISPID_QV_EnableErrorPopup, IID_NULL, LOCALE_USER_DEFAULT,
                             DISPATCH_PROPERTYGET, &params, &result, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(V_VT(&result), VT_I4);
  EXPECT_EQ(V_I4(&result), -1);

  DISPPARAMS none = {};
  EXPECT_EQ(dispatch->Invoke(DISPID_QV_MemMark, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                             &none, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(dispatch->Invoke(99, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr,
                             nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
}

TEST_F(Dispatch, AggregatedObjectsAreCalledThroughTheContainedFace) {
  OuterObject outer;
  ASSERT_EQ(
      CQV_Api::CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(outer.inner().put())),
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

  // The library is not registered; then, parameters that lie about their arrays.
  DISPPARAMS none = {};
  for (DISPPARAMS* params : {&none, static_cast<DISPPARAMS*>(nullptr)}) {
    ASSERT_EQ(SetErrorInfo(0, error.get()), S_OK);
    EXPECT_TRUE(FAILED(dispatch->Invoke(DISPID_QV_EventReportingState, IID_NULL, 0,
                                        DISPATCH_PROPERTYGET, params, nullptr, nullptr, nullptr)));
    ComPtr<IErrorInfo> left;
    EXPECT_EQ(GetErrorInfo(0, left.put()), S_FALSE);
    EXPECT_EQ(left.get(), nullptr);
  }
}

// MemSave called late-bound as the script engines pass its arguments: the
// server converts each text as the platform converts an argument for a
// text parameter, and refuses what does not convert with the argument's
// index, or a parameter block that lies about its arrays, without a call.
TEST_F(Dispatch, MemSaveConvertsItsArgumentsAsThePlatformWould) {
  standins::LoadedCore core(standins::ExecutableFolder() + "KTCORE.DLL");
  ASSERT_TRUE(core.loaded());
  ComPtr<IDispatch> dispatch = NewObject<IDispatch>(IID_IDispatch);
  BSTR name = SysAllocString(L"snapshot");
  BSTR comment = SysAllocString(L"after init");
  BSTR noText = nullptr;
  auto of = [](VARTYPE type, LONG value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = type;
    V_I4(&v) = value;
    return v;
  };
  auto refTo = [](VARIANT* target) {
    VARIANT v;
    V_VT(&v) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&v) = target;
    return v;
  };
  auto text = [](BSTR* b) {
    VARIANT v;
    V_VT(&v) = VT_BSTR | VT_BYREF;
    V_BSTRREF(&v) = b;
    return v;
  };
  VARIANT byValue = of(VT_BSTR, 0);  // as JScript passes a string
  V_BSTR(&byValue) = comment;
  VARIANT null = of(VT_NULL, 0), date = of(VT_DATE, 0);
  V_DATE(&date) = 2.0;  // 1 January 1900
  VARIANT self, first, second, referenced = refTo(&byValue);
  self = refTo(&self);
  first = refTo(&second);
  second = refTo(&first);
  VARIANT dispatchArgument = of(VT_DISPATCH, 0);  // an object without a default value
  V_DISPATCH(&dispatchArgument) = dispatch.get();
  VARIANT huge = of(VT_R8, 0), omitted = of(VT_ERROR, DISP_E_PARAMNOTFOUND);
  V_R8(&huge) = 1e10;
  // A record and an array that the platform must never touch: a conversion
  // would copy them, through an address in the unmapped first page.
  VARIANT record = of(VT_RECORD, 0), array = of(VT_ARRAY | VT_BSTR, 0);
  V_RECORDINFO(&record) = reinterpret_cast<IRecordInfo*>(0x10);
  V_ARRAY(&array) = reinterpret_cast<SAFEARRAY*>(0x10);

  struct Case {
    VARIANT name, comment, showAll;
    HRESULT expected;
    UINT argError;
    const char* savedName;  // null for a null pointer
    const char* savedComment;
    DWORD named = 0;  // how many by name: none, bShowAll, or bShowAll, pszName, pszComment
  };
  const Case kCases[] = {
      {text(&name), refTo(&byValue), of(VT_I4, 1), S_OK, 99, "snapshot", "after init"},
      {null, of(VT_EMPTY, 0), of(VT_BOOL, VARIANT_TRUE), S_OK, 99, nullptr, nullptr},
      {refTo(&null), text(&noText), of(VT_I4, 0), S_OK, 99, nullptr, ""},
      {of(VT_I4, 5), of(VT_BOOL, VARIANT_FALSE), of(VT_I2, 2), S_OK, 99, "5", "0"},
      {text(&name), date, of(VT_I4, 1), S_OK, 99, "snapshot", "1/1/1900"},
      {dispatchArgument, byValue, of(VT_I4, 1), DISP_E_TYPEMISMATCH, 2, nullptr, nullptr},
      {self, byValue, of(VT_I4, 1), DISP_E_TYPEMISMATCH, 2, nullptr, nullptr},
      {text(&name), first, of(VT_I4, 1), DISP_E_TYPEMISMATCH, 1, nullptr, nullptr},
      {text(&name), refTo(&referenced), of(VT_I4, 1), DISP_E_TYPEMISMATCH, 1, nullptr, nullptr},
      {text(&name), byValue, self, DISP_E_TYPEMISMATCH, 0, nullptr, nullptr},
      {text(&name), byValue, dispatchArgument, DISP_E_TYPEMISMATCH, 0, nullptr, nullptr},
      {text(&name), byValue, huge, DISP_E_OVERFLOW, 0, nullptr, nullptr},
      {text(&name), omitted, of(VT_I4, 1), DISP_E_PARAMNOTOPTIONAL, 1, nullptr, nullptr},
      {record, byValue, array, DISP_E_TYPEMISMATCH, 2, nullptr, nullptr},
      {text(&name), array, of(VT_I4, 1), DISP_E_TYPEMISMATCH, 1, nullptr, nullptr},
      {text(&name), byValue, of(VT_I4, 1), S_OK, 99, "snapshot", "after init", 1},
      {text(&name), byValue, of(VT_I4, 1), S_OK, 99, "snapshot", "after init", 3},
  };
  for (const Case& c : kCases) {
    const LONG callsBefore = core.CallCount();
    VARIANT arguments[] = {c.showAll, c.comment, c.name}, named[] = {c.showAll, c.name, c.comment};
    DISPID names[] = {DISPID(2), 0, 1};
    DISPPARAMS params =
        c.named == 3 ? DISPPARAMS{named, names, 3, 3} : DISPPARAMS{arguments, names, 3, c.named};
    UINT argError = 99;
    EXPECT_EQ(dispatch->Invoke(DISPID_QV_MemSave, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                               &params, nullptr, nullptr, &argError),
              c.expected)
        << "case " << (&c - kCases);
    EXPECT_EQ(argError, c.argError) << "case " << (&c - kCases);
    if (c.expected != S_OK) {
      EXPECT_EQ(core.CallCount(), callsBefore) << "case " << (&c - kCases);
      continue;
    }
    const standins::CoreCall call = core.Calls().back();
    const char* const saved[] = {c.savedName, c.savedComment};
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(call.textIsNull[i] != FALSE, saved[i] == nullptr) << "case " << (&c - kCases);
      if (saved[i]) {
        EXPECT_STREQ(call.texts[i], saved[i]) << "case " << (&c - kCases);
      }
    }
  }
  EXPECT_EQ(core.Calls()[0].arguments[2], 1u);
  EXPECT_EQ(static_cast<LONG>(core.Calls()[1].arguments[2]), -1);

  VARIANT three[] = {of(VT_I4, 1), byValue, byValue};
  DISPID named = 0, unknown = 5, propertyPut = DISPID_PROPERTYPUT;
  struct Lie {
    DISPPARAMS params;
    HRESULT expected;
    UINT argError = 99;
  };
  const Lie kLies[] = {
      {{three, &named, 3, 1}, DISP_E_PARAMNOTFOUND, 0},
      {{three, &unknown, 3, 1}, DISP_E_PARAMNOTFOUND, 0},
      {{three, &propertyPut, 3, 1}, DISP_E_PARAMNOTFOUND, 0},
      {{three, nullptr, 2, 0}, DISP_E_BADPARAMCOUNT},
      {{nullptr, nullptr, 3, 0}, E_INVALIDARG},
      {{three, nullptr, 3, 1}, E_INVALIDARG},
      {{three, &named, 0, 1}, E_INVALIDARG},
  };
  const LONG callsBefore = core.CallCount();
  for (const Lie& lie : kLies) {
    DISPPARAMS params = lie.params;
    UINT argError = 99;
    EXPECT_EQ(dispatch->Invoke(DISPID_QV_MemSave, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                               nullptr, &argError),
              lie.expected)
        << "lie " << (&lie - kLies);
    EXPECT_EQ(argError, lie.argError) << "lie " << (&lie - kLies);
  }
  EXPECT_EQ(dispatch->Invoke(DISPID_QV_MemSave, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr,
                             nullptr, nullptr),
            E_INVALIDARG);
  EXPECT_EQ(core.CallCount(), callsBefore);
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
  EXPECT_EQ(LockCount(), 1);
}

}  // namespace
}  // namespace qvapi::testing
