// Control operations of a ServiceRef: start and stop with dependents, pause,
// continue, restart, and the wait for a state.
#include "services/ServiceRef.h"

#include "common/Result.h"
#include "platform/Clock.h"

#include <cwchar>

namespace vantrel {

namespace {

constexpr HRESULT kNetLogonRefused = static_cast<HRESULT>(0x800706E4);  // what stopping Net Logon is refused with
constexpr HRESULT kServiceTimeout = static_cast<HRESULT>(0x8007041D);   // ERROR_SERVICE_REQUEST_TIMEOUT
constexpr DWORD kMinimumTimeoutMs = 60000;
constexpr DWORD kPollMs = 2000;

}  // namespace

void ServiceRef::Notify(BOOL completed, DWORD target, HRESULT result, const SERVICE_STATUS_PROCESS& status,
                        BOOL* cancel) {
    if (!sink_ || !(flags_ & ServiceRefFlags::ReportProgress)) return;
    try {
        sink_->OnServiceStatus(*this, completed, target, result, status, cancel);
    } catch (...) {
        // A sink that throws loses that notification (E_UNEXPECTED); the
        // wait goes on.
        VANTREL_NOTE(E_UNEXPECTED);
    }
}

HRESULT ServiceRef::WaitForState(DWORD target) {
    if (FAILED(EnsureOpen(ServiceOpenMode::Query))) return lastOpen_;
    DWORD start = plat::GetTickCount();
    BOOL cancel = FALSE;
    SERVICE_STATUS_PROCESS status{};
    Notify(FALSE, target, S_OK, status, &cancel);
    if (cancel) return S_FALSE;

    // One read: fails, reports an exit code, or may be the target already.
    auto read = [&](bool& done) -> HRESULT {
        done = true;
        HRESULT hr = QueryStatus(status);
        if (FAILED(hr)) {
            Notify(FALSE, target, hr, status, &cancel);
            return hr;
        }
        if (status.dwWin32ExitCode != 0) {
            hr = HResultFromWin32(static_cast<long>(status.dwWin32ExitCode));
            Notify(FALSE, target, hr, status, &cancel);
            return hr;
        }
        if (status.dwCurrentState == target) {
            Notify(TRUE, target, S_OK, status, &cancel);
            return S_OK;
        }
        if (cancel) return S_FALSE;
        done = false;
        return S_OK;
    };

    bool done = false;
    HRESULT hr = read(done);
    if (done) return hr;
    // The timeout is fixed by the first read: a later wait hint does not
    // change it, while progress (check point or state) restarts the clock.
    const DWORD timeout = status.dwWaitHint > kMinimumTimeoutMs ? status.dwWaitHint : kMinimumTimeoutMs;
    DWORD checkPoint = status.dwCheckPoint;
    DWORD state = status.dwCurrentState;
    for (;;) {
        hr = read(done);
        if (done) return hr;
        if (status.dwCheckPoint != checkPoint) {
            start = plat::GetTickCount();
            checkPoint = status.dwCheckPoint;
        }
        if (status.dwCurrentState != state) {
            start = plat::GetTickCount();
            state = status.dwCurrentState;
        }
        if (plat::GetTickCount() - start >= timeout) {
            Notify(FALSE, target, kServiceTimeout, status, &cancel);
            return kServiceTimeout;
        }
        plat::Sleep(kPollMs);
    }
}

HRESULT ServiceRef::Start(ServiceFailureList* failures, ServiceRefList* dependents, DWORD argc, const wchar_t** argv) {
    if (FAILED(EnsureOpen(ServiceOpenMode::Full))) return lastOpen_;
    HRESULT waited = S_OK;
    if (plat::StartServiceW(handle_.Get(), argc, argv)) {
        if (flags_ & (ServiceRefFlags::IncludeDependents | ServiceRefFlags::WaitForState)) {
            waited = WaitForState(SERVICE_RUNNING);
            if (FAILED(waited)) {
                AppendFailure(failures, *this, waited);
                return waited;
            }
        }
    } else {
        const DWORD error = ::GetLastError();
        if (error != ERROR_SERVICE_ALREADY_RUNNING) {
            const HRESULT hr = HResultFromFailure(error);
            AppendFailure(failures, *this, hr);
            return hr;
        }
    }

    if (flags_ & ServiceRefFlags::IncludeDependents) {
        ServiceRefList found;
        ServiceRefList* list = dependents;
        if (!list) {
            RETURN_IF_FAILED(GetDependents(SERVICE_INACTIVE, found, true));
            list = &found;
        }
        for (size_t i = list->size(); i-- > 0;) {
            ServiceRef& entry = (*list)[i];
            entry.SetSink(sink_);
            entry.SetFlags(flags_ & ~ServiceRefFlags::IncludeDependents, true);
            const HRESULT hr = entry.Start(failures, nullptr, 0, nullptr);
            if (FAILED(hr) && !(flags_ & ServiceRefFlags::ContinueOnError)) return hr;
        }
    }
    return waited;
}

HRESULT ServiceRef::Control(DWORD code, ServiceFailureList* failures, ServiceRefList* stopped) {
    DWORD target = 0;
    switch (code) {
        case SERVICE_CONTROL_STOP: target = SERVICE_STOPPED; break;
        case SERVICE_CONTROL_PAUSE: target = SERVICE_PAUSED; break;
        case SERVICE_CONTROL_CONTINUE: target = SERVICE_RUNNING; break;
        default: RETURN_HR(E_INVALIDARG);
    }
    if (FAILED(EnsureOpen(ServiceOpenMode::Full))) return lastOpen_;
    // Net Logon is never stopped, paused or continued from here: the domain
    // depends on it (DNS record checks restart it their own way).
    if (::_wcsicmp(name_.c_str(), L"NetLogon") == 0) {
        AppendFailure(failures, *this, kNetLogonRefused);
        return kNetLogonRefused;
    }

    if (flags_ & ServiceRefFlags::IncludeDependents) {
        ServiceRefList active;
        RETURN_IF_FAILED(GetDependents(SERVICE_ACTIVE, active, true));
        for (size_t i = active.size(); i-- > 0;) {
            ServiceRef& entry = active[i];
            entry.SetSink(sink_);
            entry.SetFlags((flags_ & ~ServiceRefFlags::IncludeDependents) | ServiceRefFlags::WaitForState, true);
            // Dependents are stopped whatever this service is asked to do.
            const HRESULT hr = entry.Stop(failures, stopped);
            if (FAILED(hr)) {
                if (hr == kNetLogonRefused || (flags_ & ServiceRefFlags::ContinueOnError)) continue;
                return hr;
            }
            AppendService(stopped, entry);
        }
    }

    SERVICE_STATUS status{};
    if (plat::ControlService(handle_.Get(), code, &status)) {
        if (flags_ & ServiceRefFlags::WaitForState) {
            const HRESULT hr = WaitForState(target);
            if (FAILED(hr)) {
                AppendFailure(failures, *this, hr);
                return hr;
            }
        }
        return S_OK;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_SERVICE_NOT_ACTIVE) return S_OK;
    const HRESULT hr = HResultFromFailure(error);
    AppendFailure(failures, *this, hr);
    return hr;
}

HRESULT ServiceRef::Stop(ServiceFailureList* failures, ServiceRefList* stopped) {
    return Control(SERVICE_CONTROL_STOP, failures, stopped);
}

HRESULT ServiceRef::Pause(ServiceFailureList* failures, ServiceRefList* stopped) {
    return Control(SERVICE_CONTROL_PAUSE, failures, stopped);
}

HRESULT ServiceRef::Continue(ServiceFailureList* failures, ServiceRefList* stopped) {
    return Control(SERVICE_CONTROL_CONTINUE, failures, stopped);
}

HRESULT ServiceRef::Restart(ServiceFailureList* failures) {
    ServiceRefList stopped;
    RETURN_IF_FAILED(Stop(failures, &stopped));
    return Start(failures, &stopped, 0, nullptr);
}

}  // namespace vantrel
