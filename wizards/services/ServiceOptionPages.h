#pragma once
// The Manage Services Wizard's two option pages: how the services log on,
// and their startup type and control operations. Both keep what the user
// chose in the options the sheet shares with its workers.
#include "wizards/pages/WizardPage.h"
#include "wizards/services/ServiceOptions.h"

#include <functional>
#include <string>

namespace vantrel {

// Which log-on controls are enabled for a choice.
struct LogOnEnabling {
    bool interact;
    bool account;  // the account field, Browse and both password fields
};
LogOnEnabling LogOnEnablingFor(LogOnChoice choice) noexcept;

class LogOnOptionsPage final : public WizardPage {
public:
    // `browseComputer` names the computer whose accounts Browse offers.
    LogOnOptionsPage(LogOnOptions& options, std::function<std::wstring()> browseComputer);

protected:
    BOOL OnInitDialog() override;
    LRESULT OnSetActive() override;
    LRESULT OnWizardNext() override;
    void OnCommand(UINT id, UINT code, HWND control) override;

private:
    LogOnChoice Choice() const;
    void UpdateControls();
    void Browse();

    LogOnOptions& options_;
    std::function<std::wstring()> browseComputer_;
    bool entered_ = false;
};

class StartupOptionsPage final : public WizardPage {
public:
    explicit StartupOptionsPage(ManageServicesOptions& options);
    // Runs after the mask was rebuilt on Next; its result is the page's answer.
    void SetNextHook(std::function<LRESULT()> hook) { nextHook_ = std::move(hook); }

    // The summary paragraphs of both option pages.
    std::wstring SummaryText() const override { return ManageServicesSummary(options_); }

protected:
    BOOL OnInitDialog() override;
    LRESULT OnSetActive() override;
    LRESULT OnWizardNext() override;
    LRESULT OnWizardBack() override;
    void OnCommand(UINT id, UINT code, HWND control) override;

private:
    StartupValues Read() const;
    void Store();
    void UpdateDependents();

    ManageServicesOptions& options_;
    std::function<LRESULT()> nextHook_;
    bool entered_ = false;
};

}  // namespace vantrel
