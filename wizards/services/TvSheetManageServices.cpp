#include "wizards/services/TvSheetManageServices.h"

#include "common/Bstr.h"
#include "common/ErrorText.h"
#include "common/ModuleState.h"
#include "common/ResourceText.h"
#include "common/Result.h"
#include "common/WorkerThread.h"
#include "credentials/Credentials.h"
#include "resources/resource.h"
#include "services/LogonRight.h"
#include "services/ServiceControlManager.h"
#include "services/ServiceRef.h"
#include "wizards/ComputerJob.h"
#include "wizards/OperationWizards.h"
#include "wizards/pages/WizardPages.h"
#include "wizards/services/ServiceOptionPages.h"
#include "wizards/selection/ComputerListPage.h"
#include "wizards/selection/ResourceListPage.h"

#include <process.h>

#include <new>

namespace vantrel {
namespace {

constexpr LONG kServiceNameColumn = 4;
constexpr size_t kStatusCapacity = 1024;  // status texts keep at most 1023 characters

void SetStatus(IProgressPage& page, const std::wstring& text) {
    std::wstring shown = text;
    if (shown.size() > kStatusCapacity - 1) shown.resize(kStatusCapacity - 1);
    UniqueBstr status(::SysAllocString(shown.c_str()));
    page.SetStatusText(status.Get());
}

HRESULT ProgressPageFrom(IGlobalInterfaceTable* table, DWORD cookie, ComPtr<IProgressPage>& page) {
    ComPtr<IGlobalInterfaceTable> own;
    if (!table) {
        RETURN_IF_FAILED(::CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IGlobalInterfaceTable, own.PutVoid()));
        table = own.Get();
    }
    if (cookie == 0) RETURN_HR(E_POINTER);
    RETURN_IF_FAILED(table->GetInterfaceFromGlobal(cookie, IID_IProgressPage, page.PutVoid()));
    if (!page) RETURN_HR(E_POINTER);
    return S_OK;
}

// A worker ends with a negative code when its computer was not processed, a
// service failed or the run was cancelled; the master counts those.
constexpr unsigned kWorkerFailed = 0x80004005u;

}  // namespace

const wchar_t kManageServicesStartFailure[] =
    L"Failed to start the manage services thread.Your system may not have sufficient memory available\r\n"
    L"Resolution: please verify that you system has sufficient resources.\r\n"
    L"   If the problem persists please contact customer support.";

const wchar_t* ManageServicesFailureContext(ManageServicesFailure failure) noexcept {
    switch (failure) {
    case ManageServicesFailure::ComputerSelectionLost:
        return L"Class: TvSheetManageServices\r\nMethod: ManageServicesMasterProc\r\n"
               L"Context: Memory error, the computer selection record has been lost.\r\n"
               L"Resolution: Please report this incident to customer support.";
    case ManageServicesFailure::ServiceSelectionLost:
        return L"Class: TvSheetManageServices\r\nMethod: ManageServicesMasterProc\r\n"
               L"Context: memory error, the service selection record has been lost.\r\n"
               L"Resolution: Please report this incident to customer support.";
    case ManageServicesFailure::Marshaling:
        return L"Class: TvSheetManageServices\r\nMethod: ManageServicesMasterProc\r\n"
               L"Context: marshaling error, IProgressPage interface.\r\n"
               L"Resolution: Please report this incident to customer support.";
    case ManageServicesFailure::WaitUntilActive:
        return L"Class: TvSheetManageServices\r\nMethod: ManageServicesMasterProc\r\n"
               L"Context: IPRogressPage::WaitUntilActive.\r\n"
               L"Resolution: Please report this incident to customer support.";
    case ManageServicesFailure::ThreadWait:
        return L"Class: TvSheetManageServices\r\nMethod: ManageServicesMasterProc\r\n"
               L"Context Thread wait failed.\r\n"
               L"Resolution: Make sure your computer has sufficient memory available\r\n"
               L"   If the problem persists contact customer support.  Please make the\r\n"
               L"   details of this message available to the representative.";
    case ManageServicesFailure::ThreadStart:
        return L"Class: TvSheetManageServices\r\nMethod: ManageServicesMasterProc\r\n"
               L"Context Failed to start thread.\r\n"
               L"Resolution: Make sure your computer has sufficient memory available\r\n"
               L"   If the problem persists contact customer support.  Please make the\r\n"
               L"   details of this message available to the representative.";
    case ManageServicesFailure::NullJob:
        return L"Class: TvSheetManageServices\r\nMethod: ManageServicesWorkerProc\r\n"
               L"Context The thread job data has a NULL value.\r\n"
               L"Resolution: Contact customer support.  Please make the\r\n"
               L"   details of this message available to the representative.";
    }
    return L"";
}

