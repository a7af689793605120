#pragma once
// The Recovery page of a service's property sheet: what the computer does when
// the service fails (three actions, the reset period, the restart delay, the
// "Run a File" command and the reboot options), read and written as one
// record.
#include "common/Handles.h"
#include "common/PropertyPage.h"
#include "services/RecoveryActions.h"
#include "services/editor/ServiceEditorState.h"

namespace vantrel {

// Whether the sheet offers the page, given how reading the stored actions
// went: not when the service's platform has no recovery support (120).
bool OffersRecoveryPage(HRESULT readResult) noexcept;

// Which groups of the page can be used for the chosen actions.
struct RecoveryEnabling {
    bool restartDelay = false;    // any "Restart the Service"
    bool runFile = false;         // any "Run a File"
    bool rebootOptions = false;   // any "Reboot the Computer"
};
RecoveryEnabling EnablingFor(const RecoveryFields& fields);

class RecoveryPage final : public PropertyPage {
public:
    // `readResult` and `stored` are the outcome of reading the service's
    // recovery actions (the block is kept until the page opens).
    RecoveryPage(ServiceEditorState& state, HRESULT readResult, UniqueCoTaskMem stored);

    // The fields as the page has them (for tests and the sheet).
    const RecoveryFields& Fields() const noexcept { return fields_; }

protected:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    LRESULT OnApply() override;

private:
    void ShowFields();
    void CollectFields();
    void UpdateEnabling();
    void EnableGroups(const RecoveryEnabling& enabling);
    void Browse();
    void EditRebootOptions();

    ServiceEditorState& state_;
    HRESULT readResult_;
    UniqueCoTaskMem stored_;
    RecoveryFields fields_;
    bool showing_ = false;  // controls are being filled: their notifications change nothing
};

}  // namespace vantrel
