#pragma once
// One service on one computer, named by its key name. The handle is opened
// lazily with the access the operation needs; everything else (display name,
// status, configuration) is read afresh each time.
#include "common/ComPtr.h"
#include "common/Handles.h"
#include "common/PlatHandles.h"
#include "services/HardwareProfiles.h"
#include "services/ServiceControlManager.h"

#include <string>
#include <vector>

namespace vantrel {

enum class ServiceOpenMode { Query = 0, Control = 1, Full = 2 };

// Access OpenServiceW is asked for in each mode.
DWORD AccessFor(ServiceOpenMode mode) noexcept;

// Flags of a ServiceRef used by the control operations.
struct ServiceRefFlags {
    static constexpr DWORD IncludeDependents = 1;
    static constexpr DWORD WaitForState = 2;
    static constexpr DWORD ReportProgress = 4;
    static constexpr DWORD ContinueOnError = 8;
};

class ServiceRef;

// Told about each step of a wait for a service state.
class ServiceProgressSink {
public:
    // `completed` is 1 when the target state was reached; `result` is S_OK
    // while waiting and on success; `status` is the last record read (all
    // zero before the first). The sink may set *cancel to end the wait.
    virtual void OnServiceStatus(ServiceRef& service, BOOL completed, DWORD target, HRESULT result,
                                 SERVICE_STATUS_PROCESS status, BOOL* cancel) = 0;

protected:
    ~ServiceProgressSink() = default;
};

struct ServiceFailure;
using ServiceFailureList = std::vector<ServiceFailure>;
using ServiceRefList = std::vector<ServiceRef>;

class ServiceRef {
public:
    explicit ServiceRef(std::wstring name);
    ServiceRef(std::wstring name, ServiceControlManager* manager);
    // A copy shares the owner but never the handle: it opens its own.
    ServiceRef(const ServiceRef& other);
    ServiceRef& operator=(const ServiceRef& other);
    ServiceRef(ServiceRef&&) noexcept = default;
    ServiceRef& operator=(ServiceRef&&) noexcept = default;
    ~ServiceRef() = default;

    // Replaces the owner (closing the held handle first).
    void Attach(ServiceControlManager* manager);

    const std::wstring& Name() const noexcept { return name_; }
    ServiceControlManager* Manager() const noexcept { return manager_.Get(); }
    DWORD Flags() const noexcept { return flags_; }
    // Mask 0 clears every flag; otherwise set ORs the mask in, clear removes it.
    void SetFlags(DWORD mask, bool set) noexcept;
    ServiceProgressSink* Sink() const noexcept { return sink_; }
    void SetSink(ServiceProgressSink* sink) noexcept { sink_ = sink; }

    // Opens the handle for `mode` unless it is open already. A failure is
    // remembered per mode: asking again in that mode returns it at once;
    // another mode tries again.
    HRESULT EnsureOpen(ServiceOpenMode mode);

    // --- Queries (Query mode) --------------------------------------------------
    HRESULT QueryStatus(SERVICE_STATUS_PROCESS& status);
    // The configuration block, allocated with the COM task allocator.
    HRESULT QueryConfig(UniqueCoTaskMem& config);
    HRESULT GetDisplayName(std::wstring& name);
    HRESULT GetDescription(std::wstring& description);
    HRESULT GetComputerName(std::wstring& computer) const;
    // The services this one depends on, up to the first "+group" entry;
    // depth first when recursive.
    HRESULT GetDependencies(ServiceRefList& out, bool recursive);
    // The services that depend on this one: through EnumDependentServicesW
    // (every direct and indirect dependent, filtered by state), or by
    // searching every service's direct dependencies.
    HRESULT GetDependents(DWORD stateFilter, ServiceRefList& out, bool useDependentsEnumeration);

    // --- Control (Full mode; ServiceControl.cpp) -------------------------------
    HRESULT Start(ServiceFailureList* failures, ServiceRefList* dependents, DWORD argc, const wchar_t** argv);
    HRESULT Stop(ServiceFailureList* failures, ServiceRefList* stopped);
    HRESULT Pause(ServiceFailureList* failures, ServiceRefList* stopped);
    HRESULT Continue(ServiceFailureList* failures, ServiceRefList* stopped);
    HRESULT Restart(ServiceFailureList* failures);
    // Polls every 2 s until the service reaches `target`, reports a Win32
    // exit code, or shows no progress for the timeout (0x8007041D).
    HRESULT WaitForState(DWORD target);

    // --- Configuration (Full mode; ServiceRefConfig.cpp) -----------------------
    HRESULT SetStartType(DWORD startType);
    // An absent text is written as the empty text (for the description: the
    // description is removed).
    HRESULT SetDisplayName(const wchar_t* displayName);
    HRESULT SetDescription(const wchar_t* description);
    // Runs the service as LocalSystem, interacting with the desktop or not.
    HRESULT SetLocalSystem(bool interact);
    // Runs the service as `account`; the desktop bit is cleared.
    HRESULT SetAccount(const wchar_t* account, const wchar_t* password);
    // A SERVICE_FAILURE_ACTIONSW block from the COM task allocator.
    HRESULT QueryFailureActions(UniqueCoTaskMem& actions);
    HRESULT SetFailureActions(SERVICE_FAILURE_ACTIONSW* actions);
    // The service in each hardware profile of its computer (E_POINTER
    // without an owner).
    HRESULT EnumHardwareProfiles(std::vector<HardwareProfile>& profiles);
    HRESULT SetHardwareProfiles(const std::vector<HardwareProfile>& profiles);

private:
    // The configuration through the handle open now (every mode may query it).
    HRESULT ReadConfig(UniqueCoTaskMem& config);
    // The service type the configuration holds now, read on the open handle.
    HRESULT CurrentType(DWORD& type);

    HRESULT Control(DWORD code, ServiceFailureList* failures, ServiceRefList* stopped);
    void Notify(BOOL completed, DWORD target, HRESULT result, const SERVICE_STATUS_PROCESS& status, BOOL* cancel);

    UniqueScHandle handle_;
    std::wstring name_;
    ServiceProgressSink* sink_ = nullptr;  // not owned
    DWORD flags_ = 0;
    ServiceOpenMode mode_ = ServiceOpenMode::Query;
    HRESULT lastOpen_ = S_OK;
    ComPtr<ServiceControlManager> manager_;
};

struct ServiceFailure {
    ServiceRef service;
    HRESULT result;
};

// Appends, or does nothing when the list cannot grow.
void AppendService(ServiceRefList* list, const ServiceRef& service) noexcept;
void AppendFailure(ServiceFailureList* list, const ServiceRef& service, HRESULT result) noexcept;

}  // namespace vantrel
