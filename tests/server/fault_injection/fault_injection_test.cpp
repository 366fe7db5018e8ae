// Every platform failure survived: each scenario of calls into QVAPI.DLL is
// run once to count the platform calls it makes, then once for each of
// those positions with exactly that call failed. Whatever fails, the
// scenario must come back with S_OK or a failure HRESULT, the module must
// be unloadable once everything is released, every block and key it took
// must be given back, and a failed registration must leave nothing that a
// clean unregistration and registration do not mend.

#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "QVAPI.h"
#include "QVAPI_exports.h"
#include "automation/com_ptr.h"
#include "standins/core/loaded_core.h"
#include "tests/registrar/registry_under_test.h"
#include "tests/server/fault_injection/import_shims.h"

namespace qvapi {
namespace {

constexpr LONG kCoreResult = 7;  // what the stand-in core answers

// QVAPI.DLL loaded anew, its imports routed through the shims.
class LoadedServer {
 public:
  LoadedServer() : module_(LoadLibraryA("QVAPI.DLL")) { faults::InstallShims(module_); }
  ~LoadedServer() { FreeLibrary(module_); }
  LoadedServer(const LoadedServer&) = delete;
  LoadedServer& operator=(const LoadedServer&) = delete;

  template <class Function>
  Function* Get(const char* name) const {
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }
  HRESULT Call(const char* entry) const { return Get<HRESULT WINAPI()>(entry)(); }
  HRESULT ClassFactory(IClassFactory** factory) const {
    return Get<HRESULT WINAPI(REFCLSID, REFIID, void**)>("DllGetClassObject")(
        CLSID_QV_Api, IID_IClassFactory, reinterpret_cast<void**>(factory));
  }
  HRESULT NewObject(IUnknown* outer, REFIID iid, void** out) const {
    ComPtr<IClassFactory> factory;
    const HRESULT hr = ClassFactory(factory.put());
    return FAILED(hr) ? hr : factory->CreateInstance(outer, iid, out);
  }

