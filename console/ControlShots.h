#pragma once
// Controls one service on several computers in one call through the module's
// batch interface (IMultiServiceControl), as a console script would, and
// saves a picture of the "Service Control" progress dialog while it works;
// or does the same through the console's window as a user does: services
// picked on the Services tabs of several computers, collected in the service
// batch, and one command for the whole batch.
#include <cstdio>
#include <string>
#include <vector>

namespace console {

// Restarts SERVICE on each computer synchronously; writes
// FOLDER\control-SERVICE.png and prints the outcome on `out`; 0 on success.
int CaptureServiceControl(const std::vector<std::wstring>& computers, const std::wstring& service,
                          const std::wstring& folder, std::FILE* out);

struct BatchShotRun {
    std::vector<std::wstring> computers;
    std::vector<std::wstring> services;  // display names, as the Services tab shows them
    std::wstring verb = L"Restart";      // Start, Stop, Pause, Resume or Restart
    bool synchronous = true;
    std::wstring credentialsPath;        // empty: each computer's name
    long recallOptions = 0;
    std::wstring folder;
    unsigned timeoutSeconds = 120;
};

// Connects the console to each computer in turn, selects the services on its
// Services tab and adds them to the batch (Ctrl+B), then presses the verb's
// button of the "Service Batch" window. Writes FOLDER\service-batch.png (the
// filled batch), FOLDER\service-batch-done.png (after the run) and
// FOLDER\batch-progress.png; prints the batch, the outcome, any box the run
// showed and each service's status afterwards. 0 when every service was found
// and the run succeeded.
int CaptureServiceBatch(const BatchShotRun& run, std::FILE* out);

}  // namespace console
