#include "services/editor/LogOnPage.h"

#include "common/AccountNames.h"
#include "common/Dialog.h"
#include "common/ResourceText.h"
#include "resources/EditorIds.h"
#include "resources/ServicesIds.h"
#include "services/ServiceAccountPicker.h"
#include "services/editor/PageMessages.h"


namespace vantrel {

namespace {

// Platforms before this major version run shared service processes only as
// the local system.
constexpr DWORD kFirstSharedAccountMajor = 5;
constexpr int kProfileNameShare = 3;  // of 4: the name column's part of the list width

constexpr int kAccountControls[] = {IDC_LOGON_ACCOUNT, IDC_LOGON_BROWSE, IDC_LOGON_PASSWORD_LABEL,
                                    IDC_LOGON_PASSWORD, IDC_LOGON_CONFIRM_LABEL, IDC_LOGON_CONFIRM};

bool Checked(HWND page, int id) { return ::IsDlgButtonChecked(page, id) == BST_CHECKED; }

void Enable(HWND page, int id, bool enable) { ::EnableWindow(::GetDlgItem(page, id), enable); }

}  // namespace

LogOnPage::LogOnPage(ServiceEditorState& state) : PropertyPage(IDD_SERVICE_LOGON), state_(state) {}

BOOL LogOnPage::OnInitDialog() {
    DWORD type = 0;
    UniqueCoTaskMem block;
    if (SUCCEEDED(state_.service.QueryConfig(block))) {
        const auto* config = static_cast<const QUERY_SERVICE_CONFIGW*>(block.Get());
        type = config->dwServiceType;
        if (!IsLocalSystemAccount(config->lpServiceStartName)) lastApplied_ = config->lpServiceStartName;
    }
    if (lastApplied_ == kLocalSystem) {
        ::CheckDlgButton(Window(), IDC_LOGON_INTERACT, (type & SERVICE_INTERACTIVE_PROCESS) ? BST_CHECKED : BST_UNCHECKED);
        ChooseLocalSystem();
    } else {
        ChooseAccount();
    }
    if (type & SERVICE_WIN32_SHARE_PROCESS) {
        DWORD major = 0;
        const wchar_t* server = state_.computer.empty() ? nullptr : state_.computer.c_str();
        if (SUCCEEDED(ServerMajorVersion(server, major)) && major < kFirstSharedAccountMajor) {
            for (int id : {IDC_LOGON_GROUP, IDC_LOGON_LOCAL_SYSTEM, IDC_LOGON_INTERACT, IDC_LOGON_THIS_ACCOUNT})
                Enable(Window(), id, false);
            EnableAccountFields(false);
        }
    }
    FillProfiles();
    return TRUE;
}

void LogOnPage::SetFields(const std::wstring& account, const std::wstring& password, const std::wstring& confirm) {
    loading_ = true;
    ::SetDlgItemTextW(Window(), IDC_LOGON_ACCOUNT, account.c_str());
    ::SetDlgItemTextW(Window(), IDC_LOGON_PASSWORD, password.c_str());
    ::SetDlgItemTextW(Window(), IDC_LOGON_CONFIRM, confirm.c_str());
    loading_ = false;
}

void LogOnPage::EnableAccountFields(bool enable) {
    for (int id : kAccountControls) Enable(Window(), id, enable);
}

void LogOnPage::ChooseLocalSystem() {
    ::CheckRadioButton(Window(), IDC_LOGON_LOCAL_SYSTEM, IDC_LOGON_THIS_ACCOUNT, IDC_LOGON_LOCAL_SYSTEM);
    SetFields(L"", L"", L"");
    Enable(Window(), IDC_LOGON_INTERACT, true);
    EnableAccountFields(false);
}

void LogOnPage::ChooseAccount() {
    ::CheckRadioButton(Window(), IDC_LOGON_LOCAL_SYSTEM, IDC_LOGON_THIS_ACCOUNT, IDC_LOGON_THIS_ACCOUNT);
    // Coming from the local system the user names the account anew.
    SetFields(lastApplied_ == kLocalSystem ? std::wstring() : lastApplied_, password_, confirm_);
    Enable(Window(), IDC_LOGON_INTERACT, false);
    EnableAccountFields(true);
}

LogOnEntry LogOnPage::Entry() const {
    LogOnEntry entry;
    entry.localSystem = Checked(Window(), IDC_LOGON_LOCAL_SYSTEM);
    entry.account = WindowText(Item(IDC_LOGON_ACCOUNT));
    entry.password = WindowText(Item(IDC_LOGON_PASSWORD));
    entry.confirm = WindowText(Item(IDC_LOGON_CONFIRM));
    entry.lastApplied = lastApplied_;
    return entry;
}

void LogOnPage::Warn(UINT textId, UINT style) {
    ::MessageBoxW(Window(), LoadText(textId).c_str(), LoadText(IDS_EDITOR_WARNING_TITLE).c_str(), style);
}

void LogOnPage::OnCommand(UINT id, UINT code, HWND) {
    switch (id) {
        case IDC_LOGON_LOCAL_SYSTEM:
        case IDC_LOGON_THIS_ACCOUNT:
            if (code != BN_CLICKED) break;
            if (id == IDC_LOGON_LOCAL_SYSTEM)
                ChooseLocalSystem();
            else
                ChooseAccount();
            SetModified(true);
            break;
        case IDC_LOGON_INTERACT:
            if (code == BN_CLICKED) SetModified(true);
            break;
        case IDC_LOGON_ACCOUNT:
        case IDC_LOGON_PASSWORD:
        case IDC_LOGON_CONFIRM:
            if (code == EN_CHANGE && !loading_) SetModified(true);
            break;
        case IDC_LOGON_BROWSE:
            if (code == BN_CLICKED) Browse();
            break;
        case IDC_LOGON_ENABLE:
        case IDC_LOGON_DISABLE:
            if (code == BN_CLICKED) SetProfileEnabled(id == IDC_LOGON_ENABLE);
            break;
        default: break;
    }
}

LRESULT LogOnPage::OnNotify(const NMHDR& header) {
    if (header.idFrom == IDC_LOGON_PROFILES && header.code == LVN_ITEMCHANGED) UpdateProfileButtons();
    return 0;
}

void LogOnPage::Browse() {
    std::wstring name;
    PickedAccount outcome;
    const HRESULT hr = PickServiceAccount(Window(), state_.computer, name, outcome);
    if (FAILED(hr)) {
        ShowPageError(Window(), hr, 0);
        return;
    }
    if (outcome == PickedAccount::NoDownlevelName) Warn(IDS_EDITOR_NO_DOWNLEVEL_NAME);
    if (outcome != PickedAccount::Named) return;
    ::SetDlgItemTextW(Window(), IDC_LOGON_ACCOUNT, name.c_str());  // marks the page changed
}

bool LogOnPage::Validate(LogOnEntry& entry) {
    if (entry.localSystem) return true;
    if (entry.account.empty()) {
        Warn(IDS_EDITOR_INVALID_ACCOUNT);
        return false;
    }
    const std::wstring rewritten = RewriteComputerAccount(entry.account);
    if (rewritten != entry.account) {
        entry.account = rewritten;
        loading_ = true;
        ::SetDlgItemTextW(Window(), IDC_LOGON_ACCOUNT, rewritten.c_str());
        loading_ = false;
    }
    return true;
}

LRESULT LogOnPage::OnApply() {
    if (!IsModified()) return PSNRET_NOERROR;
    LogOnEntry entry = Entry();
    if (!Validate(entry)) return PSNRET_INVALID;
    if (entry.localSystem || IsLocalSystemAccount(entry.account.c_str())) {
        // What the local system account runs with needs no password: the
        // write cannot be refused for the page's own reasons.
        (void)state_.service.SetLocalSystem(Checked(Window(), IDC_LOGON_INTERACT));
        lastApplied_ = kLocalSystem;
        password_ = kPasswordPlaceholder;
        confirm_ = kConfirmPlaceholder;
        ChooseLocalSystem();
    } else if (AccountChanged(entry) || PasswordTouched(entry)) {
        switch (CheckPasswords(entry)) {
            case PasswordVerdict::Mismatch: Warn(IDS_EDITOR_PASSWORD_MISMATCH); return PSNRET_INVALID;
            case PasswordVerdict::NeedPassword: Warn(IDS_EDITOR_NEED_PASSWORD); return PSNRET_INVALID;
            case PasswordVerdict::Accept: break;
        }
        const HRESULT hr = state_.service.SetAccount(entry.account.c_str(), entry.password.c_str());
        if (SUCCEEDED(hr)) {
            lastApplied_ = entry.account;
            password_ = confirm_ = entry.password;
        } else if (ShowPageError(Window(), hr, IDS_EDITOR_ACCOUNT_FAILED, MB_YESNO | MB_ICONERROR) == IDYES) {
            return PSNRET_INVALID;  // back to the account
        }
    }
    if (profilesChanged_) {
        const HRESULT hr = state_.service.SetHardwareProfiles(profiles_);
        if (FAILED(hr)) ShowPageError(Window(), hr, IDS_EDITOR_PROFILES_FAILED);
        profilesChanged_ = false;
    }
    SetModified(false);
    return PSNRET_NOERROR;
}

// --- Hardware profiles ------------------------------------------------------

void LogOnPage::FillProfiles() {
    HWND list = Item(IDC_LOGON_PROFILES);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    RECT client{};
    ::GetClientRect(list, &client);
    const int width = client.right - client.left;
    const std::wstring nameTitle = LoadText(IDS_COLUMN_HARDWARE_PROFILE);
    const std::wstring stateTitle = LoadText(IDS_COLUMN_SERVICE);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = width * kProfileNameShare / 4;
    column.pszText = const_cast<wchar_t*>(nameTitle.c_str());
    ListView_InsertColumn(list, 0, &column);
    column.cx = width - width * kProfileNameShare / 4;
    column.pszText = const_cast<wchar_t*>(stateTitle.c_str());
    ListView_InsertColumn(list, 1, &column);

    const HRESULT hr = state_.service.EnumHardwareProfiles(profiles_);
    if (FAILED(hr)) ShowPageError(Window(), hr, IDS_EDITOR_PROFILES_ENUM_FAILED);
    for (size_t i = 0; i < profiles_.size(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(profiles_[i].friendlyName.c_str());
        ListView_InsertItem(list, &item);
        ShowProfile(static_cast<int>(i));
    }
    UpdateProfileButtons();
}

void LogOnPage::ShowProfile(int index) {
    const std::wstring text =
        LoadText(profiles_[static_cast<size_t>(index)].enabled ? IDS_EDITOR_PROFILE_ENABLED : IDS_EDITOR_PROFILE_DISABLED);
    ListView_SetItemText(Item(IDC_LOGON_PROFILES), index, 1, const_cast<wchar_t*>(text.c_str()));
}

int LogOnPage::ChosenProfile() const {
    HWND list = Item(IDC_LOGON_PROFILES);
    for (UINT flags : {static_cast<UINT>(LVNI_SELECTED | LVNI_FOCUSED), static_cast<UINT>(LVNI_SELECTED),
                       static_cast<UINT>(LVNI_FOCUSED)}) {
        const int index = ListView_GetNextItem(list, -1, flags);
        if (index >= 0 && static_cast<size_t>(index) < profiles_.size()) return index;
    }
    return -1;
}

void LogOnPage::UpdateProfileButtons() {
    const int index = ChosenProfile();
    const bool enabled = index >= 0 && profiles_[static_cast<size_t>(index)].enabled;
    Enable(Window(), IDC_LOGON_ENABLE, index >= 0 && !enabled);
    Enable(Window(), IDC_LOGON_DISABLE, enabled);
}

void LogOnPage::SetProfileEnabled(bool enabled) {
    const int index = ChosenProfile();
    if (index < 0) return;
    profiles_[static_cast<size_t>(index)].enabled = enabled;
    ShowProfile(index);
    UpdateProfileButtons();
    profilesChanged_ = true;
    SetModified(true);
}

}  // namespace vantrel
