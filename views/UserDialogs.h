#pragma once
// The dialogs of the users view, shown modally from their workers so that
// their account calls run under the worker's credentials: New User (creates
// accounts one after another until it is closed) and Set Password.
#include "common/Dialog.h"
#include "views/AccountRules.h"

#include <string>

namespace vantrel {

class NewUserDialog final : public Dialog {
public:
    explicit NewUserDialog(std::wstring server);
    // Accounts created while the dialog was open.
    int Created() const noexcept { return created_; }

private:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    void Reset();
    void ShowBoxes(const PasswordBoxes& boxes);
    PasswordBoxes ReadBoxes() const;
    void Create();
    // After NetUserAdd: the password's expiry as the box says, and the
    // membership of the built-in Users group (whose failures are ignored).
    void FinishAccount(const std::wstring& name, const PasswordBoxes& boxes) const;

    std::wstring server_;
    int created_ = 0;
};

class SetPasswordDialog final : public Dialog {
public:
    SetPasswordDialog(std::wstring server, std::wstring user);

private:
    void OnCommand(UINT id, UINT code, HWND control) override;

    std::wstring server_;
    std::wstring user_;
};

}  // namespace vantrel
