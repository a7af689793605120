#include "services/RestartOptionsDialog.h"

#include "common/ResourceText.h"
#include "resources/ServiceConfigIds.h"

namespace vantrel {

namespace {
constexpr DWORD kMsPerMinute = 60000;
constexpr int kMaxMessageChars = 4096;
}  // namespace

std::wstring DefaultRebootMessage(std::wstring_view computer, std::wstring_view serviceDisplayName) {
    if (computer.substr(0, 2) == L"\\\\") computer.remove_prefix(2);
    return FormatText(IDS_DEFAULT_REBOOT_MESSAGE, {computer, serviceDisplayName, computer, computer});
}

INT_PTR RestartOptionsDialog::Run(HWND owner) { return RunModal(owner); }

BOOL RestartOptionsDialog::OnInitDialog() {
    ::SendMessageW(Item(IDC_REBOOT_MESSAGE), EM_LIMITTEXT, kMaxMessageChars, 0);
    ::SetDlgItemInt(Window(), IDC_RESTART_MINUTES, options_.delayMs / kMsPerMinute, FALSE);
    const bool stored = options_.message && !options_.message->empty();
    ::CheckDlgButton(Window(), IDC_SEND_MESSAGE, stored ? BST_CHECKED : BST_UNCHECKED);
    ShowMessage(stored);
    return TRUE;
}

void RestartOptionsDialog::OnCommand(UINT id, UINT code, HWND control) {
    if (id == IDC_SEND_MESSAGE && code == BN_CLICKED)
        ShowMessage(::IsDlgButtonChecked(Window(), IDC_SEND_MESSAGE) == BST_CHECKED);
    if (id == IDOK) Accept();
    Dialog::OnCommand(id, code, control);  // OK and Cancel close
}

// Ticked: the stored message, or the default text; unticked: nothing.
void RestartOptionsDialog::ShowMessage(bool send) {
    std::wstring text;
    if (send) text = options_.message && !options_.message->empty() ? *options_.message
                                                                    : DefaultRebootMessage(computer_, displayName_);
    ::SetDlgItemTextW(Window(), IDC_REBOOT_MESSAGE, text.c_str());
    ::EnableWindow(Item(IDC_REBOOT_MESSAGE), send);
}

void RestartOptionsDialog::Accept() {
    BOOL numeric = FALSE;
    const UINT minutes = ::GetDlgItemInt(Window(), IDC_RESTART_MINUTES, &numeric, FALSE);
    options_.delayMs = (numeric ? minutes : 0) * kMsPerMinute;
    options_.sendMessage = ::IsDlgButtonChecked(Window(), IDC_SEND_MESSAGE) == BST_CHECKED;
    if (options_.sendMessage) {
        std::wstring text(kMaxMessageChars + 1, L'\0');
        const int n = ::GetDlgItemTextW(Window(), IDC_REBOOT_MESSAGE, text.data(), kMaxMessageChars + 1);
        text.resize(n > 0 ? static_cast<size_t>(n) : 0);
        options_.message = std::move(text);
    } else {
        options_.message.reset();
    }
}

}  // namespace vantrel
