#include "automation_fixture.h"

#include "server/server_module.h"
#include "standins/event_reporting/event_reporting_control.h"
#include "tests/resources/server_module_path.h"

namespace qvapi::testing {

LONG RefCount(IUnknown* object) {
  object->AddRef();
  return static_cast<LONG>(object->Release());
}

LONG LockCount() { return g_serverModule.lockCount; }

STDMETHODIMP OuterObject::QueryInterface(REFIID iid, void** out) {
  if (InlineIsEqualGUID(iid, IID_IUnknown)) {
    *out = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  if (!inner_) {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  return inner_->QueryInterface(iid, out);
}

RegisteredTypeLibrary::RegisteredTypeLibrary() {
  Unregister();
  ComPtr<ITypeLib> library;
  EXPECT_EQ(LoadTypeLibEx(ServerModulePath().c_str(), REGKIND_REGISTER, library.put()), S_OK);
}

RegisteredTypeLibrary::~RegisteredTypeLibrary() { Unregister(); }

void RegisteredTypeLibrary::Unregister() {
  UnRegisterTypeLib(LIBID_QVAPILib, 1, 0, LOCALE_NEUTRAL, SYS_WIN32);
}

void AutomationTest::SetUp() {
  ASSERT_EQ(LockCount(), 0);
  EvtStandinReset();
}

void AutomationTest::TearDown() { EXPECT_EQ(LockCount(), 0) << "an object outlived its test"; }

}  // namespace qvapi::testing
