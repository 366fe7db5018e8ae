#include "server/class_table.h"

#include "automation/qv_api.h"
#include "server/class_factory.h"

namespace qvapi {

ClassEntry g_classTable[] = {
    {&CLSID_QV_Api, ATL::CComClassFactory::CreateClassObject, CQV_Api::CreateInstance,
     {nullptr}},
    {nullptr, nullptr, nullptr, {nullptr}},
};

}  // namespace qvapi
