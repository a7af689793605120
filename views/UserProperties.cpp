#include "views/UserProperties.h"

#include "platform/NetManagement.h"

#include "common/Dialog.h"
#include "common/ErrorText.h"
#include "common/Handles.h"
#include "common/PlatHandles.h"
#include "common/PropertySheetHost.h"
#include "common/ResourceText.h"
#include "common/Result.h"
#include "resources/AccountNamesIds.h"
#include "resources/AccountsViewIds.h"
#include "resources/UserPropsIds.h"
#include "views/DialInPage.h"

#include <lmjoin.h>

namespace vantrel {
namespace {

constexpr int kPathLimit = 250;

int ShowFailure(HWND owner, HRESULT code, UINT contextId) {
    return ShowErrorMessage(static_cast<DWORD>(code), LoadText(IDS_TITLE_LOCAL_USERS_AND_GROUPS).c_str(),
                            contextId ? LoadText(contextId).c_str() : nullptr, owner, MB_ICONERROR);
}

bool Checked(HWND page, int id) { return ::IsDlgButtonChecked(page, id) == BST_CHECKED; }
bool Enabled(HWND page, int id) { return ::IsWindowEnabled(::GetDlgItem(page, id)) != FALSE; }
void Check(HWND page, int id, bool on) { ::CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED); }

std::wstring TextProperty(IADsUser& user, HRESULT (STDMETHODCALLTYPE IADsUser::*get)(BSTR*)) {
    UniqueBstr value;
    if (FAILED((user.*get)(value.Put()))) return {};
    return value ? std::wstring(value.Get(), ::SysStringLen(value.Get())) : std::wstring();
}

HRESULT PutText(IADsUser& user, HRESULT (STDMETHODCALLTYPE IADsUser::*put)(BSTR), const std::wstring& text) {
    UniqueBstr value(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    RETURN_HR_IF(E_OUTOFMEMORY, !value);
    return (user.*put)(value.Get());
}

HRESULT GetNamed(IADsUser& user, const wchar_t* name, UniqueVariant& value) {
    UniqueBstr property(::SysAllocString(name));
    RETURN_HR_IF(E_OUTOFMEMORY, !property);
    return user.Get(property.Get(), value.Put());
}

HRESULT PutNamed(IADsUser& user, const wchar_t* name, const VARIANT& value) {
    UniqueBstr property(::SysAllocString(name));
    RETURN_HR_IF(E_OUTOFMEMORY, !property);
    return user.Put(property.Get(), value);
}

HRESULT PutNumber(IADsUser& user, const wchar_t* name, LONG number) {
    VARIANT value;
    value.vt = VT_I4;
    value.lVal = number;
    return PutNamed(user, name, value);
}

HRESULT PutNamedText(IADsUser& user, const wchar_t* name, const std::wstring& text) {
    UniqueVariant value;
    VARIANT* v = value.Put();
    v->vt = VT_BSTR;
    v->bstrVal = ::SysAllocString(text.c_str());
    RETURN_HR_IF(E_OUTOFMEMORY, !v->bstrVal);
    return PutNamed(user, name, value.Get());
}

// A number property (flags, yes/no values); 0 when it cannot be read.
LONG NumberProperty(IADsUser& user, const wchar_t* name) {
    UniqueVariant value;
    if (FAILED(GetNamed(user, name, value))) return 0;
    UniqueVariant number;
    if (FAILED(::VariantChangeType(number.Put(), const_cast<VARIANT*>(&value.Get()), 0, VT_I4))) return 0;
    return number.Get().lVal;
}

std::wstring ServerName(const std::wstring& computer) {
    if (computer.empty() || computer.rfind(L"\\\\", 0) == 0) return computer;
    return L"\\\\" + computer;
}

}  // namespace

HRESULT UserObjectDomain(const std::wstring& computer, std::wstring* domain) {
    RETURN_HR_IF(E_POINTER, !domain);
    domain->clear();
    LPWSTR name = nullptr;
    NETSETUP_JOIN_STATUS status = NetSetupUnknownStatus;
    NET_API_STATUS result = plat::NetGetJoinInformation(computer.c_str(), &name, &status);
    UniqueNetBuffer joined(name);
    if (result == NERR_Success && status == NetSetupDomainName && name) {
        *domain = name;
        return S_OK;
    }
    UniqueNetBuffer buffer;
    result = plat::NetWkstaGetInfo(const_cast<LMSTR>(computer.c_str()), 100, PutNetBuffer(buffer));
    if (result != NERR_Success) RETURN_WIN32(result);
    const auto* info = static_cast<const WKSTA_INFO_100*>(buffer.Get());
    if (info && info->wki100_langroup) *domain = info->wki100_langroup;
    return S_OK;
}

HRESULT BindUserObject(const std::wstring& computer, const std::wstring& user, ComPtr<IADsUser>* object) {
    RETURN_HR_IF(E_POINTER, !object);
    object->Reset();
    std::wstring domain;
    RETURN_IF_FAILED(UserObjectDomain(computer, &domain));
    const std::wstring plain = computer.rfind(L"\\\\", 0) == 0 ? computer.substr(2) : computer;
    const std::wstring path = UserObjectPath(domain, plain, user);
    ComPtr<IADsUser> bound;
    RETURN_IF_FAILED(plat::ADsGetObject(path.c_str(), IID_IADsUser, bound.PutVoid()));
    RETURN_HR_IF(E_POINTER, !bound);
    *object = std::move(bound);
    return S_OK;
}

// --- General ----------------------------------------------------------------

UserGeneralPage::UserGeneralPage(UserSheet& sheet) : PropertyPage(IDD_USER_GENERAL), sheet_(sheet) {}

GeneralBoxes UserGeneralPage::ReadBoxes() const {
    HWND page = Window();
    GeneralBoxes boxes;
    boxes.password.mustChange = Checked(page, IDC_UP_MUST_CHANGE);
    boxes.password.cannotChange = Checked(page, IDC_UP_CANNOT_CHANGE);
    boxes.password.neverExpires = Checked(page, IDC_UP_NEVER_EXPIRES);
    boxes.password.mustChangeEnabled = Enabled(page, IDC_UP_MUST_CHANGE);
    boxes.password.cannotChangeEnabled = Enabled(page, IDC_UP_CANNOT_CHANGE);
    boxes.password.neverExpiresEnabled = Enabled(page, IDC_UP_NEVER_EXPIRES);
    boxes.disabled = Checked(page, IDC_UP_DISABLED);
    boxes.lockedOut = Checked(page, IDC_UP_LOCKED_OUT);
    boxes.lockedOutEnabled = lockedOutEnabled_;
    return boxes;
}

void UserGeneralPage::ShowBoxes(const GeneralBoxes& boxes) {
    HWND page = Window();
    const PasswordBoxes& p = boxes.password;
    Check(page, IDC_UP_MUST_CHANGE, p.mustChange);
    Check(page, IDC_UP_CANNOT_CHANGE, p.cannotChange);
    Check(page, IDC_UP_NEVER_EXPIRES, p.neverExpires);
    ::EnableWindow(Item(IDC_UP_MUST_CHANGE), p.mustChangeEnabled);
    ::EnableWindow(Item(IDC_UP_CANNOT_CHANGE), p.cannotChangeEnabled);
    ::EnableWindow(Item(IDC_UP_NEVER_EXPIRES), p.neverExpiresEnabled);
    Check(page, IDC_UP_DISABLED, boxes.disabled);
    Check(page, IDC_UP_LOCKED_OUT, boxes.lockedOut);
    ::EnableWindow(Item(IDC_UP_LOCKED_OUT), boxes.lockedOutEnabled);
}

BOOL UserGeneralPage::OnInitDialog() {
    ::SetDlgItemTextW(Window(), IDC_UP_NAME, sheet_.row.name.c_str());
    ::SendDlgItemMessageW(Window(), IDC_UP_FULL_NAME, EM_LIMITTEXT, MAXCOMMENTSZ, 0);
    ::SendDlgItemMessageW(Window(), IDC_UP_DESCRIPTION, EM_LIMITTEXT, MAXCOMMENTSZ, 0);
    ::SetDlgItemTextW(Window(), IDC_UP_FULL_NAME, sheet_.row.fullName.c_str());
    ::SetDlgItemTextW(Window(), IDC_UP_DESCRIPTION, sheet_.row.description.c_str());
    const DWORD flags = static_cast<DWORD>(NumberProperty(*sheet_.user.Get(), L"UserFlags"));
    const bool expired = NumberProperty(*sheet_.user.Get(), L"PasswordExpired") == 1;
    GeneralBoxes boxes = GeneralBoxesFor(flags, expired);
    boxes.password = ApplyPasswordBoxRule(boxes.password);
    lockedOutEnabled_ = boxes.lockedOutEnabled;
    ShowBoxes(boxes);
    SetModified(false);
    // The sheet selects the whole first field when it focuses the page; show
    // the full name from its start, unselected.
    ::PostMessageW(Item(IDC_UP_FULL_NAME), EM_SETSEL, 0, 0);
    return TRUE;
}

void UserGeneralPage::OnCommand(UINT id, UINT code, HWND) {
    switch (id) {
        case IDC_UP_FULL_NAME:
        case IDC_UP_DESCRIPTION:
            if (code == EN_CHANGE && !IsModified()) SetModified(true);
            break;
        case IDC_UP_MUST_CHANGE:
        case IDC_UP_CANNOT_CHANGE:
        case IDC_UP_NEVER_EXPIRES:
            if (code != BN_CLICKED) break;
            {
                GeneralBoxes boxes = ReadBoxes();
                boxes.password = ApplyPasswordBoxRule(boxes.password);
                ShowBoxes(boxes);
            }
            SetModified(true);
            break;
        case IDC_UP_DISABLED:
        case IDC_UP_LOCKED_OUT:
            if (code == BN_CLICKED) SetModified(true);
            break;
        default: break;
    }
}

LRESULT UserGeneralPage::OnApply() {
    if (!IsModified()) return PSNRET_NOERROR;
    IADsUser& user = *sheet_.user.Get();
    const std::wstring fullName = WindowText(Item(IDC_UP_FULL_NAME));
    const std::wstring description = WindowText(Item(IDC_UP_DESCRIPTION));
    const GeneralBoxes boxes = ReadBoxes();
    const DWORD flags = GeneralFlags(boxes);
    HRESULT hr = PutText(user, &IADsUser::put_FullName, fullName);
    if (SUCCEEDED(hr)) hr = PutText(user, &IADsUser::put_Description, description);
    if (SUCCEEDED(hr)) hr = PutNumber(user, L"UserFlags", static_cast<LONG>(flags));
    if (SUCCEEDED(hr) && boxes.password.mustChangeEnabled)
        hr = PutNumber(user, L"PasswordExpired", boxes.password.mustChange ? 1 : 0);
    if (SUCCEEDED(hr)) hr = user.SetInfo();
    if (FAILED(hr)) {
        ShowFailure(Window(), hr, IDS_UP_GENERAL_NOT_SET);
        ::PostMessageW(SheetWindow(), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        return PSNRET_INVALID_NOCHANGEPAGE;
    }
    constexpr DWORD kPageFlags = UF_PASSWD_CANT_CHANGE | UF_DONT_EXPIRE_PASSWD | UF_ACCOUNTDISABLE | UF_LOCKOUT;
    sheet_.row.fullName = fullName;
    sheet_.row.description = description;
    sheet_.row.flags = (sheet_.row.flags & ~kPageFlags) | flags;
    SetModified(false);
    return PSNRET_NOERROR;
}

// --- Profile ----------------------------------------------------------------

UserProfilePage::UserProfilePage(UserSheet& sheet) : PropertyPage(IDD_USER_PROFILE), sheet_(sheet) {}

bool UserProfilePage::ConnectMode() const { return Checked(Window(), IDC_UP_CONNECT_RADIO); }

void UserProfilePage::ApplyRadioRule() {
    const bool connect = ConnectMode();
    ::EnableWindow(Item(IDC_UP_LOCAL_PATH), !connect);
    ::EnableWindow(Item(IDC_UP_CONNECT_PATH), connect);
    ::EnableWindow(Item(IDC_UP_DRIVE), connect);
}

BOOL UserProfilePage::OnInitDialog() {
    for (int id : {IDC_UP_PROFILE_PATH, IDC_UP_LOCAL_PATH, IDC_UP_CONNECT_PATH})
        ::SendDlgItemMessageW(Window(), id, EM_LIMITTEXT, kPathLimit, 0);
    HWND drives = Item(IDC_UP_DRIVE);
    for (const std::wstring& drive : DriveTexts())
        ::SendMessageW(drives, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(drive.c_str()));
    ::SendMessageW(drives, CB_SETCURSEL, DriveIndex(L"Z:"), 0);
    Check(Window(), IDC_UP_LOCAL_RADIO, true);

    IADsUser& user = *sheet_.user.Get();
    const std::wstring profile = TextProperty(user, &IADsUser::get_Profile);
    const std::wstring script = TextProperty(user, &IADsUser::get_LoginScript);
    const std::wstring home = TextProperty(user, &IADsUser::get_HomeDirectory);
    if (!profile.empty()) ::SetDlgItemTextW(Window(), IDC_UP_PROFILE_PATH, profile.c_str());
    if (!script.empty()) ::SetDlgItemTextW(Window(), IDC_UP_LOGON_SCRIPT, script.c_str());
    if (!home.empty()) {
        UniqueVariant drive;
        const bool connect = SUCCEEDED(GetNamed(user, L"HomeDirDrive", drive)) && drive.Get().vt == VT_BSTR &&
                             ::SysStringLen(drive.Get().bstrVal) > 0;
        if (connect) {
            Check(Window(), IDC_UP_LOCAL_RADIO, false);
            Check(Window(), IDC_UP_CONNECT_RADIO, true);
            ::SendMessageW(drives, CB_SETCURSEL, DriveIndex(drive.Get().bstrVal), 0);
            ::SetDlgItemTextW(Window(), IDC_UP_CONNECT_PATH, home.c_str());
        } else {
            ::SetDlgItemTextW(Window(), IDC_UP_LOCAL_PATH, home.c_str());
        }
    }
    ApplyRadioRule();
    SetModified(false);
    return TRUE;
}

void UserProfilePage::OnCommand(UINT id, UINT code, HWND) {
    switch (id) {
        case IDC_UP_PROFILE_PATH:
        case IDC_UP_LOGON_SCRIPT:
        case IDC_UP_LOCAL_PATH:
        case IDC_UP_CONNECT_PATH:
            if (code == EN_CHANGE && !IsModified()) SetModified(true);
            break;
        case IDC_UP_LOCAL_RADIO:
        case IDC_UP_CONNECT_RADIO:
            if (code != BN_CLICKED) break;
            ApplyRadioRule();
            SetModified(true);
            break;
        case IDC_UP_DRIVE:
            if (code == CBN_SELCHANGE) SetModified(true);
            break;
        default: break;
    }
}

bool UserProfilePage::Validate() {
    const bool connect = ConnectMode();
    const std::wstring text = WindowText(Item(connect ? IDC_UP_CONNECT_PATH : IDC_UP_LOCAL_PATH));
    if (connect ? IsValidSharePath(text) : IsValidLocalPath(text)) return true;
    ::MessageBoxW(Window(), FormatText(connect ? IDS_UP_SHARE_INVALID : IDS_UP_PATH_INVALID, {text}).c_str(),
                  LoadText(IDS_TITLE_LOCAL_USERS_AND_COMPUTERS).c_str(), MB_ICONERROR);
    return false;
}

LRESULT UserProfilePage::OnNotify(const NMHDR& header) {
    if (header.code == PSN_KILLACTIVE) return Validate() ? FALSE : TRUE;
    return 0;
}

LRESULT UserProfilePage::OnApply() {
    if (!IsModified()) return PSNRET_NOERROR;
    if (!Validate()) return PSNRET_INVALID_NOCHANGEPAGE;
    IADsUser& user = *sheet_.user.Get();
    const bool connect = ConnectMode();
    std::wstring drive;
    if (connect) {
        const LRESULT index = ::SendMessageW(Item(IDC_UP_DRIVE), CB_GETCURSEL, 0, 0);
        const std::vector<std::wstring> drives = DriveTexts();
        if (index >= 0 && static_cast<size_t>(index) < drives.size()) drive = drives[static_cast<size_t>(index)];
    }
    HRESULT hr = PutText(user, &IADsUser::put_Profile, WindowText(Item(IDC_UP_PROFILE_PATH)));
    if (SUCCEEDED(hr)) hr = PutText(user, &IADsUser::put_LoginScript, WindowText(Item(IDC_UP_LOGON_SCRIPT)));
    if (SUCCEEDED(hr))
        hr = PutText(user, &IADsUser::put_HomeDirectory,
                     WindowText(Item(connect ? IDC_UP_CONNECT_PATH : IDC_UP_LOCAL_PATH)));
    if (SUCCEEDED(hr)) hr = PutNamedText(user, L"HomeDirDrive", drive);
    if (SUCCEEDED(hr)) hr = user.SetInfo();
    if (FAILED(hr)) {
        ShowFailure(Window(), hr, IDS_UP_PROFILE_NOT_SET);
        return PSNRET_INVALID_NOCHANGEPAGE;
    }
    SetModified(false);
    return PSNRET_NOERROR;
}

// --- the sheet --------------------------------------------------------------

HRESULT RunUserProperties(HWND owner, const std::wstring& computer, UserRow& row) {
    UserSheet sheet{row, computer, ServerName(computer), {}};
    if (const HRESULT hr = BindUserObject(computer, row.name, &sheet.user); FAILED(hr)) {
        ShowFailure(owner, hr, 0);
        return hr;
    }
    UserGeneralPage general(sheet);
    UserMemberOfPage memberOf(sheet);
    UserProfilePage profile(sheet);
    DialInPage dialIn(sheet.server, sheet.computer, row.name);
    PropertySheetHost host(owner, 0, 0);
    host.SetCaption(FormatText(IDS_GROUP_PROPERTIES, {row.name}));
    for (PropertyPage* page : {static_cast<PropertyPage*>(&general), static_cast<PropertyPage*>(&memberOf),
                               static_cast<PropertyPage*>(&profile), static_cast<PropertyPage*>(&dialIn)}) {
        RETURN_IF_FAILED(host.AddPage(*page));
    }
    host.Run();
    row = sheet.row;
    return S_OK;
}

}  // namespace vantrel
