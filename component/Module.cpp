// Vantrel.dll's entry points: module start and stop, the class objects and
// self-registration.
#include "Vantrel_h.h"
#include "common/ClassTable.h"
#include "common/ModuleState.h"
#include "common/Result.h"
#include "component/BrevCompInfo.h"
#include "component/ComputerResMgmtUI.h"
#include "component/ImageLists.h"
#include "component/Module.h"
#include "component/WizardComponents.h"

#include <commctrl.h>

namespace vantrel {
namespace {

ClassTable<5> g_classes({{
    {&CLSID_ComputerResMgmtUI, &ComputerResMgmtUI::Create, 101},
    {&CLSID_MngSvcsWizard, &MngSvcsWizard::Create, 149},
    {&CLSID_ServiceEditor, &ServiceEditor::Create, 180},
    {&CLSID_MultiComputerOp, &MultiComputerOp::Create, 197},
    {&CLSID_BrevCompInfo, &BrevCompInfo::Create, 259},
}});

void StartModule(HINSTANCE instance) {
    module::SetInstance(instance);
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0x3FFF};
    ::InitCommonControlsEx(&controls);
    g_classes.Start();
    ::DisableThreadLibraryCalls(instance);
}

void StopModule(bool processEnding) {
    // At process exit other modules may already be gone: leave the rest to
    // the system.
    if (processEnding) return;
    DestroyImageLists();
    g_classes.Stop();
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

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) { return g_classes.GetClassObject(clsid, iid, out); }

STDAPI DllRegisterServer() {
    RETURN_IF_FAILED(g_classes.RunScripts(module::Instance(), true));
    return RegisterModuleTypeLibrary();
}

STDAPI DllUnregisterServer() {
    g_classes.RunScripts(module::Instance(), false);
    UnregisterModuleTypeLibrary();
    return S_OK;
}
