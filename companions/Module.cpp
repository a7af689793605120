// VantrelCompanions.dll's entry points: the class objects of the credentials
// store, the activity log, the registry component and the registry entry
// selector, and self-registration with the type library.
#include "Companions_h.h"
#include "common/ComServer.h"
#include "companions/ActivityLog.h"
#include "companions/CompanionResources.h"
#include "companions/CredentialStore.h"
#include "companions/RegistryComponent.h"
#include "companions/RegistryEntrySelector.h"

namespace vantrel::companions {
namespace {

// CredentialRecord has no entry: records come only from the store.
ComServer<4> g_server({{
    {&CLSID_CredentialStore, &CredentialStore::Create, IDR_CREDENTIALSTORE},
    {&CLSID_ActivityLog, &ActivityLog::Create, IDR_ACTIVITYLOG},
    {&CLSID_RegistryComponent, &RegistryComponent::Create, IDR_REGISTRYCOMPONENT},
    {&CLSID_RegistryEntrySelector, &RegistryEntrySelector::Create, IDR_REGISTRYENTRYSELECTOR},
}});

}  // namespace
}  // namespace vantrel::companions

using namespace vantrel;
using namespace vantrel::companions;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) g_server.Attach(instance);
    if (reason == DLL_PROCESS_DETACH) g_server.Detach(reserved != nullptr);
    return TRUE;
}

VANTREL_COM_SERVER_EXPORTS(g_server)