// One computer's work: owned by its worker thread.
struct TvSheetManageServices::WorkerJob {
    TvSheetManageServices* sheet;
    std::wstring computer;
    ComPtr<IBrevCompInfo> info;
    const std::vector<ServiceSelection>* services;
    const ManageServicesOptions* options;
    DWORD progressCookie;
};

TvSheetManageServices::TvSheetManageServices(HWND parent)
    : ComputerWizardSheet(parent, LoadText(IDS_SVCWIZ_TITLE), kSheetFlags, IDB_SVCWIZ_HEADER, IDB_SVCWIZ_WATERMARK) {}

// The base waits for the master thread, and the master for every worker.
TvSheetManageServices::~TvSheetManageServices() = default;

HRESULT TvSheetManageServices::Build(const VARIANT* computers) {
    const std::wstring title = LoadText(IDS_SVCWIZ_TITLE);
    RETURN_IF_FAILED(AddPage(std::make_unique<WelcomePage>(
        title, LoadText(IDS_SVCWIZ_WELCOME_HEADING),
        LoadText(IDS_SVCWIZ_WELCOME_TEXT) + L"\r\n\r\n" + LoadText(IDS_WIZARD_CONTINUE), IDD_SVCWIZ_WELCOME)));

    auto list = std::make_unique<ComputerListPage>(IDS_KIND_RESOURCE);
    list->SetSourceMode(true);
    RETURN_IF_FAILED(list->SetComputers(computers, kRowChecked));
    list->SetNextHook([this] { return OnComputersNext(); });
    ComputerListPage* listPage = list.get();
    SetComputerCollector(CollectorOf(*listPage));
    RETURN_IF_FAILED(AddPage(std::move(list)));
    computers_ = listPage;

    auto services = std::make_unique<ResourceListPage>();
    services->SetServicesSummary(true);
    services_ = services.get();
    RETURN_IF_FAILED(AddPage(std::move(services)));

    RETURN_IF_FAILED(AddPage(std::make_unique<LogOnOptionsPage>(options_.logOn, [this] {
        return computers_ ? computers_->SourceComputer() : std::wstring();
    })));
    auto startup = std::make_unique<StartupOptionsPage>(options_);
    startup->SetNextHook([this] { return SUCCEEDED(StartMasterThread()) ? 0 : -1; });
    RETURN_IF_FAILED(AddPage(std::move(startup)));
    RETURN_IF_FAILED(AddProgressPage());
    return AddPage(std::make_unique<CompletionPage>(LoadText(IDS_SVCWIZ_COMPLETED), LoadText(IDS_WIZARD_COMPLETED_TEXT),
                                                    [this] { return Summary(); }, IDD_SVCWIZ_COMPLETION));
}

HRESULT TvSheetManageServices::SetComputers(const VARIANT* computers) {
    if (!computers_) RETURN_HR(E_HANDLE);
    return computers_->SetComputers(computers, kRowChecked);
}

