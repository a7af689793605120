#pragma once
// A reference-counted worker thread with a stop event, an overridable body and
// a wait that keeps the calling thread's window messages flowing.
//
// Owners hold a reference (AddRef/Release). The thread holds its own
// reference while it runs, so an owner may release the worker at any time,
// even while Run is executing; the last Release sets the stop event and, on
// any thread but the worker's own, waits for the thread while dispatching
// messages.
#include "common/Handles.h"

#include <windows.h>

#include <functional>

namespace vantrel {

class WorkerThread {
public:
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    ULONG AddRef() noexcept;
    ULONG Release() noexcept;

    // Sets the stop event; with a non-zero timeout, then waits as WaitPumping.
    HRESULT SignalStop(DWORD timeoutMs);
    // Creates the stop event and the thread. A non-zero priority starts the
    // thread suspended to set it first. A non-zero wait timeout waits as
    // WaitPumping and returns its result.
    HRESULT Start(DWORD waitTimeoutMs, int priority, bool failOnPriorityError);
    // S_OK while the thread still runs after the timeout, E_FAIL once it ended.
    // Does not dispatch messages.
    HRESULT IsRunning(DWORD timeoutMs);
    // Waits for the thread while dispatching the calling thread's messages:
    // S_OK when the thread ended, E_FAIL on timeout or failure. The timeout
    // counts again from each wake-up. The caller's window procedures can be
    // re-entered meanwhile.
    HRESULT WaitPumping(DWORD timeoutMs);
    // S_OK when a stop was signalled, S_FALSE otherwise, E_HANDLE before Start.
    // A Run body goes on while this is non-zero.
    HRESULT StopSignalled();
    // Run's result once the thread ended; STILL_ACTIVE (259) while it runs.
    HRESULT GetExitCode(DWORD* exitCode);

    DWORD ThreadId() const noexcept { return threadId_; }
    HANDLE StopEvent() const noexcept { return stopEvent_.Get(); }
    // Null before Start; stays valid until the last Release.
    HANDLE ThreadHandle() const noexcept { return thread_.Get(); }

protected:
    WorkerThread() noexcept = default;
    virtual ~WorkerThread() = default;

    // The work. Its HRESULT becomes the thread's exit code; a run that ends
    // because a stop was signalled returns S_FALSE.
    virtual HRESULT Run() = 0;

private:
    static unsigned __stdcall ThreadProc(void* param);
    void Shutdown() noexcept;

    volatile LONG refs_ = 0;
    UniqueHandle thread_;
    UniqueHandle stopEvent_;
    unsigned threadId_ = 0;
};

// The message-pumping wait on any handle (used by WorkerThread and by owners
// that wait for other kinds of threads).
HRESULT WaitPumpingFor(HANDLE handle, DWORD timeoutMs);
// Waits without a time limit until one of `handles` (at most 63) is
// signalled, dispatching this thread's messages meanwhile; `index` names it.
// E_FAIL when the wait fails.
HRESULT WaitPumpingForAny(const HANDLE* handles, DWORD count, DWORD& index);

// Runs `call` on a worker of its own while the calling thread dispatches its
// messages, and returns its result, or HRESULT_FROM_WIN32(WAIT_TIMEOUT) when
// it has not answered within `timeoutMs` (counted from the call, whatever
// messages come meanwhile). A late call runs on to its end unwatched: it must
// work only on what it owns (copies, and shared results the caller drops).
HRESULT CallPumping(std::function<HRESULT()> call, DWORD timeoutMs);

}  // namespace vantrel
