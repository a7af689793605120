#pragma once
// The "General" page of a service's property sheet: names, path, startup
// type, and the status block with the control buttons.
#include "common/PropertyPage.h"
#include "services/editor/ServiceEditorState.h"

namespace vantrel {

enum class ServiceControlOperation;

class GeneralPage final : public PropertyPage {
public:
    // What a control job started from the page posts when it is over.
    static constexpr UINT kRefreshMessage = WM_APP + 1;

    explicit GeneralPage(ServiceEditorState& state);

protected:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    LRESULT OnApply() override;
    INT_PTR OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void LoadConfiguration();
    void RefreshStatus();
    void RunControl(ServiceControlOperation operation);
    // Shows a failed apply step; true when the user goes on with the others.
    bool ContinueAfter(HRESULT hr, UINT messageId);

    ServiceEditorState& state_;
    bool loading_ = false;  // fields being filled by the page itself
};

}  // namespace vantrel
