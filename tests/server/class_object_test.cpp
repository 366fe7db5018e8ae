// The class object of QV_Api through the DLL's COM entry points, and
// objects made through the COM runtime on both kinds of apartment.

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shlwapi.h>

#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "QVAPI.h"
#include "automation/com_ptr.h"
#include "standins/event_reporting/event_reporting_control.h"
#include "tests/resources/server_module_path.h"
#include "tests/server_names.h"

namespace {

using qvapi::ComPtr;

void* const kSentinel = reinterpret_cast<void*>(0x5EE5EE);
const CLSID kOtherClass = {
    0x3F6A9C11, 0x8E4B, 0x41D7, {0xB2, 0xC5, 0x6D, 0x0E, 0x7A, 0x19, 0xF3, 0xB4}};

// The COM entry points are private exports: found by name, as COM does.
template <class Fn>
Fn Export(const char* name) {
  return reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("QVAPI.DLL"), name)));
}
const auto GetClassObject = Export<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
const auto CanUnloadNow = Export<HRESULT(WINAPI*)()>("DllCanUnloadNow");

ComPtr<IClassFactory> Factory() {
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(
      GetClassObject(CLSID_QV_Api, IID_IClassFactory, reinterpret_cast<void**>(factory.put())),
      S_OK);
  return factory;
}

// An outer object that only counts the calls it receives.
struct CountingOuter : IUnknown {
  STDMETHOD(QueryInterface)(REFIID, void**) override { return ++calls, E_NOINTERFACE; }
  STDMETHOD_(ULONG, AddRef)() override { return ++calls; }
  STDMETHOD_(ULONG, Release)() override { return ++calls; }
  int calls = 0;
};

TEST(ClassObject, RequestsAreAnsweredByOneCachedFactory) {
  struct Request {
    const CLSID* clsid;
    const IID* iid;
    HRESULT expected;
    void* leftInOut;
  };
  const Request kRequests[] = {
      {&CLSID_QV_Api, &IID_IDispatch, E_NOINTERFACE, nullptr},
      {&CLSID_QV_Api, &IID_IClassFactory, S_OK, nullptr},
      {&CLSID_QV_Api, &IID_IUnknown, S_OK, nullptr},
      {&kOtherClass, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE, kSentinel},
  };
  ComPtr<IClassFactory> factory = Factory();
  for (const Request& request : kRequests) {
    void* out = kSentinel;
    EXPECT_EQ(GetClassObject(*request.clsid, *request.iid, &out), request.expected);
    if (request.expected == S_OK) {
      EXPECT_EQ(out, static_cast<void*>(factory.get()));
      static_cast<IUnknown*>(out)->Release();
    } else {
      EXPECT_EQ(out, request.leftInOut);
    }
  }
  EXPECT_EQ(GetClassObject(CLSID_QV_Api, IID_IClassFactory, nullptr), E_POINTER);
}

TEST(ClassObject, LockCountDecidesWhetherTheDllMayUnload) {
  ComPtr<IClassFactory> factory = Factory();
  EXPECT_EQ(CanUnloadNow(), S_OK);  // a held class object does not count
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(CanUnloadNow(), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);  // unmatched: the count is -1
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);

  ComPtr<IUnknown> object;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(object.put())),
            S_OK);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  object.reset();
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

TEST(ClassObject, CreateInstanceRefusalsCallNothing) {
  ComPtr<IClassFactory> factory = Factory();
  CountingOuter outer;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IQV_Api, nullptr), E_POINTER);
  void* out = kSentinel;
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IQV_Api, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(outer.calls, 0);
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

// The class keys and the type library that the COM runtime reads, written
// for the built DLL into this private prefix and removed afterwards.
class RegisteredServer : public ::testing::Test {
 protected:
  static constexpr const char* kClassKey = qvapi::testing::kClassKey;

  void SetUp() override {
    Remove();
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CLASSES_ROOT, (std::string(kClassKey) + "\\InprocServer32").c_str(), 0,
                        nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    char path[MAX_PATH];
    WideCharToMultiByte(CP_ACP, 0, ServerModulePath().c_str(), -1, path, MAX_PATH, nullptr,
                        nullptr);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<BYTE*>(path), lstrlenA(path) + 1);
    RegSetValueExA(key, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>("Both"), 5);
    RegCloseKey(key);
    ComPtr<ITypeLib> library;
    ASSERT_EQ(LoadTypeLibEx(ServerModulePath().c_str(), REGKIND_REGISTER, library.put()), S_OK);
  }
  void TearDown() override { Remove(); }
  static void Remove() {
    SHDeleteKeyA(HKEY_CLASSES_ROOT, kClassKey);
    UnRegisterTypeLib(LIBID_QVAPILib, 1, 0, LOCALE_NEUTRAL, SYS_WIN32);
  }
};

// On a thread of its own in the given apartment: an object made by the COM
// runtime, called early- and late-bound, and the runtime's class object.
void UseThroughTheRuntime(DWORD apartment, IClassFactory* expectedFactory) {
  ASSERT_EQ(CoInitializeEx(nullptr, apartment), S_OK);
  {
    ComPtr<IQV_Api> api;
    ASSERT_EQ(CoCreateInstance(CLSID_QV_Api, nullptr, CLSCTX_INPROC_SERVER, IID_IQV_Api,
                               reinterpret_cast<void**>(api.put())),
              S_OK);
    EvtStandinSetResult("EvtReportingState", 12);
    LONG state = 0;
    EXPECT_EQ(api->get_EventReportingState(&state), S_OK);
    EXPECT_EQ(state, 12);

    DISPPARAMS none = {};
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(api->Invoke(DISPID_QV_EventReportingState, IID_NULL, LOCALE_USER_DEFAULT,
                          DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(V_I4(&result), 12);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_QV_Api, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(factory.put())),
              S_OK);
    EXPECT_EQ(factory.get(), expectedFactory);
    CoFreeUnusedLibraries();
    EXPECT_EQ(api->MemMark(), S_OK);  // still loaded while the object lives
  }
  CoUninitialize();
}

TEST_F(RegisteredServer, CoCreateInstanceWorksOnStaAndMtaThreads) {
  ComPtr<IClassFactory> factory = Factory();
  for (DWORD apartment : {COINIT_APARTMENTTHREADED, COINIT_MULTITHREADED}) {
    std::thread([&] { UseThroughTheRuntime(apartment, factory.get()); }).join();
  }
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

}  // namespace
