// Vantrel.dll's entry points: module start and stop, the class objects and
// self-registration.
#include "Vantrel_h.h"
#include "common/ClassFactory.h"
#include "common/ModuleState.h"
#include "common/Registrar.h"
#include "common/Result.h"
#include "component/BrevCompInfo.h"
#include "component/ComputerResMgmtUI.h"
#include "component/ImageLists.h"
#include "component/Module.h"
#include "component/WizardComponents.h"

#include <commctrl.h>

namespace vantrel {
namespace {

struct ClassEntry {
    const CLSID* clsid;
    CreateFunction create;
    UINT registrationScript;
    ClassFactory* factory;  // created on first request, kept until unload
};

ClassEntry g_classes[] = {
    {&CLSID_ComputerResMgmtUI, &ComputerResMgmtUI::Create, 101, nullptr},
    {&CLSID_MngSvcsWizard, &MngSvcsWizard::Create, 149, nullptr},
    {&CLSID_ServiceEditor, &ServiceEditor::Create, 180, nullptr},
    {&CLSID_MultiComputerOp, &MultiComputerOp::Create, 197, nullptr},
    {&CLSID_BrevCompInfo, &BrevCompInfo::Create, 259, nullptr},
};

CRITICAL_SECTION g_factoryLock;

void StartModule(HINSTANCE instance) {
    module::SetInstance(instance);
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0x3FFF};
    ::InitCommonControlsEx(&controls);
    ::InitializeCriticalSection(&g_factoryLock);
    ::DisableThreadLibraryCalls(instance);
}

void StopModule(bool processEnding) {
    // At process exit other modules may already be gone: leave the rest to
    // the system.
    if (processEnding) return;
    DestroyImageLists();
    for (auto& entry : g_classes) {
        if (entry.factory) entry.factory->Release();
        entry.factory = nullptr;
    }
    ::DeleteCriticalSection(&g_factoryLock);
}

}  // namespace
}  // namespace vantrel

using namespace vantrel;

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

STDAPI DllRegisterServer() {
    for (const auto& entry : g_classes)
        RETURN_IF_FAILED(RunRegistrationScript(module::Instance(), entry.registrationScript, true));
    return RegisterModuleTypeLibrary();
}

STDAPI DllUnregisterServer() {
    for (const auto& entry : g_classes) RunRegistrationScript(module::Instance(), entry.registrationScript, false);
    UnregisterModuleTypeLibrary();
    return S_OK;
}
