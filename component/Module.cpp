// Vantrel.dll's entry points: module start and stop, the class objects and
// self-registration.
#include "Vantrel_h.h"
#include "common/ComServer.h"
#include "common/ImageLists.h"
#include "component/BrevCompInfo.h"
#include "component/ComputerResMgmtUI.h"
#include "component/WizardComponents.h"

#include <commctrl.h>

namespace vantrel {
namespace {

ComServer<5> g_server({{
    {&CLSID_ComputerResMgmtUI, &ComputerResMgmtUI::Create, 101},
    {&CLSID_MngSvcsWizard, &MngSvcsWizard::Create, 149},
    {&CLSID_ServiceEditor, &ServiceEditor::Create, 180},
    {&CLSID_MultiComputerOp, &MultiComputerOp::Create, 197},
    {&CLSID_BrevCompInfo, &BrevCompInfo::Create, 259},
}});

}  // namespace
}  // namespace vantrel

using namespace vantrel;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, 0x3FFF};
        ::InitCommonControlsEx(&controls);
        g_server.Attach(instance);
    }
    if (reason == DLL_PROCESS_DETACH) {
        if (!reserved) DestroyImageLists();
        g_server.Detach(reserved != nullptr);
    }
    return TRUE;
}

VANTREL_COM_SERVER_EXPORTS(g_server)
