#pragma once
// Runs one job per computer on a bounded set of short-lived worker threads and
// hands the finished jobs back one at a time through a counting semaphore.
//
// The owner queues copies of its jobs (AddJob, under a non-blocking try of the
// start lock), calls Start, waits on ResultsSemaphore and takes one result
// per signal (TakeResult), then drains what is still queued. The manager's
// own thread (Run) starts the workers, at most `maxThreads` (63 at most: one
// wait covers them all) at a time, and dispatches its window messages while
// it waits. When no running worker ends within `waitTimeout`, the batch is
// abandoned: the running jobs give no result, the queued ones stay queued.
#include "common/ComPtr.h"
#include "common/CriticalSection.h"
#include "common/GrowableArray.h"
#include "common/Handles.h"
#include "common/ModuleState.h"
#include "common/Result.h"
#include "common/WorkerThread.h"
#include "wizards/ComputerJob.h"

#include <windows.h>

#include <new>
#include <stdexcept>

namespace vantrel {

// At most this many handles fit one message-pumping wait.
constexpr DWORD kMaxBatchThreads = 63;

enum class WorkerWait { Finished, TimedOut, Failed };

// Waits until one of `handles` is signalled, dispatching the thread's window
// messages meanwhile; each message starts the timeout again in full.
WorkerWait WaitForAnyWorker(const HANDLE* handles, size_t count, DWORD timeoutMs, size_t* finished) noexcept;

// The manager thread's two failure boxes (error box for E_FAIL, no owner).
enum class BatchFailure { ThreadStart, ThreadWait };
const wchar_t* BatchFailureContext(BatchFailure failure) noexcept;
void ShowBatchFailure(BatchFailure failure) noexcept;

// One job on a thread of its own, in a single-threaded apartment.
template <typename JobType>
class BatchJobWorker final : public WorkerThread {
public:
    explicit BatchJobWorker(const JobType& job) noexcept : job_(job) { module::Lock(); }

    // Only once the thread has ended.
    const JobType& Job() const noexcept { return job_; }

protected:
    // An abandoned job may outlive the wizard that started it: the module
    // stays loaded until it has ended.
    ~BatchJobWorker() override { module::Unlock(); }

    HRESULT Run() override {
        const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        const HRESULT result = StopSignalled() == S_OK ? S_FALSE : job_.Execute();
        if (SUCCEEDED(init)) ::CoUninitialize();
        return result;
    }

private:
    JobType job_;
};

template <typename JobType>
class TvAsyncBatchJobManager final : public WorkerThread {
public:
    using Worker = BatchJobWorker<JobType>;

    // The wizards' values: 10 threads, 1024 jobs, 60 seconds.
    TvAsyncBatchJobManager(DWORD maxThreads, DWORD maxJobs, DWORD waitTimeout) noexcept
        : maxJobs_(maxJobs),
          maxThreads_(maxThreads < kMaxBatchThreads ? maxThreads : kMaxBatchThreads),
          waitTimeout_(waitTimeout),
          // Without a semaphore the manager still exists; every signal fails.
          resultsSemaphore_(::CreateSemaphoreW(nullptr, 0, static_cast<LONG>(maxJobs), nullptr)) {}

    DWORD MaxThreads() const noexcept { return maxThreads_; }
    DWORD MaxJobs() const noexcept { return maxJobs_; }
    DWORD WaitTimeout() const noexcept { return waitTimeout_; }
    HANDLE ResultsSemaphore() const noexcept { return resultsSemaphore_.Get(); }

    // E_FAIL when the queue is full, E_OUTOFMEMORY when it cannot grow.
    HRESULT AddJob(const JobType& job) noexcept {
        CriticalSectionEntry entry(queueLock_);
        if (queue_.Size() + 1 > maxJobs_) return E_FAIL;
        return queue_.Append(job);
    }

    // Jobs are queued under a successful try: always on the thread that
    // started the manager, elsewhere only before the start.
    bool TryEnterStartLock() noexcept { return startLock_.TryEnter(); }
    void LeaveStartLock() noexcept { startLock_.Leave(); }

    // Starts the manager thread; a non-zero `waitForIt` then waits for it,
    // dispatching the caller's messages, and returns that wait's result.
    HRESULT Start(DWORD waitForIt) noexcept {
        startLock_.Enter();  // held for the rest of the manager's life
        RETURN_IF_FAILED(WorkerThread::Start(0, 0, false));
        return waitForIt != 0 ? WaitPumping(waitForIt) : S_OK;
    }

    size_t QueuedCount() noexcept {
        CriticalSectionEntry entry(queueLock_);
        return queue_.Size();
    }

