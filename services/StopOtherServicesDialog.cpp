#include "services/StopOtherServicesDialog.h"

#include "common/ModuleState.h"
#include "common/ResourceText.h"
#include "resources/ServicesIds.h"

namespace vantrel {

namespace {

struct Request {
    const std::wstring* service;
    const std::vector<std::wstring>* dependents;
};

void OnInitDialog(HWND window, const Request& request) {
    ::SetDlgItemTextW(window, IDC_SVC_SERVICE_TEXT,
                      FormatText(LoadText(IDS_STOP_OTHERS_PROMPT), {*request.service}).c_str());
    for (const std::wstring& name : *request.dependents)
        ::SendDlgItemMessageW(window, IDC_SVC_DEPENDENTS_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(window, *reinterpret_cast<const Request*>(lParam));
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                ::EndDialog(window, LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        default: return FALSE;
    }
}

}  // namespace

INT_PTR AskStopOtherServices(HWND owner, const std::wstring& serviceDisplayName,
                             const std::vector<std::wstring>& dependentDisplayNames) {
    Request request{&serviceDisplayName, &dependentDisplayNames};
    return ::DialogBoxParamW(module::Instance(), MAKEINTRESOURCEW(IDD_STOP_OTHER_SERVICES), owner, &DialogProc,
                             reinterpret_cast<LPARAM>(&request));
}

}  // namespace vantrel
