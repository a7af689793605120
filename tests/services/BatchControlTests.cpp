// IMultiServiceControl: one call controls the services of many computers.
#include "ServicesTest.h"

#include "common/ErrorText.h"
#include "component/ComputerResMgmtUI.h"
#include "tests/support/WindowDriver.h"

#include <chrono>
#include <thread>

namespace {

using namespace servicestest;
using namespace testsupport;
using namespace vantrel;

constexpr wchar_t kNoConnection[] =
    L"A connection to the selected computer's service control\r\nmanager could not be establised.";

class BatchControl : public ServicesTest {
protected:
    void SetUp() override {
        ServicesTest::SetUp();
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_EQ(S_OK, vantrel::ComputerResMgmtUI::Create(nullptr, IID_IMultiServiceControl, reinterpret_cast<void**>(&batch_)));
    }
    void TearDown() override {
        batch_->Release();
        ServicesTest::TearDown();
        ::CoUninitialize();
    }
    void Add(const wchar_t* computer, const wchar_t* service) {
        EXPECT_EQ(S_OK, batch_->AddService(UniqueBstr(::SysAllocString(computer)).Get(),
                                           UniqueBstr(::SysAllocString(service)).Get()));
    }
    DWORD StateOn(const wchar_t* computer, const wchar_t* service) {
        auto scm = Open(computer);
        return State(scm.Get(), service);
    }

    IMultiServiceControl* batch_ = nullptr;
};

TEST(BatchCommands, MapToJobOperations) {
    EXPECT_EQ(ServiceControlOperation::Start, OperationFor(SCMD_START));
    EXPECT_EQ(ServiceControlOperation::Stop, OperationFor(SCMD_STOP));
    EXPECT_EQ(ServiceControlOperation::Pause, OperationFor(SCMD_PAUSE));
    EXPECT_EQ(ServiceControlOperation::Resume, OperationFor(SCMD_CONTINUE));
    EXPECT_EQ(ServiceControlOperation::Restart, OperationFor(SCMD_RESTART));
    EXPECT_EQ(ServiceControlOperation::None, OperationFor(3));
    EXPECT_EQ(ServiceControlOperation::None, OperationFor(0));
}

// The operator does not administer FS01: from another computer its service
// control manager lets him connect and nothing more, so the batch's open is
// refused there.
TEST_F(BatchControl, SynchronousRunGoesOnPastAComputerItCannotReach) {
    Add(L"ADMIN01", L"BITS");
    Add(L"NOSUCH", L"BITS");
    Add(L"FS01", L"BITS");
    Add(L"PRINT01", L"TapiSrv");
    Add(L"admin01", L"TapiSrv");
    ProcessDialogWatcher watcher(AnswerBoxes(IDOK, {L"Service Control"}));
    EXPECT_EQ(S_OK, batch_->Control(0, SCMD_START, SCF_SYNCHRONOUS));
    const auto seen = watcher.Stop();
    // Everything was done when Control returned.
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), StateOn(L"ADMIN01", L"BITS"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), StateOn(L"ADMIN01", L"TapiSrv"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), StateOn(L"PRINT01", L"TapiSrv"));
    const auto errors = Titled(seen, L"Error");
    ASSERT_EQ(2u, errors.size());
    EXPECT_EQ(ComposeErrorMessage(0x800706BA, kNoConnection), errors[0].text);
    EXPECT_EQ(ComposeErrorMessage(0x80070005, kNoConnection), errors[1].text);
    lab::ScopedIdentity admin(L"LAB\\Administrator");
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), StateOn(L"FS01", L"BITS"));
}

TEST_F(BatchControl, EmptyBatchAndOtherCommandsDoNothing) {
    ProcessDialogWatcher watcher(AnswerBoxes(IDOK));
    EXPECT_EQ(S_OK, batch_->Control(0, SCMD_STOP, SCF_SYNCHRONOUS));
    Add(L"\\\\ADMIN01", L"Spooler");
    LabResetCallCounts();
    EXPECT_EQ(S_OK, batch_->Control(0, 3, SCF_SYNCHRONOUS));
    EXPECT_TRUE(watcher.Stop().empty());
    EXPECT_EQ(0u, LabCallCount(L"ADMIN01", "ControlService"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), StateOn(L"ADMIN01", L"Spooler"));
}

TEST_F(BatchControl, ControlRunsTheSameBatchAgainUntilCleared) {
    Add(L"ADMIN01", L"SyncEngine");
    ProcessDialogWatcher watcher(AnswerBoxes(IDOK, {L"Service Control"}));
    EXPECT_EQ(S_OK, batch_->Control(0, SCMD_PAUSE, SCF_SYNCHRONOUS));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_PAUSED), StateOn(L"ADMIN01", L"SyncEngine"));
    EXPECT_EQ(S_OK, batch_->Control(0, SCMD_CONTINUE, SCF_SYNCHRONOUS));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), StateOn(L"ADMIN01", L"SyncEngine"));
    EXPECT_EQ(S_OK, batch_->Clear());
    EXPECT_EQ(S_OK, batch_->Control(0, SCMD_STOP, SCF_SYNCHRONOUS));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), StateOn(L"ADMIN01", L"SyncEngine"));
    for (const SeenBox& b : watcher.Stop()) EXPECT_NE(L"Error", b.title) << b.text;
}

TEST_F(BatchControl, AsynchronousJobsRunOnAfterControlReturns) {
    // The operator may connect to FS01's service control manager but not
    // administer it: the batch reports that one and goes on.
    for (const wchar_t* computer : {L"ADMIN01", L"PRINT01", L"FS01"}) Add(computer, L"Fax");
    ProcessDialogWatcher watcher(AnswerBoxes(IDOK, {L"Service Control"}));
    LabAddLatency(L"PRINT01", "StartServiceW", 300);
    EXPECT_EQ(S_OK, batch_->Control(0, SCMD_START, SCF_ASYNCHRONOUS));
    EXPECT_NE(static_cast<DWORD>(SERVICE_RUNNING), StateOn(L"PRINT01", L"Fax"));
    // The jobs hold their connections until they end.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (LabOutstanding(LAB_KIND_ANY) != 0 && std::chrono::steady_clock::now() < deadline) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the job threads' last steps
    const auto errors = Titled(watcher.Stop(), L"Error");
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ(ComposeErrorMessage(0x80070005, kNoConnection), errors[0].text);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), StateOn(L"ADMIN01", L"Fax"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), StateOn(L"PRINT01", L"Fax"));
    lab::ScopedIdentity admin(L"LAB\\Administrator");
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), StateOn(L"FS01", L"Fax"));
}

}  // namespace
