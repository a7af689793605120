#include "common/ModuleState.h"
#include "wizards/TvAsyncBatchJobManager.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace vantrel {
namespace {

// What the test's jobs share: how many run at once, the most seen, and a gate
// every job waits on when told to.
struct Board {
    volatile LONG running = 0;
    volatile LONG peak = 0;
    UniqueHandle gate{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

class TestJob : public ComputerJob {
public:
    TestJob(Board* board, const wchar_t* name, DWORD sleepMs, HANDLE gate) noexcept
        : board_(board), sleepMs_(sleepMs), gate_(gate) {
        computerName.Reset(::SysAllocString(name));
    }

    HRESULT Execute() override {
        const LONG now = ::InterlockedIncrement(&board_->running);
        for (LONG seen = board_->peak; now > seen; seen = board_->peak)
            ::InterlockedCompareExchange(&board_->peak, now, seen);
        if (gate_) ::WaitForSingleObject(gate_, INFINITE);
        ::Sleep(sleepMs_);
        ::InterlockedDecrement(&board_->running);
        status = S_OK;
        return status;
    }

private:
    Board* board_;
    DWORD sleepMs_;
    HANDLE gate_;
};

using Manager = TvAsyncBatchJobManager<TestJob>;

ComPtr<Manager> MakeManager(DWORD threads, DWORD jobs, DWORD timeout) {
    ComPtr<Manager> manager(new Manager(threads, jobs, timeout));
    return manager;
}

DWORD ExitCodeOf(Manager* manager) {
    DWORD code = 0;
    EXPECT_HRESULT_SUCCEEDED(manager->GetExitCode(&code));
    return code;
}

std::vector<std::wstring> TakeAll(Manager* manager) {
    std::vector<std::wstring> names;
    TestJob job(nullptr, L"", 0, nullptr);
    while (::WaitForSingleObject(manager->ResultsSemaphore(), 0) == WAIT_OBJECT_0) {
        EXPECT_TRUE(manager->TakeResult(job));
        names.emplace_back(job.computerName.Get());
    }
    return names;
}

// Abandoned workers end on their own; the module stays locked until they have.
void WaitForModuleLock(LONG count) {
    for (int i = 0; i < 500 && module::LockCount() != count; ++i) ::Sleep(10);
    EXPECT_EQ(count, module::LockCount());
}

TEST(BatchJobManager, EmptyQueueEndsAtOnceWithoutResults) {
    Board board;
    ComPtr<Manager> manager = MakeManager(10, 1024, 60000);
    EXPECT_EQ(S_OK, manager->Start(INFINITE));
    EXPECT_EQ(0u, ExitCodeOf(manager.Get()));
    EXPECT_TRUE(TakeAll(manager.Get()).empty());
}

TEST(BatchJobManager, QueueRefusesBeyondItsCapacityAndRemovesByIndex) {
    Board board;
    ComPtr<Manager> manager = MakeManager(10, 3, 60000);
    for (const wchar_t* name : {L"A", L"B", L"C"})
        EXPECT_EQ(S_OK, manager->AddJob(TestJob(&board, name, 0, nullptr)));
    EXPECT_EQ(E_FAIL, manager->AddJob(TestJob(&board, L"D", 0, nullptr)));
    EXPECT_EQ(3u, manager->QueuedCount());

    manager->RemoveQueuedJob(1);
    TestJob job(nullptr, L"", 0, nullptr);
    ASSERT_TRUE(manager->CopyQueuedJob(1, job));
    EXPECT_STREQ(L"C", job.computerName.Get());
    try {
        manager->RemoveQueuedJob(2);
        ADD_FAILURE() << "no out-of-range error";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ("Out of range exception, context: TvAsyncBatchJobManager::RemoveQueuedJob", e.what());
    }
    EXPECT_EQ(2u, manager->QueuedCount());
}

TEST(BatchJobManager, JobCopiesOwnTheirStrings) {
    TestJob job(nullptr, L"WKSTN01", 0, nullptr);
    job.message.Reset(::SysAllocString(L"done"));
    TestJob copy = job;
    EXPECT_NE(job.computerName.Get(), copy.computerName.Get());
    EXPECT_STREQ(L"WKSTN01", copy.computerName.Get());
    job.message.Reset(nullptr);
    EXPECT_STREQ(L"done", copy.message.Get());
}

TEST(BatchJobManager, NeverMoreThan63WorkersAtOnce) {
    Board board;
    ComPtr<Manager> manager = MakeManager(100, 1024, 60000);
    EXPECT_EQ(63u, manager->MaxThreads());
    for (int i = 0; i < 70; ++i) ASSERT_EQ(S_OK, manager->AddJob(TestJob(&board, L"PC", 0, board.gate.Get())));
    ASSERT_EQ(S_OK, manager->Start(0));
    for (int i = 0; i < 1000 && board.running < 63; ++i) ::Sleep(10);
    ::Sleep(200);  // a 64th worker would have started by now
    EXPECT_EQ(63, board.peak);
    ::SetEvent(board.gate.Get());
    EXPECT_EQ(S_OK, manager->WaitPumping(INFINITE));
    EXPECT_EQ(0u, ExitCodeOf(manager.Get()));
    EXPECT_EQ(70u, TakeAll(manager.Get()).size());
}

TEST(BatchJobManager, ResultsComeInTheOrderTheWorkersFinish) {
    Board board;
    UniqueHandle gates[3] = {UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
                             UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
                             UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr))};
    ComPtr<Manager> manager = MakeManager(10, 1024, 60000);
    const wchar_t* names[3] = {L"FIRST", L"SECOND", L"THIRD"};
    for (int i = 0; i < 3; ++i) ASSERT_EQ(S_OK, manager->AddJob(TestJob(&board, names[i], 0, gates[i].Get())));
    ASSERT_EQ(S_OK, manager->Start(0));

