#pragma once
// The wizards' resource list: the services of the source computer, for the
// user to check the ones the wizard works on.
#include "wizards/selection/SelectionListPage.h"

#include <string>

namespace vantrel {

class ResourceListPage : public SelectionListPage {
public:
    ResourceListPage();

    // Rebuilds the table from the services of the computer `value` names (a
    // BSTR; E_POINTER for none, E_INVALIDARG for another type). A computer
    // whose services cannot be listed is reported in a message box and its
    // error returned; the list stays empty then.
    HRESULT SetSourceComputer(const VARIANT* value);

    // The Manage Services Wizard lists the checked rows as services in the
    // summary; otherwise the summary names the rows marked selected.
    void SetServicesSummary(bool on) noexcept { servicesSummary_ = on; }

    std::wstring SummaryText() const override;

private:
    HRESULT ListServices(const std::wstring& computer);

    bool servicesSummary_ = false;
};

}  // namespace vantrel
