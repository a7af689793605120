#pragma once
// The multiple-computer wizard sheet with its two job phases: phase 1 runs
// jobs of Job1Type, phase 2 jobs of Job2Type, each a copy of the phase's job
// prototype, one per checked computer, on a TvAsyncBatchJobManager.
#include "common/GrowableArray.h"
#include "wizards/ComputerWizardSheet.h"
#include "wizards/ResultReport.h"
#include "wizards/TvAsyncBatchJobManager.h"

namespace vantrel {

template <typename Job1Type, typename Job2Type>
class TvSheetComputerWizard final : public ComputerWizardSheet {
public:
    // Workers per phase and the queue's size.
    static constexpr DWORD kThreads = 10;
    static constexpr DWORD kMaxJobs = 1024;

    using ComputerWizardSheet::ComputerWizardSheet;
    ~TvSheetComputerWizard() override = default;

    // What the operation pages fill in; every queued job is a copy.
    Job1Type& Prototype1() noexcept { return prototype1_; }
    Job2Type& Prototype2() noexcept { return prototype2_; }
    // The jobs taken back from each phase: results in the order drained,
    // then the never-run ones. Read once the phase is over.
    GrowableArray<Job1Type>& FinishedJobs1() noexcept { return finished1_; }
    GrowableArray<Job2Type>& FinishedJobs2() noexcept { return finished2_; }

protected:
    HRESULT RunPhase(int phase, DWORD cookie, const std::vector<ComputerTarget>& computers) override {
        if (phase == 1) return RunJobs(manager1_, prototype1_, finished1_, cookie, computers);
        return RunJobs(manager2_, prototype2_, finished2_, cookie, computers);
    }

private:
    template <typename JobType>
    HRESULT RunJobs(ComPtr<TvAsyncBatchJobManager<JobType>>& manager, JobType& prototype,
                    GrowableArray<JobType>& finished, DWORD cookie, const std::vector<ComputerTarget>& computers) {
        finished.Clear();
        manager.Reset();
        manager = ComPtr<TvAsyncBatchJobManager<JobType>>(
            new (std::nothrow) TvAsyncBatchJobManager<JobType>(kThreads, kMaxJobs, WaitTimeout()));
        if (!manager) return E_OUTOFMEMORY;
        prototype.progressCookie = cookie;
        for (const ComputerTarget& computer : computers) {
            JobType job(prototype);
            job.computerName.Reset(CopyBstr(computer.name.Get()));
            job.computerInfo = computer.info;
            // A job the manager refuses (queue full, or started) is dropped.
            if (manager->TryEnterStartLock()) {
                manager->AddJob(job);
                manager->LeaveStartLock();
            }
        }
        SetRunningManager(manager.Get());
        manager->Start(INFINITE);
        ReserveLines(manager->QueuedCount() + computers.size());

        JobType job;
        while (WaitPumpingFor(manager->ResultsSemaphore(), 0) == S_OK && manager->TakeResult(job)) {
            finished.Append(job);
            AppendLine(ResultLine(job, true));
        }
        while (manager->CopyQueuedJob(0, job)) {
            manager->RemoveQueuedJob(0);
            finished.Append(job);
            AppendLine(ResultLine(job, false));
        }
        return S_OK;
    }

    Job1Type prototype1_;
    Job2Type prototype2_;
    GrowableArray<Job1Type> finished1_;
    GrowableArray<Job2Type> finished2_;
    ComPtr<TvAsyncBatchJobManager<Job1Type>> manager1_;
    ComPtr<TvAsyncBatchJobManager<Job2Type>> manager2_;
};

}  // namespace vantrel
