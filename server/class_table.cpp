#include "server/class_table.h"

#include "automation/qv_api.h"
#include "server/com_class_factory.h"
#include "server/server_module.h"

namespace qvapi {

namespace {

// The registration script of QV_Api: resource "REGISTRY" 101.
constexpr UINT kQvApiScript = 101;

HRESULT WINAPI UpdateQvApiRegistry(BOOL registering) {
  return g_serverModule.RunRegistrationScript(kQvApiScript, registering, nullptr);
}

const char* NoDescription() { return nullptr; }

}  // namespace

ClassEntry g_classTable[] = {
    {&CLSID_QV_Api,
     UpdateQvApiRegistry,
     ATL::CComClassFactory::CreateClassObject,
     CQV_Api::CreateInstance,
     {nullptr},
     NoDescription},
    {nullptr, nullptr, nullptr, nullptr, {nullptr}, nullptr},
};

}  // namespace qvapi
