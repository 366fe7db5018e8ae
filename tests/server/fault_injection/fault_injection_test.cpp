// Every platform failure survived: each scenario of calls into QVAPI.DLL is
// run once to list the platform calls it makes, then with each of those
// calls failed, once and from there on. It must answer what it should, or
// S_OK or a failure HRESULT; leave the module unloadable; give back all it
// took, each through its own family; and a registration from a clean slate
// leaves all on S_OK, and on failure the root blocks before the failing one.

#include <windows.h>
#include <oleauto.h>
#include <shlwapi.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "QVAPI.h"
#include "QVAPI_exports.h"
#include "automation/com_ptr.h"
#include "standins/core/loaded_core.h"
#include "tests/registrar/registry_under_test.h"
#include "tests/server/fault_injection/import_shims.h"
#include "tests/server_names.h"

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

// Creation for an interface the class lacks leaves nothing behind.
template <bool Aggregated>
HRESULT CreateLacking(const LoadedServer& server) {
  Outer outer;
  return server.NewObject(Aggregated ? &outer : nullptr, IID_IClassFactory,
                          reinterpret_cast<void**>(outer.inner.put()));
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
  if (member == DISPID_QV_MemSave) {
    V_VT(&arguments[2]) = V_VT(&arguments[1]) = VT_BSTR;
    V_BSTR(&arguments[2]) = SysAllocString(L"snapshot");
    V_BSTR(&arguments[1]) = SysAllocString(L"comment");
    V_VT(&arguments[0]) = VT_I4;
    params.cArgs = 3;
  } else if (member == DISPID_QV_EnableErrorPopup) {
    V_VT(&arguments[0]) = VT_I4;
    params.cArgs = 1;
  }
  VARIANT result;
  VariantInit(&result);
  const HRESULT hr =
      dispatch->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT,
                       member <= DISPID_QV_MemPopup ? DISPATCH_METHOD : DISPATCH_PROPERTYGET,
                       &params, &result, nullptr, nullptr);
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
HRESULT RegisterForUser(const LoadedServer& server) {
  return server.Get<HRESULT WINAPI(BOOL, LPCWSTR)>("DllInstall")(TRUE, L"user");
}

// The keys that each root block of a registration script writes, block by
// block, then those of the type library's registration.
using Blocks = std::vector<std::vector<const char*>>;
const std::vector<const char*> kTypeLibraryKeys = {testing::kTypeLibraryKey,
                                                   testing::kInterfaceKey};
const Blocks kServerBlocks = {{testing::kClassKey, QVAPI_VERSION_INDEPENDENT_PROGID, QVAPI_PROGID},
                              kTypeLibraryKeys};
// Two root blocks, and references that outgrow the expansion's first buffer.
constexpr char kLongScript[] =
    "HKCR { QVAPI.First = s '%MODULE%' }\r\n"
    "HKCR { QVAPI.Second = s '%MODULE%%MODULE%%MODULE%%MODULE%%MODULE%%MODULE%%MODULE%%MODULE%' }";
const Blocks kLongScriptBlocks = {{"QVAPI.First"}, {"QVAPI.Second"}, kTypeLibraryKeys};

// The machine's classes, and the user's.
const HKEY kMachine = HKEY_LOCAL_MACHINE, kUser = HKEY_CURRENT_USER;
std::string InClasses(const char* key) { return std::string("Software\\Classes\\") + key; }

// What each block wrote in `root`'s classes, as text.
std::vector<std::string> Written(const Blocks& blocks, HKEY root = kMachine) {
  std::vector<std::string> written;
  for (const std::vector<const char*>& block : blocks) {
    written.emplace_back();
    for (const char* key : block)
      written.back() +=
          std::string(key) + ":\n" + testing::DumpPlatformKey(root, InClasses(key).c_str());
  }
  return written;
}

// Nothing of any registration scenario's left.
void WipeRegistrations() {
  for (HKEY root : {kMachine, kUser})
    for (const Blocks* blocks : {&kServerBlocks, &kLongScriptBlocks})
      for (const std::vector<const char*>& block : *blocks)
        for (const char* key : block) SHDeleteKeyA(root, InClasses(key).c_str());
}

// A write through HKEY_CLASSES_ROOT lands in the machine's classes: no run
// leaves it redirected.
bool ClassesRootIsTheMachines() {
  RegSetValueA(HKEY_CLASSES_ROOT, "QVAPI.Probe", REG_SZ, "", 0);
  const bool machines =
      testing::DumpPlatformKey(kMachine, InClasses("QVAPI.Probe").c_str()) != "(missing)";
  for (HKEY root : {kMachine, kUser}) SHDeleteKeyA(root, InClasses("QVAPI.Probe").c_str());
  return machines;
}

