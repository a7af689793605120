#include "services/ServiceControlJob.h"

#include "common/ErrorText.h"
#include "common/Handles.h"
#include "common/ResourceText.h"
#include "common/Result.h"
#include "credentials/Credentials.h"
#include "resources/ServicesIds.h"
#include "services/ServiceProgressDialog.h"
#include "services/StopOtherServicesDialog.h"

#include <new>

namespace vantrel {

namespace {

constexpr long kSynchronous = 1;  // SCF_SYNCHRONOUS

std::wstring DisplayNameOf(ServiceRef& service) {
    std::wstring name;
    if (FAILED(service.GetDisplayName(name))) name = service.Name();
    return name;
}

}  // namespace

HRESULT ServiceControlJob::Create(ComPtr<ServiceControlJob>& out) noexcept {
    out.Reset();
    try {
        out = ComPtr<ServiceControlJob>(new ServiceControlJob());
    } catch (const std::bad_alloc&) {
        RETURN_HR(E_OUTOFMEMORY);
    }
    return S_OK;
}

HRESULT ServiceControlJob::AddService(const ServiceRef& service) noexcept {
    try {
        services_.push_back(service);
    } catch (const std::bad_alloc&) {
        RETURN_HR(E_OUTOFMEMORY);
    }
    return S_OK;
}

void ServiceControlJob::SetComputer(std::wstring computer, std::wstring credentialsPath, long recallOptions) {
    computer_ = std::move(computer);
    credentialsPath_ = std::move(credentialsPath);
    recallOptions_ = recallOptions;
}

void ServiceControlJob::Record(HRESULT hr) noexcept {
    if (FAILED(hr)) lastFailure_ = hr;
}

HRESULT ServiceControlJob::Run() {
    ComApartment apartment;  // COM for the job thread, ended on every way out
    // The store keys computers by their dotted names, without the
    // backslashes a server name carries.
    std::wstring path = credentialsPath_;
    long options = recallOptions_;
    if (path.empty()) {
        path = computer_.substr(computer_.find_first_not_of(L'\\') == std::wstring::npos
                                    ? computer_.size()
                                    : computer_.find_first_not_of(L'\\'));
        options = 0;
    }
    AlternateCredentials credentials;
    RecallAlternateCredentials(path.c_str(), options, credentials);

    ServiceProgressDialog dialog(operation_, controlFlags_ == kSynchronous);
    dialog.Create(owner_);
    failures_.clear();
    lastFailure_ = S_OK;
    RunOperation(dialog);

    if (!failures_.empty()) {
        const std::wstring summary = LoadText(SummaryTextId(operation_));
        const std::wstring title = LoadText(IDS_ERROR_TITLE);
        if (FAILED(lastFailure_))
            ShowErrorMessage(static_cast<DWORD>(lastFailure_), title.c_str(), summary.c_str(), owner_, MB_ICONERROR);
        else
            ::MessageBoxW(owner_, summary.c_str(), title.c_str(), MB_ICONERROR);
    }
    dialog.Close();
    if (doneMessage_ && owner_) ::PostMessageW(owner_, doneMessage_, 0, 0);
    return lastFailure_;
}

bool ServiceControlJob::ConfirmDependents(ServiceRef& service) {
    ServiceRefList active;
    const HRESULT hr = service.GetDependents(SERVICE_ACTIVE, active, true);
    if (FAILED(hr)) {
        const UINT text = operation_ == ServiceControlOperation::Restart ? IDS_DEPENDENTS_RESTART_FAILED
                                                                         : IDS_DEPENDENTS_STOP_FAILED;
        ShowErrorMessage(static_cast<DWORD>(hr), LoadText(IDS_ERROR_TITLE).c_str(),
                         (LoadText(text) + DisplayNameOf(service)).c_str(), owner_, MB_ICONERROR);
        return false;
    }
    if (active.empty()) return true;
    std::vector<std::wstring> names;
    for (ServiceRef& d : active) names.push_back(DisplayNameOf(d));
    return AskStopOtherServices(owner_, DisplayNameOf(service), names) != IDCANCEL;
}

void ServiceControlJob::RunOperation(ServiceProgressDialog& dialog) {
    std::vector<const wchar_t*> argv;
    for (const std::wstring& p : startParameters_) argv.push_back(p.c_str());
    constexpr DWORD kWaitAndReport = ServiceRefFlags::WaitForState | ServiceRefFlags::ReportProgress;

    for (ServiceRef& service : services_) {
        switch (operation_) {
            case ServiceControlOperation::Start:
                service.SetFlags(kWaitAndReport, true);
                service.SetSink(&dialog);
                Record(service.Start(&failures_, nullptr, static_cast<DWORD>(argv.size()),
                                     argv.empty() ? nullptr : argv.data()));
                break;
            case ServiceControlOperation::Pause:
            case ServiceControlOperation::Resume:
                service.SetFlags(kWaitAndReport, true);
                service.SetSink(&dialog);
                Record(operation_ == ServiceControlOperation::Pause ? service.Pause(&failures_, nullptr)
                                                                    : service.Continue(&failures_, nullptr));
                break;
            case ServiceControlOperation::Stop:
            case ServiceControlOperation::Restart:
                service.SetFlags(kWaitAndReport | ServiceRefFlags::IncludeDependents, true);
                service.SetSink(&dialog);
                if (!ConfirmDependents(service)) break;
                Record(operation_ == ServiceControlOperation::Stop ? service.Stop(&failures_, nullptr)
                                                                   : service.Restart(&failures_));
                break;
            default: return;  // nothing to do
        }
    }
}

}  // namespace vantrel
