#include "component/ComputerResMgmtUI.h"

#include "common/ClassFactory.h"
#include "common/ComPtr.h"
#include "common/ErrorText.h"
#include "common/ModuleState.h"
#include "common/ResourceText.h"
#include "common/Result.h"
#include "common/ImageLists.h"
#include "component/WizardComponents.h"
#include "resources/ServicesIds.h"
#include "services/ServiceControlJob.h"
#include "services/ServiceControlManager.h"
#include "views/ResourceView.h"
#include "views/ServicesView.h"
#include "views/SessionsView.h"
#include "views/LocalGroupsView.h"
#include "views/LocalUsersView.h"
#include "views/PrintersView.h"
#include "views/TerminalSessionsView.h"

namespace vantrel {
namespace {

// Views own their state through their window procedure; until a view's class
// is linked in, its window is an inert dialog of its template.
INT_PTR CALLBACK InertViewProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

HWND CreateViewWindow(long uiIdentifier, UINT templateId) {
    if (uiIdentifier == UIID_SESSIONS) return CreateResourceView(SessionsView());
    if (uiIdentifier == UIID_OPEN_FILES) return CreateResourceView(OpenFilesView());
    if (uiIdentifier == UIID_SERVICES) return CreateResourceView(ServicesView());
    if (uiIdentifier == UIID_LOCAL_USERS) return CreateResourceView(LocalUsersView());
    if (uiIdentifier == UIID_LOCAL_GROUPS) return CreateResourceView(LocalGroupsView());
    if (uiIdentifier == UIID_PRINTERS) return CreateResourceView(PrintersView());
    if (uiIdentifier == UIID_TERMINALSESSIONS) return CreateResourceView(TerminalSessionsView());
    // No owner: the console reparents, positions, shows and destroys it.
    return ::CreateDialogParamW(module::Instance(), MAKEINTRESOURCEW(templateId), nullptr, &InertViewProc, 0);
}

}  // namespace

UINT ViewTemplateFor(long uiIdentifier) noexcept {
    switch (uiIdentifier) {
    case UIID_SESSIONS: return 201;
    case UIID_OPEN_FILES: return 213;
    case UIID_SERVICES: return 215;
    case UIID_PRINTERS: return 232;
    case UIID_TERMINALSESSIONS: return 237;
    case UIID_LOCAL_USERS: return 241;
    case UIID_LOCAL_GROUPS: return 242;
    default: return 0;
    }
}

void* ComputerResMgmtUI::FindInterface(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_IComputerResMgmtUI) || IsEqualIID(iid, IID_IDispatch))
        return static_cast<IComputerResMgmtUI*>(this);
    if (IsEqualIID(iid, IID_IMultiServiceControl)) return static_cast<IMultiServiceControl*>(this);
    return nullptr;
}

HRESULT ComputerResMgmtUI::FinalConstruct() noexcept {
    EnsureImageLists();
    return S_OK;
}

STDMETHODIMP ComputerResMgmtUI::Create(long uiIdentifier, long* handle) {
    if (!handle) RETURN_HR(E_POINTER);
    const UINT templateId = ViewTemplateFor(uiIdentifier);
    if (templateId == 0) RETURN_HR(E_INVALIDARG);
    HWND view = CreateViewWindow(uiIdentifier, templateId);
    // The console's contract hands the last error on as it is, even a 0.
    if (!view) RETURN_HR(HResultFromWin32(static_cast<long>(::GetLastError())));
    // The console's contract carries window handles as 32-bit longs.
    *handle = static_cast<long>(reinterpret_cast<LONG_PTR>(view));
    return S_OK;
}

