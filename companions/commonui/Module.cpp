// OrloCommonUI.dll: wizard pages the module and the console share. Ordinal 7
// makes the progress page of the multiple-computer wizards.
#include "common/ModuleState.h"
#include "companions/commonui/ProgressPage.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        vantrel::module::SetInstance(instance);
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

// A wizard-97 page handle and the page's IProgressPage (one reference the
// caller owns).
extern "C" HRESULT WINAPI CreateProgressPage(HPROPSHEETPAGE* page, vantrel::IProgressPage** progress) {
    return vantrel::commonui::ProgressPage::Create(page, progress);
}