LRESULT TvSheetManageServices::OnComputersNext() {
    const std::wstring title = LoadText(IDS_SVCWIZ_ERROR_TITLE);
    HWND owner = computers_->OwnerWindow();
    std::wstring source;
    HRESULT hr = computers_->ReadSourceComputer(source);
    if (FAILED(hr)) {
        ShowErrorMessage(static_cast<DWORD>(hr), title.c_str(), LoadText(IDS_SVCWIZ_NO_SOURCE).c_str(), owner,
                         MB_ICONERROR);
        return 0;
    }
    VARIANT value;
    value.vt = VT_BSTR;
    value.bstrVal = ::SysAllocString(source.c_str());
    hr = value.bstrVal ? services_->SetSourceComputer(&value) : E_OUTOFMEMORY;
    ::VariantClear(&value);
    if (FAILED(hr))
        ShowErrorMessage(static_cast<DWORD>(hr), title.c_str(), LoadText(IDS_SVCWIZ_NO_SERVICE_LIST).c_str(), owner,
                         MB_ICONERROR);
    return 0;
}

void TvSheetManageServices::ShowFailure(HRESULT code, ManageServicesFailure failure) const {
    HWND window = Window();
    ShowErrorMessage(static_cast<DWORD>(code), L"Error", ManageServicesFailureContext(failure),
                     window && ::IsWindow(window) ? window : nullptr, MB_ICONERROR);
}

HRESULT TvSheetManageServices::CollectServices() {
    selection_.clear();
    const SelectionTable& table = services_->Table();
    if (table.Empty()) return E_POINTER;
    for (LONG row : table.CollectRows(kRowChecked))
        selection_.push_back(ServiceSelection{table.Text(row, kServiceNameColumn), table.Text(row, 0)});
    return S_OK;
}

// ManageServicesMasterProc, in the apartment the base made for it.
HRESULT TvSheetManageServices::RunMaster(int phase) {
    std::vector<ComputerTarget> computers;
    const HRESULT collected = Collector() ? Collector()(computers) : E_POINTER;
    if (FAILED(collected) || computers.empty()) {
        ShowFailure(E_INVALIDARG, ManageServicesFailure::ComputerSelectionLost);
        return E_INVALIDARG;
    }
    const HRESULT services = services_ ? CollectServices() : E_POINTER;
    if (FAILED(services) || selection_.empty()) {
        ShowFailure(E_INVALIDARG, ManageServicesFailure::ServiceSelectionLost);
        return E_INVALIDARG;
    }
    const DWORD cookie = ProgressCookie(phase);
    ComPtr<IProgressPage> page;
    const HRESULT marshaled = ProgressPageFrom(InterfaceTable(), cookie, page);
    if (FAILED(marshaled)) {
        ShowFailure(marshaled, ManageServicesFailure::Marshaling);
        return marshaled;
    }
    const HRESULT active = page->WaitUntilActive(INFINITE);
    if (FAILED(active)) {
        ShowFailure(active, ManageServicesFailure::WaitUntilActive);
        return active;
    }
    // The progress page is not ours: keep the wizard's caption on it too.
    if (HWND window = Window()) ::PostMessageW(window, PSM_SETTITLEW, 0, reinterpret_cast<LPARAM>(Caption().c_str()));
    return RunPhase(phase, cookie, computers);
}

