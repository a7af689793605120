#include "services/editor/GeneralPage.h"

#include "common/ComPtr.h"
#include "common/Dialog.h"
#include "common/ResourceText.h"
#include "resources/EditorIds.h"
#include "resources/ServicesIds.h"
#include "services/ServiceControlJob.h"
#include "services/editor/EditorRules.h"
#include "services/editor/PageMessages.h"

#include <array>

namespace vantrel {

namespace {

constexpr int kMaxDisplayName = 1024;

void Enable(HWND page, int id, bool enable) { ::EnableWindow(::GetDlgItem(page, id), enable); }

}  // namespace

GeneralPage::GeneralPage(ServiceEditorState& state) : PropertyPage(IDD_SERVICE_GENERAL), state_(state) {}

BOOL GeneralPage::OnInitDialog() {
    loading_ = true;
    HWND startup = Item(IDC_GEN_STARTUP_TYPE);
    for (UINT id : {IDS_START_AUTOMATIC, IDS_START_MANUAL, IDS_START_DISABLED})
        ::SendMessageW(startup, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadText(id).c_str()));
    ::SendDlgItemMessageW(Window(), IDC_GEN_DISPLAY_NAME, EM_LIMITTEXT, kMaxDisplayName, 0);
    ::SetDlgItemTextW(Window(), IDC_GEN_SERVICE_NAME, state_.serviceName.c_str());
    LoadConfiguration();
    loading_ = false;
    RefreshStatus();
    return TRUE;
}

void GeneralPage::LoadConfiguration() {
    UniqueCoTaskMem block;
    const HRESULT hr = state_.service.QueryConfig(block);
    if (FAILED(hr)) {
        ShowPageError(Window(), hr, IDS_EDITOR_CONFIG_QUERY_FAILED);
    } else {
        const auto* config = static_cast<const QUERY_SERVICE_CONFIGW*>(block.Get());
        ::SetDlgItemTextW(Window(), IDC_GEN_DISPLAY_NAME, config->lpDisplayName ? config->lpDisplayName : L"");
        ::SetDlgItemTextW(Window(), IDC_GEN_PATH, config->lpBinaryPathName ? config->lpBinaryPathName : L"");
        ::SendDlgItemMessageW(Window(), IDC_GEN_STARTUP_TYPE, CB_SETCURSEL,
                              static_cast<WPARAM>(StartTypeIndex(config->dwStartType)), 0);
    }
    std::wstring description;
    const HRESULT described = state_.service.GetDescription(description);
    if (described == HRESULT_FROM_WIN32(ERROR_CALL_NOT_IMPLEMENTED)) {
        // Platforms without descriptions: nothing to show or write.
        Enable(Window(), IDC_GEN_DESCRIPTION_LABEL, false);
        Enable(Window(), IDC_GEN_DESCRIPTION, false);
    }
    ::SetDlgItemTextW(Window(), IDC_GEN_DESCRIPTION, description.c_str());
}

void GeneralPage::RefreshStatus() {
    SERVICE_STATUS_PROCESS status{};
    const HRESULT hr = state_.service.QueryStatus(status);
    if (FAILED(hr)) {
        ShowPageError(Window(), hr, IDS_EDITOR_STATUS_QUERY_FAILED);
        return;
    }
    const StatusBlock block = StatusBlockFor(status.dwCurrentState, status.dwControlsAccepted);
    ::SetDlgItemTextW(Window(), IDC_GEN_STATUS, LoadText(block.textId).c_str());
    const std::array<std::pair<int, std::optional<bool>>, 4> buttons{
        {{IDC_GEN_START, block.start}, {IDC_GEN_STOP, block.stop}, {IDC_GEN_PAUSE, block.pause},
         {IDC_GEN_RESUME, block.resume}}};
    for (const auto& [id, enable] : buttons) {
        if (enable) Enable(Window(), id, *enable);
    }
    Enable(Window(), IDC_GEN_PARAMETERS_LABEL, block.parameters);
    Enable(Window(), IDC_GEN_PARAMETERS, block.parameters);
}

void GeneralPage::RunControl(ServiceControlOperation operation) {
    for (int id : {IDC_GEN_START, IDC_GEN_STOP, IDC_GEN_PAUSE, IDC_GEN_RESUME}) Enable(Window(), id, false);
    ComPtr<ServiceControlJob> job;
    HRESULT hr = ServiceControlJob::Create(job);
    if (SUCCEEDED(hr)) hr = job->AddService(state_.service);
    if (SUCCEEDED(hr)) {
        job->SetOperation(operation);
        job->SetOwner(Window());
        job->SetDoneMessage(kRefreshMessage);
        job->SetComputer(state_.computer);
        if (operation == ServiceControlOperation::Start)
            job->SetStartParameters(SplitStartParameters(WindowText(Item(IDC_GEN_PARAMETERS))));
        hr = job->Start(0, 0, false);
    }
    if (FAILED(hr)) {
        ShowPageError(Window(), hr, IDS_BATCH_NO_THREAD);
        RefreshStatus();
    }
}

void GeneralPage::OnCommand(UINT id, UINT code, HWND) {
    switch (id) {
        case IDC_GEN_DISPLAY_NAME:
        case IDC_GEN_DESCRIPTION:
            if (code == EN_CHANGE && !loading_) SetModified(true);
            break;
        case IDC_GEN_STARTUP_TYPE:
            if (code == CBN_SELCHANGE) SetModified(true);
            break;
        case IDC_GEN_START: RunControl(ServiceControlOperation::Start); break;
        case IDC_GEN_STOP: RunControl(ServiceControlOperation::Stop); break;
        case IDC_GEN_PAUSE: RunControl(ServiceControlOperation::Pause); break;
        case IDC_GEN_RESUME: RunControl(ServiceControlOperation::Resume); break;
        default: break;
    }
}

INT_PTR GeneralPage::OnOtherMessage(UINT message, WPARAM, LPARAM) {
    if (message != kRefreshMessage) return FALSE;
    RefreshStatus();
    return TRUE;
}

bool GeneralPage::ContinueAfter(HRESULT hr, UINT messageId) {
    if (SUCCEEDED(hr)) return true;
    // "Yes" goes back to the value, "No" lets the remaining changes through.
    return ShowPageError(Window(), hr, messageId, MB_YESNO | MB_ICONERROR) != IDYES;
}

LRESULT GeneralPage::OnApply() {
    if (!IsModified()) return PSNRET_NOERROR;
    const std::wstring displayName = WindowText(Item(IDC_GEN_DISPLAY_NAME)).substr(0, kMaxDisplayName);
    if (!ContinueAfter(state_.service.SetDisplayName(displayName.c_str()), IDS_EDITOR_DISPLAY_NAME_FAILED))
        return PSNRET_INVALID;
    if (::IsWindowEnabled(Item(IDC_GEN_DESCRIPTION))) {
        const std::wstring description = WindowText(Item(IDC_GEN_DESCRIPTION));
        if (!ContinueAfter(state_.service.SetDescription(description.c_str()), IDS_EDITOR_DESCRIPTION_FAILED))
            return PSNRET_INVALID;
    }
    const int index = static_cast<int>(::SendDlgItemMessageW(Window(), IDC_GEN_STARTUP_TYPE, CB_GETCURSEL, 0, 0));
    if (!ContinueAfter(state_.service.SetStartType(StartTypeForIndex(index)), IDS_EDITOR_STARTUP_TYPE_FAILED))
        return PSNRET_INVALID;
    SetModified(false);
    return PSNRET_NOERROR;
}

}  // namespace vantrel
