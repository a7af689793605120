#pragma once
// The Manage Services Wizard: computers, services of a source computer, the
// log-on and startup options, then one worker thread per computer (at most
// 63 at once) that applies the options to each chosen service and reports a
// line per service.
//
// Threads: the sheet's window thread shows the pages and starts the master
// thread when the startup page's Next is pressed; the master thread reads
// the selections, waits for the progress page and starts the workers; each
// worker has its own apartment, credentials and service manager connection.
// The options and the service records are read-only while the run lasts.
#include "wizards/ComputerWizardSheet.h"
#include "wizards/services/ServiceOptions.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace vantrel {

class ComputerListPage;
class ResourceListPage;
class ServiceControlManager;

// One checked row of the services list.
struct ServiceSelection {
    std::wstring name;         // the key name the service is opened by
    std::wstring displayName;  // what the list showed
};

// What contexts the master and worker boxes name.
enum class ManageServicesFailure {
    ComputerSelectionLost,
    ServiceSelectionLost,
    Marshaling,
    WaitUntilActive,
    ThreadWait,
    ThreadStart,
    NullJob,
};
const wchar_t* ManageServicesFailureContext(ManageServicesFailure failure) noexcept;
extern const wchar_t kManageServicesStartFailure[];

class TvSheetManageServices final : public ComputerWizardSheet {
public:
    // Workers running at once: one below the platform's 64 wait handles.
    static constexpr DWORD kMaxWorkers = 63;
    // The sheet's flags: wizard-97 with header and watermark, a callback and
    // an icon id.
    static constexpr DWORD kSheetFlags = 0x01088104;

    explicit TvSheetManageServices(HWND parent);
    ~TvSheetManageServices() override;

    // Adds the pages in order, the computer list filled from `computers`
    // (every computer checked).
    HRESULT Build(const VARIANT* computers);
    // Presets the computer list anew.
    HRESULT SetComputers(const VARIANT* computers);

    ManageServicesOptions& Options() noexcept { return options_; }
    ComputerListPage* Computers() const noexcept { return computers_; }
    ResourceListPage* Services() const noexcept { return services_; }

    // After a run: the computers that failed, and the most workers that ran
    // at the same time.
    LONG FailedComputers() const noexcept { return failedComputers_.load(); }
    LONG PeakWorkers() const noexcept { return peakWorkers_.load(); }

protected:
    HRESULT RunMaster(int phase) override;
    HRESULT RunPhase(int phase, DWORD progressCookie, const std::vector<ComputerTarget>& computers) override;
    const wchar_t* StartFailureContext() const override { return kManageServicesStartFailure; }

private:
    struct WorkerJob;
    static unsigned __stdcall ManageServicesWorkerProc(void* job);
    HRESULT RunWorker(const WorkerJob& job);
    HRESULT ApplyToService(const WorkerJob& job, ServiceControlManager& scm, const ServiceSelection& service,
                        IProgressPage& page);
    void ShowFailure(HRESULT code, ManageServicesFailure failure) const;
    // The computer list's Next: fills the services list from the source.
    LRESULT OnComputersNext();
    HRESULT CollectServices();

    ManageServicesOptions options_;
    ComputerListPage* computers_ = nullptr;  // owned by the host
    ResourceListPage* services_ = nullptr;
    std::vector<ServiceSelection> selection_;  // built by the master, read by the workers
    std::atomic<LONG> failedComputers_{0};
    std::atomic<LONG> runningWorkers_{0};
    std::atomic<LONG> peakWorkers_{0};
};

}  // namespace vantrel