HRESULT TvSheetManageServices::RunPhase(int, DWORD cookie, const std::vector<ComputerTarget>& computers) {
    ComPtr<IProgressPage> page;
    RETURN_IF_FAILED(ProgressPageFrom(InterfaceTable(), cookie, page));
    const LONG c = static_cast<LONG>(computers.size());
    const LONG s = static_cast<LONG>(selection_.size());
    SetStatus(*page.Get(), L"Processing service managment data");
    page->SetStepCount((c + 1) * s + c);
    for (LONG i = 0; i < s; ++i) page->Step();  // one per service record
    if (CancelRequested()) return S_FALSE;

    failedComputers_ = 0;
    peakWorkers_ = 0;
    std::vector<UniqueHandle> running;
    std::vector<HANDLE> waitable;
    // Takes one ended worker out of the running ones; false when the wait failed.
    auto reapOne = [&]() -> bool {
        waitable.clear();
        for (const UniqueHandle& handle : running) waitable.push_back(handle.Get());
        DWORD index = 0;
        if (FAILED(WaitPumpingForAny(waitable.data(), static_cast<DWORD>(waitable.size()), index))) {
            ShowFailure(E_FAIL, ManageServicesFailure::ThreadWait);
            return false;
        }
        DWORD code = 0;
        if (::GetExitCodeThread(running[index].Get(), &code) && static_cast<LONG>(code) < 0) ++failedComputers_;
        running.erase(running.begin() + index);
        return true;
    };
    // Whatever the way out, every started worker is waited for: they use the
    // sheet's options and records.
    auto drain = [&] {
        for (UniqueHandle& handle : running) WaitPumpingFor(handle.Get(), INFINITE);
        running.clear();
    };

    for (const ComputerTarget& computer : computers) {
        if (CancelRequested()) break;
        const std::wstring name = computer.name.Get() ? computer.name.Get() : L"";
        SetStatus(*page.Get(), FormatResultLine(L"Initiating service modifications on: %ls", name.c_str()));
        if (running.size() >= kMaxWorkers && !reapOne()) {
            drain();
            return E_FAIL;
        }
        std::unique_ptr<WorkerJob> job(
            new (std::nothrow) WorkerJob{this, name, computer.info, &selection_, &options_, cookie});
        uintptr_t thread = 0;
        if (job) {
            module::Lock();  // released by the worker as it ends
            thread = ::_beginthreadex(nullptr, 0, &TvSheetManageServices::ManageServicesWorkerProc, job.get(), 0,
                                      nullptr);
            if (thread == 0) module::Unlock();
        }
        if (thread == 0) {
            ShowFailure(E_FAIL, ManageServicesFailure::ThreadStart);
            drain();
            return E_FAIL;
        }
        job.release();  // the worker owns it now
        running.emplace_back(reinterpret_cast<HANDLE>(thread));
        page->Step();
    }

    SetStatus(*page.Get(), L"All service configuration changes have been initiated on the selected computers.");
    while (!running.empty()) {
        if (!reapOne()) {
            drain();
            return E_FAIL;
        }
        page->Step();
    }
    SetStatus(*page.Get(), failedComputers_ == 0
                         ? L"The service configuration changes have been completed on the selected computers."
                         : L"The service configuration changes were not completed on all of the selected computers. "
                           L"Review the summary information at the end of this wizard for details.");
    return S_OK;
}

unsigned __stdcall TvSheetManageServices::ManageServicesWorkerProc(void* argument) {
    const std::unique_ptr<WorkerJob> job(static_cast<WorkerJob*>(argument));
    if (!job) {
        ShowErrorMessage(static_cast<DWORD>(E_POINTER), L"Error",
                         ManageServicesFailureContext(ManageServicesFailure::NullJob), nullptr, MB_ICONERROR);
        module::Unlock();
        return kWorkerFailed;
    }
    TvSheetManageServices& sheet = *job->sheet;
    const LONG now = ++sheet.runningWorkers_;
    for (LONG peak = sheet.peakWorkers_.load(); now > peak && !sheet.peakWorkers_.compare_exchange_weak(peak, now);) {
    }
    HRESULT result;
    {
        ComApartment apartment(COINIT_APARTMENTTHREADED);
        result = sheet.RunWorker(*job);
    }
    --sheet.runningWorkers_;
    module::Unlock();
    return FAILED(result) ? kWorkerFailed : 0;
}

