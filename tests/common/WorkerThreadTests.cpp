#include "common/WorkerThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

using namespace vantrel;

namespace {

// A worker whose body is a lambda, with a record of its destruction.
class LambdaWorker : public WorkerThread {
public:
    struct Trace {
        std::atomic<bool> destroyed{false};
        std::atomic<DWORD> destroyedOnThread{0};
        std::atomic<bool> runFinished{false};
    };

    LambdaWorker(std::function<HRESULT(LambdaWorker&)> body, Trace* trace = nullptr)
        : body_(std::move(body)), trace_(trace) {}

protected:
    ~LambdaWorker() override {
        if (trace_) {
            trace_->destroyedOnThread = ::GetCurrentThreadId();
            trace_->destroyed = true;
        }
    }
    HRESULT Run() override {
        const HRESULT hr = body_(*this);
        if (trace_) trace_->runFinished = true;
        return hr;
    }

private:
    std::function<HRESULT(LambdaWorker&)> body_;
    Trace* trace_;
};

// Holds one owner reference, as the views do.
struct Owned {
    explicit Owned(LambdaWorker* w) : worker(w) { worker->AddRef(); }
    ~Owned() { if (worker) worker->Release(); }
    LambdaWorker* operator->() const { return worker; }
    void Drop() { worker->Release(); worker = nullptr; }
    LambdaWorker* worker;
};

// Runs until a stop is signalled.
HRESULT UntilStopped(LambdaWorker& self) {
    while (self.StopSignalled() != S_OK) ::Sleep(1);
    return S_FALSE;
}

// A window on the test thread whose procedure counts and can be re-entered.
class OwnerWindow {
public:
    OwnerWindow() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &OwnerWindow::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VantrelTestOwner";
        ::RegisterClassW(&wc);
        window = ::CreateWindowExW(0, L"VantrelTestOwner", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
    }
    ~OwnerWindow() { ::DestroyWindow(window); }

    HWND window = nullptr;
    std::vector<UINT> seen;
    std::function<void(UINT)> onUser;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE) {
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
        }
        auto* self = reinterpret_cast<OwnerWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && msg >= WM_USER && msg < WM_USER + 100) {
            self->seen.push_back(msg);
            if (self->onUser) self->onUser(msg);
            return 0;
        }
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
};

}  // namespace

TEST(WorkerThreadModal, HandlesAreMissingBeforeStartThenStartWaitsAndGivesRunsResult) {
    Owned w(new LambdaWorker([](LambdaWorker&) { return static_cast<HRESULT>(0x80070035); }));
    DWORD code = 0;
    EXPECT_EQ(E_HANDLE, w->StopSignalled());
    EXPECT_EQ(E_HANDLE, w->SignalStop(0));
    EXPECT_EQ(E_HANDLE, w->GetExitCode(&code));
    EXPECT_EQ(E_INVALIDARG, w->GetExitCode(nullptr));
    EXPECT_EQ(E_FAIL, w->IsRunning(0));
    EXPECT_EQ(S_OK, w->Start(INFINITE, 0, false));
    EXPECT_EQ(S_OK, w->GetExitCode(&code));
    EXPECT_EQ(0x80070035u, code);
    EXPECT_EQ(E_FAIL, w->IsRunning(0));
    EXPECT_EQ(S_OK, w->WaitPumping(INFINITE));  // already ended: returns at once
    EXPECT_EQ(E_UNEXPECTED, w->Start(0, 0, false));
}

TEST(WorkerThreadBackground, RunningWorkerReportsStillActive) {
    Owned w(new LambdaWorker(UntilStopped));
    ASSERT_EQ(S_OK, w->Start(0, 0, false));
    DWORD code = 0;
    EXPECT_EQ(S_OK, w->GetExitCode(&code));
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), code);
    EXPECT_EQ(S_OK, w->IsRunning(10));
    EXPECT_EQ(S_FALSE, w->StopSignalled());
    EXPECT_EQ(E_FAIL, w->WaitPumping(20));  // still running: times out

    EXPECT_EQ(S_OK, w->SignalStop(0));  // no wait
    EXPECT_EQ(S_OK, w->StopSignalled());
    EXPECT_EQ(S_OK, w->WaitPumping(INFINITE));
    EXPECT_EQ(S_OK, w->GetExitCode(&code));
    EXPECT_EQ(static_cast<DWORD>(S_FALSE), code);
}

TEST(WorkerThreadPriority, SuspendedStartSetsThePriorityAndARefusalFailsOnlyWhenAsked) {
    int seen = 0;
    Owned w(new LambdaWorker([&](LambdaWorker&) {
        seen = ::GetThreadPriority(::GetCurrentThread());
        return S_OK;
    }));
    EXPECT_EQ(S_OK, w->Start(INFINITE, THREAD_PRIORITY_BELOW_NORMAL, true));
    EXPECT_EQ(THREAD_PRIORITY_BELOW_NORMAL, seen);

    Owned strict(new LambdaWorker(UntilStopped));
    const HRESULT hr = strict->Start(0, 12345, true);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(HRESULT_FACILITY(hr), FACILITY_WIN32);
    // The suspended thread is not left behind: it sees the stop and ends.
    EXPECT_EQ(S_OK, strict->WaitPumping(10000));

    Owned lenient(new LambdaWorker([](LambdaWorker&) { return S_OK; }));
    EXPECT_EQ(S_OK, lenient->Start(INFINITE, 12345, false));
}

