#include "wizards/TvAsyncBatchJobManager.h"

#include "common/ErrorText.h"

namespace vantrel {

WorkerWait WaitForAnyWorker(const HANDLE* handles, size_t count, DWORD timeoutMs, size_t* finished) noexcept {
    if (!handles || !finished || count == 0 || count > kMaxBatchThreads) return WorkerWait::Failed;
    const DWORD n = static_cast<DWORD>(count);
    for (;;) {
        const DWORD wait = ::MsgWaitForMultipleObjects(n, handles, FALSE, timeoutMs, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0 + n) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            continue;  // the timeout starts again in full
        }
        if (wait == WAIT_TIMEOUT) return WorkerWait::TimedOut;
        if (wait < WAIT_OBJECT_0 + n) {
            *finished = wait - WAIT_OBJECT_0;
            return WorkerWait::Finished;
        }
        return WorkerWait::Failed;
    }
}

const wchar_t* BatchFailureContext(BatchFailure failure) noexcept {
    switch (failure) {
        case BatchFailure::ThreadStart:
            return L"Class: TvAsyncBatchJobManager<JobType>\r\nMethod: ThreadProc\r\nContext Failed to start thread.\r\n"
                   L"Resolution: Make sure your computer has sufficient memory available\r\n"
                   L"   If the problem persists contact customer support.  Please make the\r\n"
                   L"   details of this message available to the representative.";
        case BatchFailure::ThreadWait:
            return L"Class: TvAsyncBatchJobManager<JobType>\r\nMethod: ThreadProc\r\nContext Thread wait failed.\r\n"
                   L"Resolution: Make sure your computer has sufficient memory available\r\n"
                   L"   If the problem persists contact customer support.  Please make the\r\n"
                   L"   details of this message available to the representative.";
    }
    return L"";
}

void ShowBatchFailure(BatchFailure failure) noexcept {
    ShowErrorMessage(static_cast<DWORD>(E_FAIL), L"Error", BatchFailureContext(failure), nullptr, MB_ICONERROR);
}

}  // namespace vantrel
