#pragma once
// The user property sheet: "<user> Properties" with the pages General,
// Member Of, Profile and Dial-in, over the user object bound by its WinNT
// path. Run from the users view's worker, whose credentials its calls use.
#include "common/ComPtr.h"
#include "common/PropertyPage.h"
#include "views/GroupMembers.h"
#include "views/UserPropertyRules.h"

#include "platform/DirectoryService.h"

#include <string>

namespace vantrel {

// A row of the users view, as the sheet reads and updates it.
struct UserRow {
    std::wstring name;
    std::wstring fullName;
    std::wstring description;
    DWORD flags = 0;
};

// What the pages share: the row, the computer as the view names it, the
// server name with its leading backslashes, and the bound user object.
struct UserSheet {
    UserRow row;
    std::wstring computer;
    std::wstring server;
    ComPtr<IADsUser> user;
};

// The domain part of the user object's path: the domain the computer is
// joined to, else its workgroup (empty when it has none).
HRESULT UserObjectDomain(const std::wstring& computer, std::wstring* domain);
// Binds the user object of `user` on `computer` (ADsGetObject, IID_IADsUser).
HRESULT BindUserObject(const std::wstring& computer, const std::wstring& user, ComPtr<IADsUser>* object);

class UserGeneralPage final : public PropertyPage {
public:
    explicit UserGeneralPage(UserSheet& sheet);

private:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    LRESULT OnApply() override;
    GeneralBoxes ReadBoxes() const;
    void ShowBoxes(const GeneralBoxes& boxes);

    UserSheet& sheet_;
    bool lockedOutEnabled_ = false;
};

class UserProfilePage final : public PropertyPage {
public:
    explicit UserProfilePage(UserSheet& sheet);

private:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    LRESULT OnNotify(const NMHDR& header) override;
    LRESULT OnApply() override;
    void ApplyRadioRule();
    bool ConnectMode() const;
    // Shows the message of the first invalid path; false then.
    bool Validate();

    UserSheet& sheet_;
};

class UserMemberOfPage final : public PropertyPage {
public:
    explicit UserMemberOfPage(UserSheet& sheet);

private:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    LRESULT OnNotify(const NMHDR& header) override;
    LRESULT OnApply() override;
    void AddGroups();
    void ShowGroups();

    UserSheet& sheet_;
    MemberList initial_;
    MemberList current_;
};

// Binds the user object and shows the sheet owned by `owner`; `row` takes
// what the General page applied. When the object cannot be bound the error
// is shown ("Local Users and Groups") and returned, and there is no sheet.
HRESULT RunUserProperties(HWND owner, const std::wstring& computer, UserRow& row);

}  // namespace vantrel
