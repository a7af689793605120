// VantrelCompanions.dll's entry points: the class objects of the credentials
// store and the activity log, and self-registration with the type library.
#include "Companions_h.h"
#include "common/ComServer.h"
#include "companions/ActivityLog.h"
#include "companions/CompanionResources.h"
#include "companions/CredentialStore.h"

namespace vantrel::companions {
namespace {

// CredentialRecord has no entry: records come only from the store.
ComServer<2> g_server({{
    {&CLSID_CredentialStore, &CredentialStore::Create, IDR_CREDENTIALSTORE},
    {&CLSID_ActivityLog, &ActivityLog::Create, IDR_ACTIVITYLOG},
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
