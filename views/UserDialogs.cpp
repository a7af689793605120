#include "views/UserDialogs.h"

#include "common/AccountNames.h"
#include "common/ErrorText.h"
#include "common/PlatHandles.h"
#include "common/ResourceText.h"
#include "platform/NetManagement.h"
#include "resources/AccountNamesIds.h"
#include "resources/AccountsViewIds.h"

namespace vantrel {
namespace {

constexpr int kNameChars = 20;
constexpr int kTextChars = 256;

bool Checked(HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void SetBox(HWND dialog, int id, bool checked, bool enabled) {
    ::CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
    ::EnableWindow(::GetDlgItem(dialog, id), enabled);
}

int ShowAccountsBox(HWND owner, const std::wstring& text, UINT style) {
    return ::MessageBoxW(owner, text.c_str(), LoadText(IDS_TITLE_LOCAL_USERS_AND_GROUPS).c_str(), style);
}

// Password and confirmation agree, or the user is told so.
bool ConfirmPassword(HWND dialog) {
    if (PasswordsMatch(WindowText(::GetDlgItem(dialog, IDC_USER_PASSWORD)),
                       WindowText(::GetDlgItem(dialog, IDC_USER_CONFIRM))))
        return true;
    ShowAccountsBox(dialog, LoadText(IDS_PASSWORD_MISMATCH), MB_ICONERROR);
    return false;
}

}  // namespace

NewUserDialog::NewUserDialog(std::wstring server) : Dialog(IDD_NEW_USER), server_(std::move(server)) {}

BOOL NewUserDialog::OnInitDialog() {
    ::SendDlgItemMessageW(Window(), IDC_USER_NAME, EM_LIMITTEXT, kNameChars, 0);
    ::SendDlgItemMessageW(Window(), IDC_USER_FULL_NAME, EM_LIMITTEXT, kTextChars, 0);
    ::SendDlgItemMessageW(Window(), IDC_USER_DESCRIPTION, EM_LIMITTEXT, kTextChars, 0);
    Reset();
    return TRUE;
}

void NewUserDialog::Reset() {
    for (int id : {IDC_USER_NAME, IDC_USER_FULL_NAME, IDC_USER_DESCRIPTION, IDC_USER_PASSWORD, IDC_USER_CONFIRM})
        ::SetDlgItemTextW(Window(), id, L"");
    ShowBoxes(ApplyPasswordBoxRule(PasswordBoxes{}));
    SetBox(Window(), IDC_USER_DISABLED, false, true);
    ::EnableWindow(Item(IDC_CREATE), FALSE);
    ::SetFocus(Item(IDC_USER_NAME));
}

void NewUserDialog::ShowBoxes(const PasswordBoxes& boxes) {
    SetBox(Window(), IDC_USER_MUST_CHANGE, boxes.mustChange, boxes.mustChangeEnabled);
    SetBox(Window(), IDC_USER_CANNOT_CHANGE, boxes.cannotChange, boxes.cannotChangeEnabled);
    SetBox(Window(), IDC_USER_NEVER_EXPIRES, boxes.neverExpires, boxes.neverExpiresEnabled);
}

PasswordBoxes NewUserDialog::ReadBoxes() const {
    PasswordBoxes boxes;
    boxes.mustChange = Checked(Window(), IDC_USER_MUST_CHANGE);
    boxes.cannotChange = Checked(Window(), IDC_USER_CANNOT_CHANGE);
    boxes.neverExpires = Checked(Window(), IDC_USER_NEVER_EXPIRES);
    boxes.mustChangeEnabled = ::IsWindowEnabled(Item(IDC_USER_MUST_CHANGE)) != FALSE;
    boxes.cannotChangeEnabled = ::IsWindowEnabled(Item(IDC_USER_CANNOT_CHANGE)) != FALSE;
    boxes.neverExpiresEnabled = ::IsWindowEnabled(Item(IDC_USER_NEVER_EXPIRES)) != FALSE;
    return boxes;
}

void NewUserDialog::OnCommand(UINT id, UINT code, HWND control) {
    switch (id) {
        case IDC_USER_NAME:
            if (code == EN_CHANGE) ::EnableWindow(Item(IDC_CREATE), ::GetWindowTextLengthW(control) > 0);
            return;
        case IDC_USER_MUST_CHANGE:
        case IDC_USER_CANNOT_CHANGE:
        case IDC_USER_NEVER_EXPIRES:
            if (code == BN_CLICKED) ShowBoxes(ApplyPasswordBoxRule(ReadBoxes()));
            return;
        case IDC_CREATE:
            if (code == BN_CLICKED) Create();
            return;
        case IDOK:
            return;  // Enter creates nothing: Create is the dialog's only way to add
        default:
            Dialog::OnCommand(id, code, control);
    }
}

void NewUserDialog::Create() {
    if (!ConfirmPassword(Window())) return;
    const std::wstring name = WindowText(Item(IDC_USER_NAME));
    if (!AcceptAccountName(Window(), server_.c_str(), name)) return;
    std::wstring password = WindowText(Item(IDC_USER_PASSWORD));
    std::wstring fullName = WindowText(Item(IDC_USER_FULL_NAME));
    std::wstring description = WindowText(Item(IDC_USER_DESCRIPTION));
    const PasswordBoxes boxes = ReadBoxes();

    USER_INFO_2 info{};
    info.usri2_name = const_cast<LPWSTR>(name.c_str());
    info.usri2_password = password.data();  // an empty password goes as an empty string
    info.usri2_priv = USER_PRIV_USER;
    info.usri2_comment = description.data();
    info.usri2_full_name = fullName.data();
    info.usri2_flags = NewUserFlags(boxes, Checked(Window(), IDC_USER_DISABLED),
                                    ::IsWindowEnabled(Item(IDC_USER_DISABLED)) != FALSE);
    info.usri2_acct_expires = TIMEQ_FOREVER;
    info.usri2_max_storage = USER_MAXSTORAGE_UNLIMITED;
    DWORD failingField = 0;
    const NET_API_STATUS status = plat::NetUserAdd(server_.c_str(), 2, reinterpret_cast<LPBYTE>(&info), &failingField);
    if (status != NERR_Success) {
        if (IsNameRejection(status, &failingField, USER_NAME_PARMNUM))
            ShowBadNameMessage(Window(), name, BadNameRule::Platform);
        else
            ShowErrorMessage(HRESULT_FROM_WIN32(status), LoadText(IDS_TITLE_LOCAL_USERS_AND_GROUPS).c_str(), nullptr,
                             Window(), MB_ICONERROR);
        if (!IsNameRejection(status, &failingField, USER_NAME_PARMNUM)) Reset();
        return;
    }
    FinishAccount(name, boxes);
    ++created_;
    Reset();
}

void NewUserDialog::FinishAccount(const std::wstring& name, const PasswordBoxes& boxes) const {
    if (boxes.mustChangeEnabled) {
        UniqueNetBuffer buffer;
        if (plat::NetUserGetInfo(server_.c_str(), name.c_str(), 3, PutNetBuffer(buffer)) == NERR_Success) {
            auto* user = static_cast<USER_INFO_3*>(buffer.Get());
            const DWORD wanted = boxes.mustChange ? 1 : 0;
            if (user->usri3_password_expired != wanted) {
                user->usri3_password_expired = wanted;
                plat::NetUserSetInfo(server_.c_str(), name.c_str(), 3, reinterpret_cast<LPBYTE>(user), nullptr);
            }
        }
    }
    std::wstring users;
    SidBytes sid;
    if (FAILED(BuiltinUsersGroupName(server_.c_str(), users)) || FAILED(AccountNameToSid(server_.c_str(), name.c_str(), sid)))
        return;
    LOCALGROUP_MEMBERS_INFO_0 member{sid.data()};
    plat::NetLocalGroupAddMembers(server_.c_str(), users.c_str(), 0, reinterpret_cast<LPBYTE>(&member), 1);
}

SetPasswordDialog::SetPasswordDialog(std::wstring server, std::wstring user)
    : Dialog(IDD_SET_PASSWORD), server_(std::move(server)), user_(std::move(user)) {}

void SetPasswordDialog::OnCommand(UINT id, UINT code, HWND control) {
    if (id != IDOK) {
        Dialog::OnCommand(id, code, control);
        return;
    }
    if (!ConfirmPassword(Window())) return;
    std::wstring password = WindowText(Item(IDC_USER_PASSWORD));
    USER_INFO_1003 info{password.data()};  // an empty password goes as an empty string
    const NET_API_STATUS status =
        plat::NetUserSetInfo(server_.c_str(), user_.c_str(), 1003, reinterpret_cast<LPBYTE>(&info), nullptr);
    ::ShowWindow(Window(), SW_HIDE);
    HWND owner = ::GetWindow(Window(), GW_OWNER);
    if (status == NERR_Success) {
        ShowAccountsBox(owner, LoadText(IDS_PASSWORD_CHANGED), MB_ICONINFORMATION);
    } else {
        ShowAccountsBox(owner,
                        ComposeErrorMessage(HRESULT_FROM_WIN32(status), FormatText(IDS_PASSWORD_NOT_SET, {user_}).c_str()),
                        MB_ICONERROR);
    }
    Close(IDOK);
}

}  // namespace vantrel