struct Scenario {
  const char* name;
  HRESULT (*run)(const LoadedServer&);
  HRESULT expected = S_OK;         // without a failure
  const Blocks* blocks = nullptr;  // for a registration from a clean slate
  const char* script = nullptr;    // the registration script the module's file seems to carry
  HKEY root = kMachine;            // whose classes the registration writes
};

const Scenario kScenarios[] = {
    {"DllRegisterServer", Register, S_OK, &kServerBlocks},
    {"DllRegisterServer, another script, the type library beside", Register, S_OK,
     &kLongScriptBlocks, kLongScript},
    {"DllUnregisterServer", Unregister},
    {"DllInstall for the user", RegisterForUser, S_OK, &kServerBlocks, nullptr, kUser},
    {"create plain", CreatePlain},
    {"create aggregated", CreateAggregated},
    {"create plain, an interface it lacks", CreateLacking<false>, E_NOINTERFACE},
    {"create aggregated, an interface it lacks", CreateLacking<true>, CLASS_E_NOAGGREGATION},
    {"GetIDsOfNames", OnNewObject<FindName>},
    {"GetTypeInfo", OnNewObject<FetchTypeInfo>},
    {"Invoke MemMark", OnNewObject<InvokeMember<DISPID_QV_MemMark>>},
    {"Invoke MemSave", OnNewObject<InvokeMember<DISPID_QV_MemSave>>},
    {"Invoke MemPopup", OnNewObject<InvokeMember<DISPID_QV_MemPopup>>},
    {"Invoke StartEventReporting", OnNewObject<InvokeMember<DISPID_QV_StartEventReporting>>},
    {"Invoke StopEventReporting", OnNewObject<InvokeMember<DISPID_QV_StopEventReporting>>},
    {"Invoke EventReportingState", OnNewObject<InvokeMember<DISPID_QV_EventReportingState>>},
    {"Invoke EnableErrorPopup", OnNewObject<InvokeMember<DISPID_QV_EnableErrorPopup>>},
    {"plain exports", PlainExports},
    {"LockServer", LockTheServer},
};

// Failures that a registration goes on past by design: a value or a
// key that cannot be written or deleted, a number that does not convert.
bool IgnoredByRegistration(const std::string& function) {
  for (const char* ignored : {"RegSetValueExA", "RegDeleteKeyA", "RegDeleteValueA", "VarI4FromStr"})
    if (function == ignored) return true;
  return false;
}

class FaultInjection : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(core_.loaded());
    for (const char* procedure : {"MarkMemory", "SaveMemory", "DoMemoryPopup", "EnableErrorPopup"})
      core_.SetResult(procedure, kCoreResult);
    Restore("set-up");
  }

  // The registration every other scenario starts from.
  static void Restore(const std::string& where) {
    WipeRegistrations();
    EXPECT_EQ(Register(LoadedServer()), S_OK) << where;
  }

  // One run of the scenario with the call at `failAt` failed (0: none),
  // once or from there on; returns the functions it called, after
  // checking what it left. Named before it starts, so that a crash or a
  // hang is attributed.
  std::vector<const char*> Run(const Scenario& scenario, long failAt, bool sticky = false,
                               const char* function = nullptr) {
    const std::string where = std::string(scenario.name) + ", call " + std::to_string(failAt) +
                              (function ? std::string(" (") + function + ")" : "") +
                              (sticky ? " and every later one" : "");
    std::printf("fault injection: %s\n", where.c_str());
    std::fflush(stdout);
    const std::string held = faults::Held();
    if (scenario.blocks) {
      WipeRegistrations();
      clean_ = Written(*scenario.blocks, scenario.root);
    }
    faults::PretendModuleFile(scenario.script);
    std::vector<const char*> calls;
    {
      LoadedServer server;
      faults::Arm(failAt, sticky);
      const HRESULT hr = scenario.run(server);
      calls = faults::Disarm();
      EXPECT_TRUE(failAt ? hr == S_OK || FAILED(hr) : hr == scenario.expected)
          << where << ": " << std::hex << hr;
      EXPECT_TRUE(faults::FailedFunction() != "LoadRegTypeLib" || hr == E_OUTOFMEMORY)
          << where << ": not the failure of the type library's load";
      if (scenario.blocks) CheckRegistration(scenario, hr, where);
      EXPECT_TRUE(ClassesRootIsTheMachines()) << where << ": HKEY_CLASSES_ROOT left redirected";
      EXPECT_EQ(server.Call("DllCanUnloadNow"), S_OK) << where << ": the module stays locked";
    }
    faults::PretendModuleFile(nullptr);
    EXPECT_EQ(faults::Held(), held) << where << ": not given back";
    EXPECT_EQ(faults::Misuse(), "") << where;
    if (scenario.run == Register || scenario.run == Unregister || scenario.run == RegisterForUser)
      Restore(where);
    return calls;
  }

  // From a clean slate, S_OK means that every block wrote all it does; a
  // failure leaves the blocks before the failing one whole, and nothing of
  // the others.
  void CheckRegistration(const Scenario& scenario, HRESULT hr, const std::string& where) {
    if (IgnoredByRegistration(faults::FailedFunction())) return;
    const std::vector<std::string> written = Written(*scenario.blocks, scenario.root);
    if (faults::FailedFunction().empty()) {
      for (const std::string& block : written)
        EXPECT_EQ(block.find("(missing)"), std::string::npos) << where << ": not registered";
      registered_ = written;
    } else if (hr == S_OK) {
      EXPECT_EQ(written, registered_) << where << ": a failure reported as success";
    } else {
      std::size_t whole = 0;
      while (whole < written.size() && written[whole] == registered_[whole]) ++whole;
      for (std::size_t block = whole; block < written.size(); ++block)
        EXPECT_EQ(written[block], clean_[block]) << where << ": left by a failed registration";
    }
  }

  static standins::LoadedCore core_;
  std::vector<std::string> registered_, clean_;
};