 private:
  HMODULE module_;
};

// An outer object that aggregates a QV_Api object on the stack.
class Outer final : public IUnknown {
 public:
  STDMETHOD(QueryInterface)(REFIID iid, void** out) override {
    if (!InlineIsEqualGUID(iid, IID_IUnknown)) return inner.get()->QueryInterface(iid, out);
    *out = this;
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return 2; }
  STDMETHOD_(ULONG, Release)() override { return 1; }
  ComPtr<IUnknown> inner;
};

HRESULT FirstFailure(std::initializer_list<HRESULT> results) {
  for (HRESULT hr : results) {
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

template <class Interface>
HRESULT Query(IUnknown* object, REFIID iid, ComPtr<Interface>* out) {
  return object->QueryInterface(iid, reinterpret_cast<void**>(out->put()));
}

HRESULT CreatePlain(const LoadedServer& server) {
  ComPtr<IQV_Api> api;
  ComPtr<IDispatch> dispatch;
  ComPtr<ISupportErrorInfo> support;
  const HRESULT hr = server.NewObject(nullptr, IID_IQV_Api, reinterpret_cast<void**>(api.put()));
  return FAILED(hr) ? hr
                    : FirstFailure({Query(api.get(), IID_IDispatch, &dispatch),
                                    Query(api.get(), IID_ISupportErrorInfo, &support)});
}

HRESULT CreateAggregated(const LoadedServer& server) {
  Outer outer;
  ComPtr<IQV_Api> api;
  ComPtr<IDispatch> dispatch;
  const HRESULT hr =
      server.NewObject(&outer, IID_IUnknown, reinterpret_cast<void**>(outer.inner.put()));
  return FAILED(hr) ? hr
                    : FirstFailure({Query(outer.inner.get(), IID_IQV_Api, &api),
                                    Query(outer.inner.get(), IID_IDispatch, &dispatch)});
}

// A dispatch call on a new object.
template <HRESULT (*Call)(IDispatch*)>
HRESULT OnNewObject(const LoadedServer& server) {
  ComPtr<IDispatch> dispatch;
  const HRESULT hr =
      server.NewObject(nullptr, IID_IDispatch, reinterpret_cast<void**>(dispatch.put()));
  return FAILED(hr) ? hr : Call(dispatch.get());
}

HRESULT FindName(IDispatch* dispatch) {
  LPOLESTR name = const_cast<LPOLESTR>(L"MemSave");
  DISPID id = 0;
  return dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
}

HRESULT FetchTypeInfo(IDispatch* dispatch) {
  ComPtr<ITypeInfo> info;
  return dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put());
}

// The member called late-bound, with texts as BSTRs.
HRESULT Invoke(IDispatch* dispatch, DISPID member) {
  VARIANT arguments[3];
  for (VARIANT& argument : arguments) VariantInit(&argument);
  DISPPARAMS params = {arguments, nullptr, 0, 0};
  if (member == 2) {  // MemSave(name, comment, showAll)
    V_VT(&arguments[2]) = V_VT(&arguments[1]) = VT_BSTR;
    V_BSTR(&arguments[2]) = SysAllocString(L"snapshot");
    V_BSTR(&arguments[1]) = SysAllocString(L"comment");
    V_VT(&arguments[0]) = VT_I4;
    params.cArgs = 3;
  } else if (member == 7) {  // EnableErrorPopup(popup)
    V_VT(&arguments[0]) = VT_I4;
    params.cArgs = 1;
  }
  VARIANT result;
  VariantInit(&result);
  const HRESULT hr = dispatch->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT,
                                      member <= 3 ? DISPATCH_METHOD : DISPATCH_PROPERTYGET, &params,
                                      &result, nullptr, nullptr);
  VariantClear(&result);
  for (VARIANT& argument : arguments) VariantClear(&argument);
  return hr;
}

template <DISPID Member>
HRESULT InvokeMember(IDispatch* dispatch) {
  return Invoke(dispatch, Member);
}

// Each export answers the core's result, or -1 when it cannot reach it.
HRESULT PlainExports(const LoadedServer& server) {
  const LONG results[] = {server.Get<decltype(QVMemMark)>("QVMemMark")(),
                          server.Get<decltype(QVMemSave)>("QVMemSave")("snapshot", "comment", 0),
                          server.Get<decltype(QVMemPopup)>("QVMemPopup")(),
                          server.Get<decltype(QVEnableErrorPopup)>("QVEnableErrorPopup")(0)};
  for (LONG result : results) {
    if (result != kCoreResult && result != -1) return E_UNEXPECTED;
  }
  return S_OK;
}

HRESULT LockTheServer(const LoadedServer& server) {
  ComPtr<IClassFactory> factory;
  HRESULT hr = server.ClassFactory(factory.put());
  if (FAILED(hr)) return hr;
  if (FAILED(hr = factory->LockServer(TRUE))) return hr;
  const HRESULT locked = server.Call("DllCanUnloadNow");
  factory->LockServer(FALSE);
  return locked == S_FALSE ? S_OK : E_UNEXPECTED;
}

HRESULT Register(const LoadedServer& server) { return server.Call("DllRegisterServer"); }
HRESULT Unregister(const LoadedServer& server) { return server.Call("DllUnregisterServer"); }

struct Scenario {
  const char* name;
  HRESULT (*run)(const LoadedServer&);
};

const Scenario kScenarios[] = {
    {"DllRegisterServer", Register},
    {"DllUnregisterServer", Unregister},
    {"create plain", CreatePlain},
    {"create aggregated", CreateAggregated},
    {"GetIDsOfNames", OnNewObject<FindName>},
    {"GetTypeInfo", OnNewObject<FetchTypeInfo>},
    {"Invoke MemMark", OnNewObject<InvokeMember<1>>},
    {"Invoke MemSave", OnNewObject<InvokeMember<2>>},
    {"Invoke MemPopup", OnNewObject<InvokeMember<3>>},
    {"Invoke StartEventReporting", OnNewObject<InvokeMember<4>>},
    {"Invoke StopEventReporting", OnNewObject<InvokeMember<5>>},
    {"Invoke EventReportingState", OnNewObject<InvokeMember<6>>},
    {"Invoke EnableErrorPopup", OnNewObject<InvokeMember<7>>},
    {"plain exports", PlainExports},
    {"LockServer", LockTheServer},
};

constexpr char kClassKey[] = "CLSID\\{3F6A9C10-8E4B-41D7-B2C5-6D0E7A19F3B4}";

// What registration leaves in HKEY_CLASSES_ROOT.
std::string Registration() {
  std::string dump;
  for (const char* key : {kClassKey, "QVAPI.QV_Api", "QVAPI.QV_Api.1",
                          "TypeLib\\{3F6A9C01-8E4B-41D7-B2C5-6D0E7A19F3B4}"}) {
    dump += std::string(key) + ":\n" + testing::DumpPlatformKey(HKEY_CLASSES_ROOT, key);
  }
  return dump;
}

// Failures that a registration goes on past by design: a value or a
// key that cannot be written or deleted, a number that does not convert.
bool IgnoredByRegistration(const char* function) {
  if (!function) return false;
  for (const char* ignored :
       {"RegSetValueExA", "RegDeleteKeyA", "RegDeleteValueA", "VarI4FromStr"}) {
    if (std::strcmp(function, ignored) == 0) return true;
  }
  return false;
}

class FaultInjection : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(core_.loaded());
    for (const char* procedure : {"MarkMemory", "SaveMemory", "DoMemoryPopup", "EnableErrorPopup"})
      core_.SetResult(procedure, kCoreResult);
    ASSERT_EQ(Register(LoadedServer()), S_OK);
    registered_ = Registration();
  }