    std::vector<std::wstring> order;
    for (int i : {2, 0, 1}) {
        ::SetEvent(gates[i].Get());
        ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(manager->ResultsSemaphore(), 10000));
        TestJob job(nullptr, L"", 0, nullptr);
        ASSERT_TRUE(manager->TakeResult(job));
        EXPECT_EQ(S_OK, job.status);
        order.emplace_back(job.computerName.Get());
    }
    EXPECT_EQ((std::vector<std::wstring>{L"THIRD", L"FIRST", L"SECOND"}), order);
    EXPECT_EQ(S_OK, manager->WaitPumping(INFINITE));
    EXPECT_TRUE(TakeAll(manager.Get()).empty());
}

TEST(BatchJobManager, NoWorkerFinishingWithinTheTimeoutAbandonsTheBatch) {
    Board board;
    const LONG locks = module::LockCount();
    {
        ComPtr<Manager> manager = MakeManager(2, 1024, 300);
        for (const wchar_t* name : {L"A", L"B", L"C", L"D"})
            ASSERT_EQ(S_OK, manager->AddJob(TestJob(&board, name, 0, board.gate.Get())));
        EXPECT_EQ(S_OK, manager->Start(INFINITE));
        EXPECT_EQ(1u, ExitCodeOf(manager.Get()));
        EXPECT_TRUE(TakeAll(manager.Get()).empty());  // the running jobs give nothing
        EXPECT_EQ(2u, manager->QueuedCount());          // the rest stay queued
    }
    ::SetEvent(board.gate.Get());
    WaitForModuleLock(locks);
    EXPECT_EQ(0, board.running);
}

TEST(BatchJobManager, MessagesDuringTheWaitAreDispatchedAndRestartTheTimeout) {
    Board board;
    ComPtr<Manager> manager = MakeManager(10, 1024, 400);
    ASSERT_EQ(S_OK, manager->AddJob(TestJob(&board, L"SLOW", 1200, nullptr)));
    ASSERT_EQ(S_OK, manager->Start(0));
    // A message every 100 ms: each one restarts the 400 ms wait, so the
    // 1.2 s job is not abandoned; a wait deaf to messages would be.
    while (manager->IsRunning(100) == S_OK) ::PostThreadMessageW(manager->ThreadId(), WM_NULL, 0, 0);
    EXPECT_EQ(0u, ExitCodeOf(manager.Get()));
    EXPECT_EQ(std::vector<std::wstring>{L"SLOW"}, TakeAll(manager.Get()));
}

TEST(BatchJobManager, StopFromOutsideLeavesQueuedJobsQueued) {
    Board board;
    ComPtr<Manager> manager = MakeManager(1, 1024, 60000);
    for (const wchar_t* name : {L"A", L"B", L"C"})
        ASSERT_EQ(S_OK, manager->AddJob(TestJob(&board, name, 0, board.gate.Get())));
    ASSERT_EQ(S_OK, manager->Start(0));
    for (int i = 0; i < 500 && board.running == 0; ++i) ::Sleep(10);
    EXPECT_EQ(S_OK, manager->SignalStop(0));
    ::SetEvent(board.gate.Get());
    EXPECT_EQ(S_OK, manager->WaitPumping(INFINITE));
    EXPECT_EQ(1u, ExitCodeOf(manager.Get()));
    // The wait under way when the stop came hands its free place to the next
    // job before the stop is looked at again: one of the three ran on.
    EXPECT_EQ(1u, manager->QueuedCount());
}

TEST(BatchJobManager, FailureTextsNameTheClassMethodAndContext) {
    EXPECT_EQ(0, std::wstring(BatchFailureContext(BatchFailure::ThreadStart))
                     .find(L"Class: TvAsyncBatchJobManager<JobType>\r\nMethod: ThreadProc\r\nContext Failed to start thread.\r\n"));
    EXPECT_NE(std::wstring::npos, std::wstring(BatchFailureContext(BatchFailure::ThreadWait)).find(L"Context Thread wait failed.\r\n"));
    size_t finished = 0;
    EXPECT_EQ(WorkerWait::Failed, WaitForAnyWorker(nullptr, 0, 0, &finished));
    HANDLE many[64] = {};
    EXPECT_EQ(WorkerWait::Failed, WaitForAnyWorker(many, 64, 0, &finished));
}

}  // namespace
}  // namespace vantrel