standins::LoadedCore FaultInjection::core_(standins::ExecutableFolder() + "ZELKCORE.DLL");

TEST_F(FaultInjection, EveryFailurePointIsSurvived) {
  std::size_t points = 0;
  for (const Scenario& scenario : kScenarios) {
    const std::vector<const char*> calls = Run(scenario, 0);
    EXPECT_FALSE(calls.empty()) << scenario.name << " made no platform call";
    for (std::size_t position = 1; position <= calls.size() && !HasFailure(); ++position) {
      for (bool sticky : {false, true}) Run(scenario, long(position), sticky, calls[position - 1]);
    }
    points += calls.size();
  }
  if (HasFailure()) return;
  std::printf(
      "fault injection: %zu failure points across %zu scenarios survived, "
      "each failed once and from there on\n",
      points, std::size(kScenarios));
}

// A registration or an unregistration for the machine beside a per-user
// run, paused after it has redirected HKEY_CLASSES_ROOT, waits for it and
// acts wholly on the machine's classes.
TEST_F(FaultInjection, MachineRunsWaitForAPerUserRun) {
  const std::vector<std::string> registered = Written(kServerBlocks);
  EXPECT_EQ(Unregister(LoadedServer()), S_OK);
  const std::vector<std::string> unregistered = Written(kServerBlocks);
  for (const auto& [machineRun, expected] :
       {std::pair(Register, &registered), std::pair(Unregister, &unregistered)}) {
    WipeRegistrations();
    if (machineRun == Unregister) Register(LoadedServer());  // what it takes out
    LoadedServer server;
    std::future<HRESULT> forMachine;
    faults::PauseAt("GetModuleFileNameA", [&, run = machineRun] {
      forMachine = std::async(std::launch::async, run, std::cref(server));
      forMachine.wait_for(std::chrono::seconds(1));  // long enough to land, were it let through
    });
    EXPECT_EQ(RegisterForUser(server), S_OK);
    EXPECT_EQ(forMachine.get(), S_OK);
    EXPECT_EQ(Written(kServerBlocks), *expected);
    EXPECT_EQ(Written(kServerBlocks, kUser), registered);
  }
  Restore("after the per-user runs");
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
                                      Invoke(dispatch.get(), DISPID_QV_MemSave),
                                      Invoke(dispatch.get(), DISPID_QV_EventReportingState)});
  };
  // One object lives throughout, as in a client that holds one, so the
  // type information stays loaded. The first cycle makes what the module
  // keeps until it is unloaded (its class object); from then on, every
  // cycle gives back all it takes.
  ComPtr<IQV_Api> held;
  ASSERT_EQ(server.NewObject(nullptr, IID_IQV_Api, reinterpret_cast<void**>(held.put())), S_OK);
  ASSERT_EQ(cycle(), S_OK);
  const std::string taken = faults::Held();
  for (int i = 1; i < 100000; ++i) ASSERT_EQ(cycle(), S_OK) << "cycle " << i;
  EXPECT_EQ(faults::Held(), taken);
  held.reset();
  EXPECT_EQ(server.Call("DllCanUnloadNow"), S_OK);
}

}  // namespace
}  // namespace qvapi