HRESULT TvSheetManageServices::RunWorker(const WorkerJob& job) {
    const wchar_t* computer = job.computer.c_str();
    AlternateCredentials credentials;
    RecallComputerCredentials(computer, job.info.Get(), credentials);

    auto failLine = [&](HRESULT hr, const wchar_t* what) {
        AppendLine(FormatResultLine(L"Failed: %ls. [0x%08X]: %ls. %ls.", computer, static_cast<unsigned>(hr),
                                    ErrorTextLine(static_cast<DWORD>(hr)).c_str(), what));
        return hr;
    };
    ComPtr<ServiceControlManager> scm;
    HRESULT hr = ServiceControlManager::Connect(computer, scm);
    if (FAILED(hr)) return failLine(hr, L"Error creating SCM");
    hr = scm->Open(L"ServicesActive");
    if (FAILED(hr)) return failLine(hr, L"Error connecting to SCM");
    ComPtr<IProgressPage> page;
    hr = ProgressPageFrom(nullptr, job.progressCookie, page);
    if (FAILED(hr)) return failLine(hr, L"Progress Page Error");
    if (CancelRequested()) {
        AppendLine(FormatResultLine(L"Cancelled: %ls", computer));
        return E_ABORT;
    }

    const LogOnOptions& logOn = job.options->logOn;
    if (logOn.values.choice == LogOnChoice::ThisAccount) {
        const std::wstring server = L"\\\\" + job.computer;
        hr = GrantLogonRight(server.c_str(), logOn.values.account.c_str(), L"SeServiceLogonRight");
        if (FAILED(hr)) {
            const wchar_t* account = logOn.values.account.empty() ? L"unknown account" : logOn.values.account.c_str();
            AppendLine(FormatResultLine(
                L"Failed: The log on as a service rights could not be granted to '%ls' on the computer '%ls'. "
                L"[0x%08X]: %ls",
                account, computer, static_cast<unsigned>(hr), ErrorTextLine(static_cast<DWORD>(hr)).c_str()));
            return hr;
        }
    }

    HRESULT worst = S_OK;
    for (const ServiceSelection& service : *job.services) {
        if (CancelRequested()) {
            AppendLine(FormatResultLine(L"Cancelled: %ls", computer));
            return E_ABORT;
        }
        const HRESULT applied = ApplyToService(job, *scm.Get(), service, *page.Get());
        if (FAILED(applied)) worst = applied;
    }
    return worst;
}

HRESULT TvSheetManageServices::ApplyToService(const WorkerJob& job, ServiceControlManager& scm,
                                              const ServiceSelection& service, IProgressPage& page) {
    ServiceRef ref(service.name, &scm);
    HRESULT hr = ref.EnsureOpen(ServiceOpenMode::Full);
    if (FAILED(hr)) {
        const std::wstring shown = job.computer + L"\\" + service.displayName;
        AppendLine(FormatResultLine(L"Failed: connection to %ls. [0x%08X]: %ls", shown.c_str(),
                                    static_cast<unsigned>(hr), ErrorTextLine(static_cast<DWORD>(hr)).c_str()));
        page.Step();
        return hr;
    }

    const LogOnOptions& logOn = job.options->logOn;
    const StartupOptions& startup = job.options->startup;
    const DWORD mask = startup.mask;
    DWORD flags = ServiceRefFlags::WaitForState;
    if (mask & StartupOptions::kDependents) flags |= ServiceRefFlags::IncludeDependents;
    ref.SetFlags(0, false);
    ref.SetFlags(flags, true);

    const wchar_t* failedStep = nullptr;
    HRESULT failure = S_OK;
    auto step = [&](const wchar_t* name, HRESULT result) {
        if (FAILED(result)) {
            failedStep = name;
            failure = result;
        }
    };
    if (logOn.Changed() && logOn.values.choice == LogOnChoice::LocalSystem)
        step(L"Log on as system change", ref.SetLocalSystem(logOn.values.interact));
    else if (logOn.Changed() && logOn.values.choice == LogOnChoice::ThisAccount)
        step(L"Log on as", ref.SetAccount(logOn.values.account.c_str(), logOn.values.password.c_str()));
    const DWORD startType = StartTypeForText(startup.values.startType);
    if ((mask & StartupOptions::kStartType) && startType != 0) step(L"Startup type change", ref.SetStartType(startType));
    ServiceRefList stopped;
    const bool stopping = (mask & StartupOptions::kStop) != 0;
    if (stopping) step(L"Stop service", ref.Stop(nullptr, &stopped));
    if (mask & StartupOptions::kStart) {
        ref.SetFlags(ServiceRefFlags::ContinueOnError, true);
        step(L"Start service", ref.Start(nullptr, stopping ? &stopped : nullptr, 0, nullptr));
    }

    if (failedStep)
        AppendLine(ServiceFailureLine(failedStep, service.name, (ref.Flags() & ServiceRefFlags::IncludeDependents) != 0,
                                      failure));
    else
        AppendLine(ServiceSuccessLine(service.name));
    page.Step();
    return failure;
}

}  // namespace vantrel