STDMETHODIMP ComputerResMgmtUI::GetWizard(long uiIdentifier, IWizard** wizard) {
    if (!wizard) RETURN_HR(E_POINTER);
    *wizard = nullptr;
    CreateFunction create = nullptr;
    const wchar_t* createFailed = nullptr;
    const wchar_t* queryFailed = nullptr;
    if (uiIdentifier == UIID_MANAGE_SERVICES_WIZARD) {
        create = &MngSvcsWizard::Create;
        createFailed = L"Failed to create the Manage Services Wizard.";
        queryFailed = L"Failed to get the Manage Services Wizard interface.";
    } else if (uiIdentifier == UIID_MULTICOMPUTEROP_WIZARD) {
        create = &MultiComputerOp::Create;
        createFailed = L"Failed to create the Multiple Computer Operations Wizard.";
        queryFailed = L"Failed to get the Multiple Computer Operations interface.";
    } else {
        RETURN_HR(E_INVALIDARG);
    }

    ComPtr<IUnknown> object;
    HRESULT hr = create(nullptr, IID_IUnknown, object.PutVoid());
    if (FAILED(hr)) {
        ShowErrorMessage(static_cast<DWORD>(hr), L"Error", createFailed, nullptr, MB_ICONERROR);
        return S_OK;
    }
    hr = object.QueryTo(wizard);
    if (FAILED(hr)) ShowErrorMessage(static_cast<DWORD>(hr), L"Error", queryFailed, nullptr, MB_ICONERROR);
    return S_OK;
}

STDMETHODIMP ComputerResMgmtUI::AddService(BSTR computer, BSTR service) { return batch_.Add(computer, service); }

ServiceControlOperation OperationFor(long command) noexcept {
    switch (command) {
    case SCMD_START: return ServiceControlOperation::Start;
    case SCMD_STOP: return ServiceControlOperation::Stop;
    case SCMD_PAUSE: return ServiceControlOperation::Pause;
    case SCMD_CONTINUE: return ServiceControlOperation::Resume;
    case SCMD_RESTART: return ServiceControlOperation::Restart;
    default: return ServiceControlOperation::None;
    }
}

STDMETHODIMP ComputerResMgmtUI::Control(long parent, long command, long flags) {
    // The console's contract carries window handles as 32-bit longs.
    const HWND owner = reinterpret_cast<HWND>(static_cast<LONG_PTR>(parent));
    const DWORD wait = flags == SCF_SYNCHRONOUS ? INFINITE : 0;
    const std::wstring title = LoadText(IDS_ERROR_TITLE);
    for (const ServiceBatchEntry& entry : batch_.Entries()) {
        if (entry.services.empty()) continue;
        const wchar_t* computer = entry.computer.Get();
        ComPtr<ServiceControlManager> scm;
        HRESULT hr = ServiceControlManager::Connect(computer, scm);
        if (FAILED(hr)) {
            ShowErrorMessage(static_cast<DWORD>(hr), title.c_str(), (LoadText(IDS_BATCH_NO_SCM) + computer).c_str(),
                             owner, MB_ICONERROR);
            continue;
        }
        scm->SetAccessMask(ServiceControlManager::kBatchAccess);
        hr = scm->Open(L"ServicesActive");
        if (FAILED(hr)) {
            ShowErrorMessage(static_cast<DWORD>(hr), title.c_str(), LoadText(IDS_BATCH_NO_CONNECTION).c_str(), owner,
                             MB_ICONERROR);
            continue;
        }
        ComPtr<ServiceControlJob> job;
        RETURN_IF_FAILED(ServiceControlJob::Create(job));
        job->SetControlFlags(flags);
        job->SetOwner(owner);
        job->SetComputer(computer);
        for (const UniqueBstr& name : entry.services) {
            if (::SysStringLen(name.Get()) == 0) continue;
            RETURN_IF_FAILED(job->AddService(ServiceRef(name.Get(), scm.Get())));
        }
        job->SetOperation(OperationFor(command));
        // In synchronous mode the wait pumps this thread's messages until the
        // job's thread has ended; our reference keeps the job until then.
        hr = job->Start(wait, 0, false);
        if (FAILED(hr)) {
            ShowErrorMessage(static_cast<DWORD>(hr), title.c_str(), LoadText(IDS_BATCH_NO_THREAD).c_str(), owner,
                             MB_ICONERROR);
            return hr;
        }
    }
    return S_OK;
}

STDMETHODIMP ComputerResMgmtUI::Clear() {
    batch_.Clear();
    return S_OK;
}

}  // namespace vantrel
