#include "wizards/services/ServiceOptionPages.h"

#include "common/ErrorText.h"
#include "common/ResourceText.h"
#include "resources/SvcWizardIds.h"
#include "services/ServiceAccountPicker.h"

#include <vector>

namespace vantrel {
namespace {

constexpr int kAccountLength = 512;
constexpr int kAccountControls[] = {IDC_SVCWIZ_ACCOUNT, IDC_SVCWIZ_BROWSE, IDC_SVCWIZ_PASSWORD_LABEL,
                                    IDC_SVCWIZ_PASSWORD, IDC_SVCWIZ_CONFIRM_LABEL, IDC_SVCWIZ_CONFIRM};
constexpr UINT kStartTypeTexts[] = {IDS_SVCWIZ_AUTOMATIC, IDS_SVCWIZ_MANUAL, IDS_SVCWIZ_DISABLED};

bool Checked(HWND page, int id) { return ::IsDlgButtonChecked(page, id) == BST_CHECKED; }
void Enable(HWND page, int id, bool on) { ::EnableWindow(::GetDlgItem(page, id), on); }

// A field's text; password fields are wiped by the options that keep them.
std::wstring FieldText(HWND page, int id) {
    HWND field = ::GetDlgItem(page, id);
    std::vector<wchar_t> buffer(static_cast<size_t>(::GetWindowTextLengthW(field)) + 1);
    ::GetWindowTextW(field, buffer.data(), static_cast<int>(buffer.size()));
    std::wstring text(buffer.data());
    ::SecureZeroMemory(buffer.data(), buffer.size() * sizeof(wchar_t));
    return text;
}

}  // namespace

LogOnEnabling LogOnEnablingFor(LogOnChoice choice) noexcept {
    return {choice == LogOnChoice::LocalSystem, choice == LogOnChoice::ThisAccount};
}

// --- Log On ---------------------------------------------------------------

LogOnOptionsPage::LogOnOptionsPage(LogOnOptions& options, std::function<std::wstring()> browseComputer)
    : WizardPage(IDD_SVCWIZ_LOGON), options_(options), browseComputer_(std::move(browseComputer)) {
    SetHeaderTitle(LoadText(IDS_SVCWIZ_LOGON_TITLE));
    SetHeaderSubtitle(LoadText(IDS_SVCWIZ_LOGON_SUBTITLE));
}

BOOL LogOnOptionsPage::OnInitDialog() {
    ::SendDlgItemMessageW(Window(), IDC_SVCWIZ_ACCOUNT, EM_LIMITTEXT, kAccountLength, 0);
    const LogOnValues& shown = options_.values;
    if (shown.choice != LogOnChoice::None)
        ::CheckRadioButton(Window(), IDC_SVCWIZ_LOCAL_SYSTEM, IDC_SVCWIZ_THIS_ACCOUNT, static_cast<int>(shown.choice));
    ::CheckDlgButton(Window(), IDC_SVCWIZ_INTERACT, shown.interact ? BST_CHECKED : BST_UNCHECKED);
    ::SetDlgItemTextW(Window(), IDC_SVCWIZ_ACCOUNT, shown.account.c_str());
    UpdateControls();
    return TRUE;
}

LRESULT LogOnOptionsPage::OnSetActive() {
    // The change is judged against what the page showed the first time.
    if (!entered_) {
        options_.entered = options_.values;
        entered_ = true;
    }
    return WizardPage::OnSetActive();
}

LogOnChoice LogOnOptionsPage::Choice() const {
    if (Checked(Window(), IDC_SVCWIZ_LOCAL_SYSTEM)) return LogOnChoice::LocalSystem;
    if (Checked(Window(), IDC_SVCWIZ_THIS_ACCOUNT)) return LogOnChoice::ThisAccount;
    return LogOnChoice::None;
}

void LogOnOptionsPage::UpdateControls() {
    const LogOnEnabling enabling = LogOnEnablingFor(Choice());
    Enable(Window(), IDC_SVCWIZ_INTERACT, enabling.interact);
    for (int id : kAccountControls) Enable(Window(), id, enabling.account);
}

void LogOnOptionsPage::OnCommand(UINT id, UINT code, HWND) {
    if (code != BN_CLICKED) return;
    switch (id) {
    case IDC_SVCWIZ_LOCAL_SYSTEM:
    case IDC_SVCWIZ_THIS_ACCOUNT:
        UpdateControls();
        break;
    case IDC_SVCWIZ_BROWSE:
        Browse();
        break;
    default:
        break;
    }
}

void LogOnOptionsPage::Browse() {
    std::wstring name;
    PickedAccount outcome;
    const HRESULT hr = PickServiceAccount(Window(), browseComputer_ ? browseComputer_() : std::wstring(), name, outcome);
    if (FAILED(hr)) {
        ShowErrorMessage(static_cast<DWORD>(hr), LoadText(IDS_SVCWIZ_ERROR_TITLE).c_str(), nullptr, Window(),
                         MB_ICONERROR);
        return;
    }
    if (outcome == PickedAccount::NoDownlevelName)
        ::MessageBoxW(Window(), LoadText(IDS_SVCWIZ_NO_DOWNLEVEL_NAME).c_str(),
                      LoadText(IDS_SVCWIZ_WARNING_TITLE).c_str(), MB_ICONWARNING);
    if (outcome == PickedAccount::Named) ::SetDlgItemTextW(Window(), IDC_SVCWIZ_ACCOUNT, name.c_str());
}

LRESULT LogOnOptionsPage::OnWizardNext() {
    LogOnValues values;
    values.choice = Choice();
    values.interact = values.choice == LogOnChoice::LocalSystem && Checked(Window(), IDC_SVCWIZ_INTERACT);
    if (values.choice == LogOnChoice::ThisAccount) {
        values.account = FieldText(Window(), IDC_SVCWIZ_ACCOUNT);
        values.password = FieldText(Window(), IDC_SVCWIZ_PASSWORD);
    }
    std::wstring confirm = values.choice == LogOnChoice::ThisAccount ? FieldText(Window(), IDC_SVCWIZ_CONFIRM) : L"";
    const std::wstring typed = values.account;
    const LogOnVerdict verdict = CheckLogOn(values, confirm);
    if (!confirm.empty()) ::SecureZeroMemory(&confirm[0], confirm.size() * sizeof(wchar_t));
    if (values.account != typed) ::SetDlgItemTextW(Window(), IDC_SVCWIZ_ACCOUNT, values.account.c_str());
    if (verdict != LogOnVerdict::Accept) {
        ::MessageBoxW(Window(), LoadText(LogOnVerdictText(verdict)).c_str(), LoadText(IDS_SVCWIZ_ERROR_TITLE).c_str(),
                      MB_ICONERROR);
        if (!values.password.empty()) ::SecureZeroMemory(&values.password[0], values.password.size() * sizeof(wchar_t));
        return -1;
    }
    StoreLogOn(options_, values);
    if (!values.password.empty()) ::SecureZeroMemory(&values.password[0], values.password.size() * sizeof(wchar_t));
    return 0;
}

// --- Startup --------------------------------------------------------------

StartupOptionsPage::StartupOptionsPage(ManageServicesOptions& options)
    : WizardPage(IDD_SVCWIZ_STARTUP), options_(options) {
    SetHeaderTitle(LoadText(IDS_SVCWIZ_STARTUP_TITLE));
    SetHeaderSubtitle(LoadText(IDS_SVCWIZ_STARTUP_SUBTITLE));
}

BOOL StartupOptionsPage::OnInitDialog() {
    HWND combo = Item(IDC_SVCWIZ_STARTUP_TYPE);
    const StartupValues& shown = options_.startup.values;
    for (UINT id : kStartTypeTexts) {
        const std::wstring text = LoadText(id);
        const LRESULT index = ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (!shown.startType.empty() && ::lstrcmpiW(text.c_str(), shown.startType.c_str()) == 0)
            ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    ::CheckDlgButton(Window(), IDC_SVCWIZ_STOP, shown.stop ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(Window(), IDC_SVCWIZ_START, shown.start ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(Window(), IDC_SVCWIZ_DEPENDENTS, shown.dependents ? BST_CHECKED : BST_UNCHECKED);
    UpdateDependents();
    return TRUE;
}

LRESULT StartupOptionsPage::OnSetActive() {
    if (!entered_) {
        options_.startup.entered = options_.startup.values;
        entered_ = true;
    }
    return WizardPage::OnSetActive();
}

void StartupOptionsPage::UpdateDependents() {
    const bool enabled = DependentsEnabled(Checked(Window(), IDC_SVCWIZ_STOP), Checked(Window(), IDC_SVCWIZ_START));
    if (!enabled) ::CheckDlgButton(Window(), IDC_SVCWIZ_DEPENDENTS, BST_UNCHECKED);
    Enable(Window(), IDC_SVCWIZ_DEPENDENTS, enabled);
}

void StartupOptionsPage::OnCommand(UINT id, UINT code, HWND) {
    if (code == BN_CLICKED && (id == IDC_SVCWIZ_STOP || id == IDC_SVCWIZ_START)) UpdateDependents();
}

StartupValues StartupOptionsPage::Read() const {
    StartupValues values;
    HWND combo = Item(IDC_SVCWIZ_STARTUP_TYPE);
    const LRESULT index = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (index != CB_ERR) {
        std::vector<wchar_t> text(static_cast<size_t>(::SendMessageW(combo, CB_GETLBTEXTLEN, index, 0)) + 1);
        ::SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
        values.startType = text.data();
    }
    values.stop = Checked(Window(), IDC_SVCWIZ_STOP);
    values.start = Checked(Window(), IDC_SVCWIZ_START);
    values.dependents = Checked(Window(), IDC_SVCWIZ_DEPENDENTS);
    return values;
}

void StartupOptionsPage::Store() {
    options_.startup.values = Read();
    options_.startup.mask = StartupMask(options_.startup.values, options_.startup.entered);
}

LRESULT StartupOptionsPage::OnWizardNext() {
    Store();
    return nextHook_ ? nextHook_() : 0;
}

LRESULT StartupOptionsPage::OnWizardBack() {
    Store();
    return 0;
}

}  // namespace vantrel