    // A copy of the queued job at `index`; false when there is none.
    bool CopyQueuedJob(size_t index, JobType& job) noexcept {
        CriticalSectionEntry entry(queueLock_);
        if (index >= queue_.Size()) return false;
        job = queue_[index];
        return true;
    }

    // Removes (and destroys) the queued job at `index`.
    void RemoveQueuedJob(size_t index) {
        CriticalSectionEntry entry(queueLock_);
        if (!queue_.RemoveAt(index))
            throw std::out_of_range("Out of range exception, context: TvAsyncBatchJobManager::RemoveQueuedJob");
    }

    // After one successful wait on the semaphore: the oldest result, taken
    // out of the list. False when there is none.
    bool TakeResult(JobType& job) noexcept {
        CriticalSectionEntry entry(resultsLock_);
        if (resultList_.Empty()) return false;
        job = resultList_[0];
        resultList_.RemoveAt(0);
        return true;
    }

protected:
    ~TvAsyncBatchJobManager() override = default;

    // The manager thread: 0 when every queued job ran, 1 when stopped (from
    // outside or by the timeout rule), E_FAIL when a worker could not be
    // started or waited for.
    HRESULT Run() override {
        GrowableArray<HANDLE> handles;  // running workers, in order of start
        GrowableArray<ComPtr<Worker>> workers;  // same order
        auto takeIn = [&](size_t index) noexcept {
            {
                CriticalSectionEntry entry(resultsLock_);
                // A list that cannot grow drops the result unsignalled.
                if (SUCCEEDED(resultList_.Append(workers[index]->Job())))
                    ::ReleaseSemaphore(resultsSemaphore_.Get(), 1, nullptr);
            }
            workers.RemoveAt(index);
            handles.RemoveAt(index);
        };
        // One wait: false when the loop must end (timeout or failure).
        HRESULT failure = S_OK;
        auto waitOne = [&]() noexcept {
            size_t finished = 0;
            switch (WaitForAnyWorker(handles.Data(), handles.Size(), waitTimeout_, &finished)) {
                case WorkerWait::Finished: takeIn(finished); return true;
                case WorkerWait::TimedOut: ::SetEvent(StopEvent()); return false;
                case WorkerWait::Failed: break;
            }
            ShowBatchFailure(BatchFailure::ThreadWait);
            failure = E_FAIL;
            return false;
        };

        bool draining = true;
        while (QueuedCount() != 0 && StopSignalled() != S_OK) {
            if (handles.Size() >= maxThreads_ && !waitOne()) {
                draining = false;
                break;
            }
            if (FAILED(failure)) return failure;
            ComPtr<Worker> worker;
            const HRESULT started = StartNextJob(worker);
            if (FAILED(started)) {
                ShowBatchFailure(BatchFailure::ThreadStart);
                return E_FAIL;
            }
            if (started == S_FALSE) continue;  // the queue was emptied meanwhile
            if (FAILED(handles.Append(worker->ThreadHandle())) || FAILED(workers.Append(worker))) {
                // Not trackable: the worker runs on unwatched and its result is lost.
                if (handles.Size() > workers.Size()) handles.RemoveAt(handles.Size() - 1);
                worker->SignalStop(0);
            }
        }
        if (FAILED(failure)) return failure;
        while (draining && handles.Size() > 0 && StopSignalled() != S_OK) {
            if (!waitOne()) break;
        }
        if (FAILED(failure)) return failure;

        if (StopSignalled() != S_OK) return S_OK;
        for (size_t i = 0; i < workers.Size(); ++i) workers[i]->SignalStop(0);
        workers.Clear();  // their jobs never reach the results
        handles.Clear();
        return S_FALSE;
    }

private:
    // Starts a worker for the queue's head: S_OK, S_FALSE when the queue
    // is empty, a failure when no worker could be made or started.
    HRESULT StartNextJob(ComPtr<Worker>& worker) noexcept {
        {
            CriticalSectionEntry entry(queueLock_);
            if (queue_.Empty()) return S_FALSE;
            worker = ComPtr<Worker>(new (std::nothrow) Worker(queue_[0]));
            if (!worker) return E_OUTOFMEMORY;
            queue_.RemoveAt(0);
        }
        return worker->Start(0, 0, false);
    }

    CriticalSection queueLock_;
    CriticalSection startLock_;
    CriticalSection resultsLock_;
    GrowableArray<JobType> queue_;
    GrowableArray<JobType> resultList_;
    const DWORD maxJobs_;
    const DWORD maxThreads_;
    const DWORD waitTimeout_;
    UniqueHandle resultsSemaphore_;
};

}  // namespace vantrel
