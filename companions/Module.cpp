// VantrelCompanions.dll's entry points: the class objects of the credentials
// store and the activity log, and self-registration with the type library.
#include "Companions_h.h"
#include "common/ClassTable.h"
#include "common/ComPtr.h"
#include "common/ModuleState.h"
#include "common/Result.h"
#include "companions/ActivityLog.h"
#include "companions/CompanionResources.h"
#include "companions/CredentialStore.h"

#include <oleauto.h>

namespace vantrel::companions {
namespace {

// CredentialRecord has no entry: records come only from the store.
ClassTable<2> g_classes({{
    {&CLSID_CredentialStore, &CredentialStore::Create, IDR_CREDENTIALSTORE},
    {&CLSID_ActivityLog, &ActivityLog::Create, IDR_ACTIVITYLOG},
}});

void StartModule(HINSTANCE instance) {
    module::SetInstance(instance);
    g_classes.Start();
    ::DisableThreadLibraryCalls(instance);
}

void StopModule(bool processEnding) {
    // At process exit other modules may already be gone: leave the rest to
    // the system.
    if (processEnding) return;
    g_classes.Stop();
}

// The library embedded as TYPELIB 1, registered under our own path.
HRESULT RegisterTypeLibrary() {
    wchar_t path[MAX_PATH];
    RETURN_LAST_ERROR_IF(!module::Path(path, MAX_PATH));
    ComPtr<ITypeLib> library;
    RETURN_IF_FAILED(::LoadTypeLibEx(path, REGKIND_NONE, library.Put()));
    return ::RegisterTypeLib(library.Get(), path, nullptr);
}

void UnregisterTypeLibrary() {
    wchar_t path[MAX_PATH];
    if (!module::Path(path, MAX_PATH)) return;
    ComPtr<ITypeLib> library;
    if (FAILED(::LoadTypeLibEx(path, REGKIND_NONE, library.Put()))) return;
    TLIBATTR* attributes = nullptr;
    if (FAILED(library->GetLibAttr(&attributes))) return;
    ::UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum, attributes->lcid,
                        attributes->syskind);
    library->ReleaseTLibAttr(attributes);
}

}  // namespace
}  // namespace vantrel::companions

using namespace vantrel;
using namespace vantrel::companions;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) StartModule(instance);
    if (reason == DLL_PROCESS_DETACH) StopModule(reserved != nullptr);
    return TRUE;
}

STDAPI DllCanUnloadNow() { return module::LockCount() == 0 ? S_OK : S_FALSE; }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) { return g_classes.GetClassObject(clsid, iid, out); }

STDAPI DllUnregisterServer() {
    g_classes.RunScripts(module::Instance(), false);
    UnregisterTypeLibrary();
    return S_OK;
}

STDAPI DllRegisterServer() {
    HRESULT hr = g_classes.RunScripts(module::Instance(), true);
    if (SUCCEEDED(hr)) hr = RegisterTypeLibrary();
    // Half a registration is worse than none.
    if (FAILED(hr)) DllUnregisterServer();
    return hr;
}
