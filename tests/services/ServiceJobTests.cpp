// The service control job: what it asks, does and reports, answered through
// its windows.
#include "ServicesTest.h"

#include "common/ErrorText.h"
#include "services/ServiceControlJob.h"
#include "tests/support/WindowDriver.h"


namespace {

using namespace servicestest;
using namespace testsupport;
using namespace vantrel;

class ServiceJob : public ServicesTest {
protected:
    void SetUp() override {
        ServicesTest::SetUp();
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    void TearDown() override {
        ServicesTest::TearDown();
        ::CoUninitialize();
    }

    // Runs a job to its end (this thread pumps messages meanwhile).
    static HRESULT RunJob(ServiceControlOperation operation, const wchar_t* computer,
                          std::initializer_list<const wchar_t*> names) {
        ComPtr<ServiceControlManager> scm;
        ServiceControlManager::Connect(computer, scm);
        scm->SetAccessMask(ServiceControlManager::kBatchAccess);
        EXPECT_EQ(S_OK, scm->Open(L"ServicesActive"));
        ComPtr<ServiceControlJob> job;
        EXPECT_EQ(S_OK, ServiceControlJob::Create(job));
        job->SetOperation(operation);
        job->SetComputer(computer);
        for (const wchar_t* name : names) job->AddService(ServiceRef(name, scm.Get()));
        EXPECT_EQ(S_OK, job->Start(INFINITE, 0, false));
        DWORD code = 0;
        job->GetExitCode(&code);
        return static_cast<HRESULT>(code);
    }
};

TEST_F(ServiceJob, StopAsksAboutDependentsAndStopsThemOnYes) {
    std::vector<std::wstring> listed;
    ProcessDialogWatcher watcher([&](HWND window, const SeenBox& seen) {
        if (seen.title != L"Stop Other Services") return;
        listed = ListBoxItems(window, 202);
        ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    EXPECT_EQ(S_OK, RunJob(ServiceControlOperation::Stop, L"\\\\PRINT01", {L"Spooler"}));
    const auto seen = watcher.Stop();
    EXPECT_EQ((std::vector<std::wstring>{L"LPD Service", L"Printer Extensions and Notifications"}), listed);
    EXPECT_TRUE(Titled(seen, L"Error").empty());
    EXPECT_EQ(1u, Titled(seen, L"Service Control").size());
    auto scm = Open(L"PRINT01");
    for (const wchar_t* name : {L"Spooler", L"LPDSVC", L"PrintNotify"})
        EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), State(scm.Get(), name)) << name;
}

TEST_F(ServiceJob, NoSkipsTheServiceAndTheJobGoesOn) {
    ProcessDialogWatcher watcher([&](HWND window, const SeenBox& seen) {
        if (seen.title == L"Stop Other Services") ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    EXPECT_EQ(S_OK, RunJob(ServiceControlOperation::Stop, L"PRINT01", {L"Spooler", L"W32Time"}));
    const auto seen = watcher.Stop();
    EXPECT_EQ(1u, Titled(seen, L"Stop Other Services").size());  // W32Time has no dependents: no question
    EXPECT_TRUE(Titled(seen, L"Error").empty());
    auto scm = Open(L"PRINT01");
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), State(scm.Get(), L"Spooler"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), State(scm.Get(), L"W32Time"));
}

TEST_F(ServiceJob, FailuresAreReportedAtOnceAndSummedUp) {
    ProcessDialogWatcher watcher(AnswerBoxes(IDOK, {L"Service Control"}));
    const HRESULT specific = static_cast<HRESULT>(0x8007042A);
    EXPECT_EQ(specific, RunJob(ServiceControlOperation::Start, L"\\\\ADMIN01", {L"InventoryAgent", L"BITS"}));
    const auto errors = Titled(watcher.Stop(), L"Error");
    ASSERT_EQ(2u, errors.size());
    EXPECT_EQ(ComposeErrorMessage(specific,
                                  L"The Legacy Inventory Agent service on computer \\\\ADMIN01. return error code: 5"),
              errors[0].text);
    EXPECT_EQ(ComposeErrorMessage(specific, L"One or more services could not be started."), errors[1].text);
    auto scm = Open(L"ADMIN01");
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), State(scm.Get(), L"BITS"));
}

TEST_F(ServiceJob, ClosingTheProgressDialogLetsTheOperationFinish) {
    // Each status read takes a while, so the dialog is closed mid-wait.
    LabAddLatency(L"ADMIN01", "QueryServiceStatusEx", 300);
    ProcessDialogWatcher watcher([](HWND window, const SeenBox& seen) {
        const int button = seen.title == L"Service Control" ? IDCANCEL : IDOK;
        ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    });
    const HRESULT specific = static_cast<HRESULT>(0x8007042A);
    EXPECT_EQ(specific, RunJob(ServiceControlOperation::Start, L"ADMIN01", {L"InventoryAgent"}));
    const auto errors = Titled(watcher.Stop(), L"Error");
    // No report from the closed dialog; the summary still comes.
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ(ComposeErrorMessage(specific, L"One or more services could not be started."), errors[0].text);
}

TEST_F(ServiceJob, SummaryLinesPerOperation) {
    const std::pair<ServiceControlOperation, const wchar_t*> cases[] = {
        {ServiceControlOperation::Pause, L"One or more services could not be paused."},
        {ServiceControlOperation::Resume, L"One or more services could not resume."},
        {ServiceControlOperation::Stop, L"One or more services could not be stopped."},
        {ServiceControlOperation::Restart, L"One or more services could not be restarted."},
    };
    for (const auto& [operation, summary] : cases) {
        ProcessDialogWatcher watcher(AnswerBoxes(IDOK, {L"Service Control"}));
        // Net Logon refuses every one of these.
        EXPECT_EQ(static_cast<HRESULT>(0x800706E4), RunJob(operation, L"ADMIN01", {L"Netlogon"}));
        const auto errors = Titled(watcher.Stop(), L"Error");
        ASSERT_EQ(1u, errors.size());
        EXPECT_EQ(ComposeErrorMessage(0x800706E4, summary), errors[0].text);
    }
}

TEST_F(ServiceJob, DependentsThatCannotBeListedSkipTheService) {
    LabAddFault(L"PRINT01", "EnumDependentServicesW", ERROR_ACCESS_DENIED, 1, 1);
    ProcessDialogWatcher watcher(AnswerBoxes(IDOK, {L"Service Control"}));
    EXPECT_EQ(S_OK, RunJob(ServiceControlOperation::Restart, L"PRINT01", {L"Spooler"}));
    const auto errors = Titled(watcher.Stop(), L"Error");
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ(ComposeErrorMessage(0x80070005, L"Dependent services could not be enumerated and the restart\r\n"
                                              L"request cannot proceed for Print Spooler"),
              errors[0].text);
    auto scm = Open(L"PRINT01");
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), State(scm.Get(), L"Spooler"));
}

TEST_F(ServiceJob, NoOperationChangesNothing) {
    ProcessDialogWatcher watcher(AnswerBoxes(IDOK));
    LabResetCallCounts();
    EXPECT_EQ(S_OK, RunJob(ServiceControlOperation::None, L"ADMIN01", {L"BITS"}));
    EXPECT_TRUE(watcher.Stop().empty());
    EXPECT_EQ(0u, LabCallCount(L"ADMIN01", "OpenServiceW"));
}

}  // namespace
