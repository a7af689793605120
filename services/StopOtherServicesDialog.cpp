#include "services/StopOtherServicesDialog.h"

#include "common/Dialog.h"
#include "common/ResourceText.h"
#include "resources/ServicesIds.h"

namespace vantrel {

namespace {

// "&Yes" is IDOK and "&No" IDCANCEL: the base closes with either.
class StopOtherServicesDialog final : public Dialog {
public:
    StopOtherServicesDialog(const std::wstring& service, const std::vector<std::wstring>& dependents)
        : Dialog(IDD_STOP_OTHER_SERVICES), service_(service), dependents_(dependents) {}

protected:
    BOOL OnInitDialog() override {
        const std::wstring prompt = FormatText(LoadText(IDS_STOP_OTHERS_PROMPT), {service_});
        ::SetDlgItemTextW(Window(), IDC_SVC_SERVICE_TEXT, prompt.c_str());
        for (const std::wstring& name : dependents_)
            ::SendDlgItemMessageW(Window(), IDC_SVC_DEPENDENTS_LIST, LB_ADDSTRING, 0,
                                  reinterpret_cast<LPARAM>(name.c_str()));
        return TRUE;
    }

private:
    const std::wstring& service_;
    const std::vector<std::wstring>& dependents_;
};

}  // namespace

INT_PTR AskStopOtherServices(HWND owner, const std::wstring& serviceDisplayName,
                             const std::vector<std::wstring>& dependentDisplayNames) {
    return StopOtherServicesDialog(serviceDisplayName, dependentDisplayNames).RunModal(owner);
}

}  // namespace vantrel
