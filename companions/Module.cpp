// VantrelCompanions.dll's entry points: the class objects of the credentials
// store and the activity log, and self-registration with the type library.
#include "Companions_h.h"
#include "common/ClassFactory.h"
#include "common/ComPtr.h"
#include "common/ModuleState.h"
#include "common/Registrar.h"
#include "common/Result.h"
#include "companions/ActivityLog.h"
#include "companions/CompanionResources.h"
#include "companions/CredentialStore.h"

#include <oleauto.h>

#include <new>

namespace vantrel::companions {
namespace {

struct ClassEntry {
    const CLSID* clsid;
    CreateFunction create;
    UINT registrationScript;
    ClassFactory* factory;  // created on first request, kept until unload
};

// CredentialRecord has no entry: records come only from the store.
ClassEntry g_classes[] = {
    {&CLSID_CredentialStore, &CredentialStore::Create, IDR_CREDENTIALSTORE, nullptr},
    {&CLSID_ActivityLog, &ActivityLog::Create, IDR_ACTIVITYLOG, nullptr},
};

CRITICAL_SECTION g_factoryLock;

void StartModule(HINSTANCE instance) {
    module::SetInstance(instance);
    ::InitializeCriticalSection(&g_factoryLock);
    ::DisableThreadLibraryCalls(instance);
}

void StopModule(bool processEnding) {
    // At process exit other modules may already be gone: leave the rest to
    // the system.
    if (processEnding) return;
    for (auto& entry : g_classes) {
        if (entry.factory) entry.factory->Release();
        entry.factory = nullptr;
    }
    ::DeleteCriticalSection(&g_factoryLock);
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

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (auto& entry : g_classes) {
        if (!IsEqualCLSID(clsid, *entry.clsid)) continue;
        ::EnterCriticalSection(&g_factoryLock);
        if (!entry.factory) entry.factory = new (std::nothrow) ClassFactory(entry.create);
        ClassFactory* factory = entry.factory;
        ::LeaveCriticalSection(&g_factoryLock);
        if (!factory) return E_OUTOFMEMORY;
        return factory->QueryInterface(iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllUnregisterServer() {
    for (const auto& entry : g_classes) RunRegistrationScript(module::Instance(), entry.registrationScript, false);
    UnregisterTypeLibrary();
    return S_OK;
}

STDAPI DllRegisterServer() {
    HRESULT hr = S_OK;
    for (const auto& entry : g_classes) {
        hr = RunRegistrationScript(module::Instance(), entry.registrationScript, true);
        if (FAILED(hr)) break;
    }
    if (SUCCEEDED(hr)) hr = RegisterTypeLibrary();
    // Half a registration is worse than none.
    if (FAILED(hr)) DllUnregisterServer();
    return hr;
}