  // One run of the scenario with the call at `failAt` failed (0: none);
  // returns the number of calls counted, after checking what it left.
  long Run(const Scenario& scenario, long failAt) {
    const long blocks = faults::LiveBlocks(), keys = faults::OpenKeys();
    long calls = 0;
    std::string where = std::string(scenario.name) + ", call " + std::to_string(failAt);
    {
      LoadedServer server;
      faults::Arm(failAt);
      const HRESULT hr = scenario.run(server);
      calls = faults::Disarm();
      if (const char* failed = faults::FailedFunction()) where += " (" + std::string(failed) + ")";
      EXPECT_TRUE(hr == S_OK || FAILED(hr)) << where << ": " << std::hex << hr;
      if (scenario.run == Register && hr == S_OK &&
          !IgnoredByRegistration(faults::FailedFunction())) {
        EXPECT_EQ(Registration(), registered_) << where << ": a failure reported as success";
      }
      EXPECT_EQ(server.Call("DllCanUnloadNow"), S_OK) << where;
      if (scenario.run == Register || scenario.run == Unregister)
        CheckMended(server, scenario, where);
    }
    EXPECT_EQ(faults::LiveBlocks(), blocks) << where << ": blocks not freed";
    EXPECT_EQ(faults::OpenKeys(), keys) << where << ": keys not closed";
    return calls;
  }

  // After a failed registration a clean unregistration takes the class
  // out; after either, a clean registration writes exactly what a first
  // one did.
  static void CheckMended(const LoadedServer& server, const Scenario& scenario,
                          const std::string& where) {
    if (scenario.run == Register) {
      EXPECT_EQ(server.Call("DllUnregisterServer"), S_OK) << where;
      for (const char* key : {"QVAPI.QV_Api", "QVAPI.QV_Api.1", kClassKey}) {
        EXPECT_EQ(testing::DumpPlatformKey(HKEY_CLASSES_ROOT, key), "(missing)") << where;
      }
    }
    EXPECT_EQ(server.Call("DllRegisterServer"), S_OK) << where;
    EXPECT_EQ(Registration(), registered_) << where;
  }

  static standins::LoadedCore core_;
  static std::string registered_;
};

standins::LoadedCore FaultInjection::core_(standins::ExecutableFolder() + "ZELKCORE.DLL");
std::string FaultInjection::registered_;

TEST_F(FaultInjection, EveryFailurePointIsSurvived) {
  long points = 0;
  for (const Scenario& scenario : kScenarios) {
    const long calls = Run(scenario, 0);
    EXPECT_GT(calls, 0) << scenario.name << " made no platform call";
    for (long position = 1; position <= calls && !HasFailure(); ++position) Run(scenario, position);
    points += calls;
  }
  if (HasFailure()) return;
  std::printf("fault injection: %ld failure points across %zu scenarios survived\n", points,
              std::size(kScenarios));
}

// Create, query, early- and late-bound calls and release, over and over:
// allocations and keys stay balanced.
TEST_F(FaultInjection, HundredThousandCyclesStayBalanced) {
  LoadedServer server;
  auto cycle = [&server] {
    ComPtr<IQV_Api> api;
    ComPtr<IDispatch> dispatch;
    const HRESULT hr = server.NewObject(nullptr, IID_IQV_Api, reinterpret_cast<void**>(api.put()));
    return FAILED(hr) ? hr
                      : FirstFailure({Query(api.get(), IID_IDispatch, &dispatch), api->MemMark(),
                                      Invoke(dispatch.get(), 2), Invoke(dispatch.get(), 6)});
  };
  // One object lives throughout, as in a client that holds one, so the
  // type information stays loaded. The first cycle makes what the module
  // keeps until it is unloaded (its class object); from then on, every
  // cycle gives back all it takes.
  ComPtr<IQV_Api> held;
  ASSERT_EQ(server.NewObject(nullptr, IID_IQV_Api, reinterpret_cast<void**>(held.put())), S_OK);
  ASSERT_EQ(cycle(), S_OK);
  const long blocks = faults::LiveBlocks(), keys = faults::OpenKeys();
  for (int i = 1; i < 100000; ++i) ASSERT_EQ(cycle(), S_OK) << "cycle " << i;
  EXPECT_EQ(faults::LiveBlocks(), blocks);
  EXPECT_EQ(faults::OpenKeys(), keys);
  held.reset();
  EXPECT_EQ(server.Call("DllCanUnloadNow"), S_OK);
}

}  // namespace
}  // namespace qvapi
