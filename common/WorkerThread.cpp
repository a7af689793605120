#include "common/WorkerThread.h"

#include "common/ComPtr.h"
#include "common/ModuleState.h"
#include "common/Result.h"

#include <process.h>

#include <new>

namespace vantrel {

HRESULT WaitPumpingFor(HANDLE handle, DWORD timeoutMs) {
    for (;;) {
        const DWORD wait = ::MsgWaitForMultipleObjects(1, &handle, FALSE, timeoutMs, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) return S_OK;
        if (wait != WAIT_OBJECT_0 + 1) RETURN_HR(E_FAIL);  // timeout or failure
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
            if (::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0) return S_OK;
        }
    }
}

HRESULT WaitPumpingForAny(const HANDLE* handles, DWORD count, DWORD& index) {
    for (;;) {
        const DWORD wait = ::MsgWaitForMultipleObjects(count, handles, FALSE, INFINITE, QS_ALLINPUT);
        if (wait < WAIT_OBJECT_0 + count) {
            index = wait - WAIT_OBJECT_0;
            return S_OK;
        }
        if (wait != WAIT_OBJECT_0 + count) RETURN_HR(E_FAIL);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

ULONG WorkerThread::AddRef() noexcept { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

ULONG WorkerThread::Release() noexcept {
    const LONG refs = ::InterlockedDecrement(&refs_);
    if (refs == 0) {
        // Stop and join before the derived part is destroyed: Run may still be
        // using it until the thread has ended.
        Shutdown();
        delete this;
    }
    return static_cast<ULONG>(refs);
}

void WorkerThread::Shutdown() noexcept {
    if (stopEvent_ && ::SetEvent(stopEvent_.Get()) && thread_ && ::GetCurrentThreadId() != threadId_)
        WaitPumpingFor(thread_.Get(), INFINITE);
    // On the worker's own thread (its reference was the last) there is
    // nothing to wait for: the thread is returning. Closing its handle does
    // not end it.
    thread_.Reset();
    stopEvent_.Reset();
}

HRESULT WorkerThread::SignalStop(DWORD timeoutMs) {
    if (!stopEvent_) RETURN_HR(E_HANDLE);
    RETURN_LAST_ERROR_IF(!::SetEvent(stopEvent_.Get()));
    if (timeoutMs == 0) return S_OK;
    return WaitPumping(timeoutMs);
}

HRESULT WorkerThread::Start(DWORD waitTimeoutMs, int priority, bool failOnPriorityError) {
    if (thread_) RETURN_HR(E_UNEXPECTED);  // a worker runs once
    stopEvent_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    RETURN_LAST_ERROR_IF(!stopEvent_);

    // The thread's own reference is taken here rather than by the thread, so
    // that an owner releasing right after Start cannot destroy the object
    // before the thread has run.
    AddRef();
    const unsigned flags = priority != 0 ? CREATE_SUSPENDED : 0;
    const uintptr_t handle = ::_beginthreadex(nullptr, 0, &WorkerThread::ThreadProc, this, flags, &threadId_);
    if (handle == 0) {
        Release();
        RETURN_HR(E_FAIL);
    }
    thread_.Reset(reinterpret_cast<HANDLE>(handle));

    if (priority != 0) {
        if (!::SetThreadPriority(thread_.Get(), priority) && failOnPriorityError) {
            const HRESULT hr = HResultFromLastError();
            // Let the suspended thread see the stop and end, rather than
            // leaving it (and its reference) suspended for ever.
            ::SetEvent(stopEvent_.Get());
            ::ResumeThread(thread_.Get());
            return hr;
        }
        RETURN_LAST_ERROR_IF(::ResumeThread(thread_.Get()) == static_cast<DWORD>(-1));
    }
    return waitTimeoutMs != 0 ? WaitPumping(waitTimeoutMs) : S_OK;
}

HRESULT WorkerThread::IsRunning(DWORD timeoutMs) {
    return ::WaitForSingleObject(thread_.Get(), timeoutMs) == WAIT_TIMEOUT ? S_OK : E_FAIL;
}

HRESULT WorkerThread::WaitPumping(DWORD timeoutMs) { return WaitPumpingFor(thread_.Get(), timeoutMs); }

HRESULT WorkerThread::StopSignalled() {
    if (!stopEvent_) RETURN_HR(E_HANDLE);
    return ::WaitForSingleObject(stopEvent_.Get(), 0) == WAIT_OBJECT_0 ? S_OK : S_FALSE;
}

HRESULT WorkerThread::GetExitCode(DWORD* exitCode) {
    if (!exitCode) RETURN_HR(E_INVALIDARG);
    if (!thread_) RETURN_HR(E_HANDLE);
    RETURN_LAST_ERROR_IF(!::GetExitCodeThread(thread_.Get(), exitCode));
    return S_OK;
}

unsigned __stdcall WorkerThread::ThreadProc(void* param) {
    auto* self = static_cast<WorkerThread*>(param);
    const HRESULT result = self->Run();
    self->Release();  // may destroy the object: touch nothing after this
    return static_cast<unsigned>(result);
}

namespace {

class PumpedCall final : public WorkerThread {
public:
    // Keeps the module loaded for as long as a late call still runs.
    explicit PumpedCall(std::function<HRESULT()> call) noexcept
        : call_(std::move(call)), done_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        module::Lock();
    }
    ~PumpedCall() override { module::Unlock(); }

    HANDLE Done() const noexcept { return done_.Get(); }
    // Only once Done is set.
    HRESULT Result() const noexcept { return result_; }

private:
    HRESULT Run() override {
        result_ = call_();
        // What the call holds (handles among it) is gone before its caller
        // hears the answer.
        call_ = nullptr;
        ::SetEvent(done_.Get());
        return result_;
    }

    std::function<HRESULT()> call_;
    UniqueHandle done_;
    HRESULT result_ = E_FAIL;
};

}  // namespace

HRESULT CallPumping(std::function<HRESULT()> call, DWORD timeoutMs) {
    ComPtr<PumpedCall> worker(new (std::nothrow) PumpedCall(std::move(call)));
    if (!worker) RETURN_HR(E_OUTOFMEMORY);
    RETURN_LAST_ERROR_IF(!worker->Done());
    // The bound is one point in time: WaitPumping's timeout starts again at
    // every message, so a steady stream of them would never let it expire.
    UniqueHandle deadline(::CreateWaitableTimerW(nullptr, TRUE, nullptr));
    RETURN_LAST_ERROR_IF(!deadline);
    LARGE_INTEGER due{};
    due.QuadPart = -10000LL * timeoutMs;  // relative, in 100 ns
    RETURN_LAST_ERROR_IF(!::SetWaitableTimer(deadline.Get(), &due, 0, nullptr, nullptr, FALSE));
    RETURN_IF_FAILED(worker->Start(0, 0, false));

    const HANDLE handles[] = {worker->Done(), deadline.Get()};
    for (;;) {
        const DWORD wait = ::MsgWaitForMultipleObjects(2, handles, FALSE, INFINITE, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) return worker->Result();
        if (wait == WAIT_OBJECT_0 + 1) RETURN_WIN32(WAIT_TIMEOUT);
        RETURN_LAST_ERROR_IF(wait != WAIT_OBJECT_0 + 2);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

}  // namespace vantrel
