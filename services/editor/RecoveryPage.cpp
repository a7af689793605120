#include "services/editor/RecoveryPage.h"

#include "common/Dialog.h"
#include "common/ErrorText.h"
#include "common/ResourceText.h"
#include "resources/EditorPagesIds.h"
#include "services/RestartOptionsDialog.h"

#include <commdlg.h>

#include <array>

namespace vantrel {

namespace {

constexpr std::array<int, kRecoveryActionCount> kActionCombos{IDC_FIRST_FAILURE, IDC_SECOND_FAILURE,
                                                                IDC_SUBSEQUENT_FAILURES};
constexpr int kRestartDelayControls[] = {IDC_RESTART_SERVICE_LABEL, IDC_RESTART_SERVICE_MINUTES,
                                         IDC_RESTART_SERVICE_UNITS};
constexpr int kRunFileControls[] = {IDC_RUN_FILE_GROUP,      IDC_RUN_FILE_LABEL,   IDC_RUN_FILE,
                                    IDC_RUN_FILE_BROWSE,     IDC_RUN_PARAMETERS_LABEL, IDC_RUN_PARAMETERS,
                                    IDC_APPEND_FAIL_COUNT};
constexpr UINT kChoiceTexts[] = {IDS_TAKE_NO_ACTION, IDS_RESTART_SERVICE, IDS_RUN_A_FILE, IDS_REBOOT_COMPUTER};
constexpr DWORD kFileBufferChars = 4096;

bool IsEdit(UINT id) {
    return id == IDC_RESET_DAYS || id == IDC_RESTART_SERVICE_MINUTES || id == IDC_RUN_FILE || id == IDC_RUN_PARAMETERS;
}

}  // namespace

bool OffersRecoveryPage(HRESULT readResult) noexcept {
    return readResult != HRESULT_FROM_WIN32(ERROR_CALL_NOT_IMPLEMENTED);
}

RecoveryEnabling EnablingFor(const RecoveryFields& fields) {
    return {fields.Any(kRestartService), fields.Any(kRunFile), fields.Any(kRebootComputer)};
}

RecoveryPage::RecoveryPage(ServiceEditorState& state, HRESULT readResult, UniqueCoTaskMem stored)
    : PropertyPage(IDD_RECOVERY), state_(state), readResult_(readResult), stored_(std::move(stored)) {}

BOOL RecoveryPage::OnInitDialog() {
    for (int combo : kActionCombos) {
        for (UINT text : kChoiceTexts)
            ::SendMessageW(Item(combo), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadText(text).c_str()));
    }
    if (FAILED(readResult_) || !stored_) {
        // Nothing to edit: writing the defaults would replace actions never read.
        ShowFields();
        EnableGroups({});
        for (int id : kActionCombos) ::EnableWindow(Item(id), FALSE);
        ::EnableWindow(Item(IDC_RESET_DAYS), FALSE);
        ::EnableWindow(Item(IDC_RESTART_COMPUTER_OPTIONS), FALSE);
        ShowErrorMessage(static_cast<DWORD>(readResult_), L"Error", LoadText(IDS_RECOVERY_QUERY_FAILED).c_str(),
                         Window(), MB_ICONERROR);
        return TRUE;
    }
    fields_ = ReadRecoveryFields(*static_cast<const SERVICE_FAILURE_ACTIONSW*>(stored_.Get()));
    stored_.Reset();
    ShowFields();
    UpdateEnabling();
    return TRUE;
}

void RecoveryPage::ShowFields() {
    showing_ = true;
    for (size_t i = 0; i < kActionCombos.size(); ++i)
        ::SendMessageW(Item(kActionCombos[i]), CB_SETCURSEL, static_cast<WPARAM>(fields_.choices[i]), 0);
    ::SetDlgItemInt(Window(), IDC_RESET_DAYS, fields_.resetDays, FALSE);
    ::SetDlgItemInt(Window(), IDC_RESTART_SERVICE_MINUTES, fields_.restartMinutes, FALSE);
    ::SetDlgItemTextW(Window(), IDC_RUN_FILE, fields_.command.file.c_str());
    ::SetDlgItemTextW(Window(), IDC_RUN_PARAMETERS, fields_.command.parameters.c_str());
    ::CheckDlgButton(Window(), IDC_APPEND_FAIL_COUNT, fields_.command.appendFailCount ? BST_CHECKED : BST_UNCHECKED);
    showing_ = false;
}

