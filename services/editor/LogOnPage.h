#pragma once
// The "Log On" page of a service's property sheet: the account the service
// runs as, and the hardware profiles it runs in.
#include "common/PropertyPage.h"
#include "services/HardwareProfiles.h"
#include "services/editor/EditorRules.h"
#include "services/editor/ServiceEditorState.h"

#include <string>
#include <vector>

namespace vantrel {

class LogOnPage final : public PropertyPage {
public:
    explicit LogOnPage(ServiceEditorState& state);

protected:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    LRESULT OnNotify(const NMHDR& header) override;
    LRESULT OnApply() override;

private:
    void ChooseLocalSystem();
    void ChooseAccount();
    void EnableAccountFields(bool enable);
    void SetFields(const std::wstring& account, const std::wstring& password, const std::wstring& confirm);
    LogOnEntry Entry() const;
    // False after telling the user why the entry cannot be applied.
    bool Validate(LogOnEntry& entry);
    void Warn(UINT textId, UINT style = MB_ICONWARNING);
    void Browse();

    void FillProfiles();
    int ChosenProfile() const;
    void ShowProfile(int index);
    void UpdateProfileButtons();
    void SetProfileEnabled(bool enabled);

    ServiceEditorState& state_;
    std::wstring lastApplied_ = kLocalSystem;
    std::wstring password_ = kPasswordPlaceholder;
    std::wstring confirm_ = kConfirmPlaceholder;
    std::vector<HardwareProfile> profiles_;
    bool profilesChanged_ = false;
    bool loading_ = false;  // fields being filled by the page itself
};

}  // namespace vantrel