// The owner drops its reference while Run executes (a view destroyed
// mid-enumeration): the worker lives on until Run returns and is then
// destroyed on its own thread, without waiting for itself.
TEST(WorkerThreadLifetime, OwnerReleaseDuringRunDefersDestructionToTheWorker) {
    LambdaWorker::Trace trace;
    HANDLE go = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD workerThread = 0;
    auto* w = new LambdaWorker([&](LambdaWorker&) {
        workerThread = ::GetCurrentThreadId();
        ::WaitForSingleObject(go, INFINITE);
        return S_OK;
    }, &trace);
    w->AddRef();
    ASSERT_EQ(S_OK, w->Start(0, 0, false));
    HANDLE thread = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), ::OpenThread(SYNCHRONIZE, FALSE, w->ThreadId()),
                                  ::GetCurrentProcess(), &thread, 0, FALSE, DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE));
    w->Release();
    EXPECT_FALSE(trace.destroyed);
    ::SetEvent(go);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread, 10000));  // no self-wait deadlock
    EXPECT_TRUE(trace.destroyed);
    EXPECT_EQ(workerThread, trace.destroyedOnThread.load());
    ::CloseHandle(thread);
    ::CloseHandle(go);
}

// The owner's reference is the last once Run has returned: the release then
// happens on the owner's thread, which waits for the thread's very end.
TEST(WorkerThreadLifetime, LastReleaseOnOwnerAfterRunDestroysThere) {
    LambdaWorker::Trace trace;
    auto* w = new LambdaWorker(UntilStopped, &trace);
    w->AddRef();
    ASSERT_EQ(S_OK, w->Start(0, 0, false));
    EXPECT_EQ(S_OK, w->SignalStop(INFINITE));
    EXPECT_TRUE(trace.runFinished);
    EXPECT_FALSE(trace.destroyed);
    w->Release();
    EXPECT_TRUE(trace.destroyed);
    EXPECT_EQ(::GetCurrentThreadId(), trace.destroyedOnThread.load());
}

TEST(WorkerThreadLifetime, ManyWorkersLeaveNoHandlesBehind) {
    DWORD before = 0, after = 0;
    ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &before));
    for (int i = 0; i < 50; ++i) {
        Owned modal(new LambdaWorker([](LambdaWorker&) { return S_OK; }));
        modal->Start(INFINITE, 0, false);
        auto* dropped = new LambdaWorker([](LambdaWorker&) { ::Sleep(1); return S_OK; });
        dropped->AddRef();
        dropped->Start(0, 0, false);
        dropped->Release();
    }
    ::Sleep(50);
    ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &after));
    EXPECT_LE(after, before + 2);  // thread-pool slack, not 100 threads' worth
}

// While the owner waits, its window procedure runs: a worker can ask the
// owner's thread for something and wait for the answer.
TEST(WorkerThreadPumping, OwnerWindowIsServedDuringTheWait) {
    OwnerWindow owner;
    HANDLE answered = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    owner.onUser = [&](UINT) { ::SetEvent(answered); };
    Owned w(new LambdaWorker([&](LambdaWorker&) {
        ::PostMessageW(owner.window, WM_USER + 1, 0, 0);
        return ::WaitForSingleObject(answered, 10000) == WAIT_OBJECT_0 ? S_OK : E_FAIL;
    }));
    EXPECT_EQ(S_OK, w->Start(INFINITE, 0, false));
    DWORD code = 1;
    w->GetExitCode(&code);
    EXPECT_EQ(0u, code);
    ASSERT_EQ(1u, owner.seen.size());
    ::CloseHandle(answered);
}

// The window procedure re-entered by the wait starts and waits for a second
// worker (a refresh demanded during a command): both waits complete.
TEST(WorkerThreadPumping, ReentrantNestedWaits) {
    OwnerWindow owner;
    std::vector<int> order;
    HANDLE innerDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    owner.onUser = [&](UINT) {
        Owned inner(new LambdaWorker([&](LambdaWorker&) { ::Sleep(20); return S_OK; }));
        EXPECT_EQ(S_OK, inner->Start(INFINITE, 0, false));
        order.push_back(1);
        ::SetEvent(innerDone);
    };
    Owned outer(new LambdaWorker([&](LambdaWorker&) {
        ::SendMessageW(owner.window, WM_USER + 2, 0, 0);  // sent messages are served by the wait too
        return S_OK;
    }));
    EXPECT_EQ(S_OK, outer->Start(INFINITE, 0, false));
    order.push_back(2);
    EXPECT_EQ((std::vector<int>{1, 2}), order);
    ::CloseHandle(innerDone);
}

// A call bounded in time: its own result when it answers, a timeout when it
// does not; messages keep flowing meanwhile, and a steady stream of them
// (a timer) does not move the bound.
TEST(WorkerThreadBoundedCall, AnswersInTimeOrTimesOutWhateverTheMessages) {
    EXPECT_EQ(S_FALSE, CallPumping([] { return S_FALSE; }, 3000));
    EXPECT_EQ(E_ACCESSDENIED, CallPumping([] { return E_ACCESSDENIED; }, 3000));

    OwnerWindow owner;
    ASSERT_NE(0u, ::SetTimer(owner.window, 1, 10, [](HWND window, UINT, UINT_PTR, DWORD) {
        reinterpret_cast<OwnerWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA))->seen.push_back(WM_TIMER);
    }));
    auto release = std::make_shared<UniqueHandle>(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    // Answers by itself only after 20 s: long after the bound, short of a hang.
    const HRESULT late = CallPumping(
        [release] { return ::WaitForSingleObject(release->Get(), 20000) == WAIT_OBJECT_0 ? S_OK : E_ABORT; }, 300);
    ::KillTimer(owner.window, 1);
    ::SetEvent(release->Get());
    EXPECT_EQ(HRESULT_FROM_WIN32(WAIT_TIMEOUT), late);
    EXPECT_FALSE(owner.seen.empty()) << "the timer's messages were dispatched during the wait";
}