// Everything but the reboot options, which their own dialog keeps up to date.
void RecoveryPage::CollectFields() {
    for (size_t i = 0; i < kActionCombos.size(); ++i)
        fields_.choices[i] = static_cast<int>(::SendMessageW(Item(kActionCombos[i]), CB_GETCURSEL, 0, 0));
    fields_.resetDays = ::GetDlgItemInt(Window(), IDC_RESET_DAYS, nullptr, FALSE);
    fields_.restartMinutes = ::GetDlgItemInt(Window(), IDC_RESTART_SERVICE_MINUTES, nullptr, FALSE);
    fields_.command.file = WindowText(Item(IDC_RUN_FILE));
    fields_.command.parameters = WindowText(Item(IDC_RUN_PARAMETERS));
    fields_.command.appendFailCount = ::IsDlgButtonChecked(Window(), IDC_APPEND_FAIL_COUNT) == BST_CHECKED;
}

void RecoveryPage::UpdateEnabling() {
    CollectFields();
    const RecoveryEnabling enabling = EnablingFor(fields_);
    EnableGroups(enabling);
    ::EnableWindow(Item(IDC_RESTART_COMPUTER_OPTIONS), enabling.rebootOptions);
}

void RecoveryPage::EnableGroups(const RecoveryEnabling& enabling) {
    for (int id : kRestartDelayControls) ::EnableWindow(Item(id), enabling.restartDelay);
    for (int id : kRunFileControls) ::EnableWindow(Item(id), enabling.runFile);
}

void RecoveryPage::OnCommand(UINT id, UINT code, HWND) {
    if (showing_) return;
    const bool combo = id == IDC_FIRST_FAILURE || id == IDC_SECOND_FAILURE || id == IDC_SUBSEQUENT_FAILURES;
    if (combo && code == CBN_SELCHANGE) {
        UpdateEnabling();
        SetModified(true);
    } else if (IsEdit(id) && code == EN_CHANGE) {
        SetModified(true);
    } else if (id == IDC_APPEND_FAIL_COUNT && code == BN_CLICKED) {
        SetModified(true);
    } else if (id == IDC_RUN_FILE_BROWSE && code == BN_CLICKED) {
        Browse();
    } else if (id == IDC_RESTART_COMPUTER_OPTIONS && code == BN_CLICKED) {
        EditRebootOptions();
    }
}

void RecoveryPage::Browse() {
    // "Executable Files (...)" then its pattern: the filter is a list of pairs.
    const std::wstring title = LoadText(IDS_EXECUTABLE_FILTER);
    std::wstring filter = title + L'\0' + L"*.exe;*.com;*.cmd;*.bat" + L'\0' + L'\0';
    std::wstring path(kFileBufferChars, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = Window();
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = kFileBufferChars;
    dialog.Flags = OFN_ENABLESIZING | OFN_HIDEREADONLY;
    if (!::GetOpenFileNameW(&dialog)) return;
    path.resize(wcsnlen(path.c_str(), kFileBufferChars));
    if (path.empty()) return;
    ::SetDlgItemTextW(Window(), IDC_RUN_FILE, path.c_str());  // EN_CHANGE marks the page changed
}

void RecoveryPage::EditRebootOptions() {
    std::wstring displayName;
    if (FAILED(state_.service.GetDisplayName(displayName))) displayName = state_.serviceName;
    RestartOptionsDialog dialog(state_.computer, displayName, fields_.reboot);
    if (dialog.Run(Window()) == IDOK) SetModified(true);
}

LRESULT RecoveryPage::OnApply() {
    if (!IsModified()) return PSNRET_NOERROR;
    CollectFields();
    FailureActionsRecord record(fields_);
    const HRESULT hr = state_.service.SetFailureActions(record.Get());
    if (FAILED(hr)) {
        ShowErrorMessage(static_cast<DWORD>(hr), L"Error", nullptr, Window(), MB_ICONERROR);
        return PSNRET_INVALID_NOCHANGEPAGE;
    }
    SetModified(false);
    return PSNRET_NOERROR;
}

}  // namespace vantrel
