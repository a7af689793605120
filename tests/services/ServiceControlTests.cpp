// Start, stop, pause, continue, restart and the wait for a state, on the
// lab's virtual clock.
#include "ServicesTest.h"

#include <stdexcept>

namespace {

using namespace servicestest;
using namespace vantrel;

class ServiceOperations : public ServicesTest {};

constexpr HRESULT kTimeout = static_cast<HRESULT>(0x8007041D);
constexpr HRESULT kRefused = static_cast<HRESULT>(0x800706E4);

struct Report {
    std::wstring service;
    BOOL completed;
    DWORD target;
    HRESULT result;
};

class RecordingSink final : public ServiceProgressSink {
public:
    void OnServiceStatus(ServiceRef& service, BOOL completed, DWORD target, HRESULT result, SERVICE_STATUS_PROCESS,
                         BOOL* cancel) override {
        reports.push_back({service.Name(), completed, target, result});
        if (cancelAfter && reports.size() >= cancelAfter) *cancel = TRUE;
        if (throwing) throw std::runtime_error("sink");
    }
    std::vector<Report> reports;
    size_t cancelAfter = 0;
    bool throwing = false;
};

// A service of a one-computer network with the given behaviour fields.
ComPtr<ServiceControlManager> Network(const std::string& serviceFields) {
    const std::string text = R"({"domain":{"name":"T"},"interactiveUser":"T\\u",
        "accounts":[{"name":"T\\u","password":"p"}],
        "computers":[{"name":"H","administrators":["T\\u"],"services":[{"name":"S",)" + serviceFields + "}]}]}";
    EXPECT_EQ(0u, lab::LoadScenarioText(text));
    ComPtr<ServiceControlManager> scm;
    ServiceControlManager::Connect(L"H", scm);
    scm->Open(L"ServicesActive");
    return scm;
}

TEST_F(ServiceOperations, WaitTimesOutAfterAMinuteOrTheFirstWaitHint) {
    for (const auto& [hint, expected] : {std::pair{30000u, 60000ull}, std::pair{90000u, 90000ull}}) {
        auto scm = Network(R"("hang":"start","waitHintMs":)" + std::to_string(hint));
        ServiceRef s(L"S", scm.Get());
        s.SetFlags(ServiceRefFlags::WaitForState, true);
        ServiceFailureList failures;
        const ULONGLONG before = LabVirtualTime();
        EXPECT_EQ(kTimeout, s.Start(&failures, nullptr, 0, nullptr));
        const ULONGLONG waited = LabVirtualTime() - before;
        EXPECT_GE(waited, expected);
        EXPECT_LT(waited, expected + 2000 + 1);  // one poll interval at most
        ASSERT_EQ(1u, failures.size());
        EXPECT_EQ(kTimeout, failures[0].result);
        EXPECT_EQ(L"S", failures[0].service.Name());
    }
}

TEST_F(ServiceOperations, AdvancingCheckPointKeepsTheWaitGoing) {
    auto scm = Network(R"("startMs":300000,"checkPointMs":1500,"waitHintMs":3000)");
    ServiceRef s(L"S", scm.Get());
    RecordingSink sink;
    s.SetSink(&sink);
    s.SetFlags(ServiceRefFlags::WaitForState | ServiceRefFlags::ReportProgress, true);
    const ULONGLONG before = LabVirtualTime();
    EXPECT_EQ(S_OK, s.Start(nullptr, nullptr, 0, nullptr));
    EXPECT_GE(LabVirtualTime() - before, 300000u);
    ASSERT_GE(sink.reports.size(), 2u);
    EXPECT_FALSE(sink.reports.front().completed);  // the opening report
    EXPECT_TRUE(sink.reports.back().completed);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), sink.reports.back().target);
}

TEST_F(ServiceOperations, ExitCodesAndSinkBehaviour) {
    auto scm = Open(L"ADMIN01");
    ServiceRef agent(L"InventoryAgent", scm.Get());
    RecordingSink sink;
    agent.SetSink(&sink);
    agent.SetFlags(ServiceRefFlags::WaitForState | ServiceRefFlags::ReportProgress, true);
    ServiceFailureList failures;
    EXPECT_EQ(static_cast<HRESULT>(0x8007042A), agent.Start(&failures, nullptr, 0, nullptr));
    ASSERT_EQ(1u, failures.size());
    EXPECT_EQ(static_cast<HRESULT>(0x8007042A), sink.reports.back().result);

    // A throwing sink loses its reports, not the wait; a cancelling one ends it.
    ServiceRef sync(L"SyncEngine", scm.Get());
    RecordingSink thrower;
    thrower.throwing = true;
    sync.SetSink(&thrower);
    sync.SetFlags(ServiceRefFlags::WaitForState | ServiceRefFlags::ReportProgress, true);
    EXPECT_EQ(S_OK, sync.Pause(nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_PAUSED), State(scm.Get(), L"SyncEngine"));
    RecordingSink canceller;
    canceller.cancelAfter = 1;
    sync.SetSink(&canceller);
    EXPECT_EQ(S_OK, sync.Continue(nullptr, nullptr));  // a cancelled wait is no failure
    EXPECT_EQ(1u, canceller.reports.size());
    EXPECT_EQ(S_FALSE, sync.WaitForState(SERVICE_RUNNING));
    // Without ReportProgress nobody is told.
    RecordingSink silent;
    sync.SetSink(&silent);
    sync.SetFlags(ServiceRefFlags::ReportProgress, false);
    EXPECT_EQ(S_OK, sync.WaitForState(SERVICE_RUNNING));
    EXPECT_TRUE(silent.reports.empty());
}

TEST_F(ServiceOperations, AlreadyThereIsSuccessAndNetLogonIsRefused) {
    auto scm = Open(L"ADMIN01");
    ServiceFailureList failures;
    ServiceRef running(L"EventLog", scm.Get());
    running.SetFlags(ServiceRefFlags::WaitForState, true);
    EXPECT_EQ(S_OK, running.Start(&failures, nullptr, 0, nullptr));
    ServiceRef stopped(L"BITS", scm.Get());
    stopped.SetFlags(ServiceRefFlags::WaitForState, true);
    EXPECT_EQ(S_OK, stopped.Stop(&failures, nullptr));
    EXPECT_TRUE(failures.empty());

    LabResetCallCounts();
    for (const wchar_t* name : {L"netlogon", L"NETLOGON", L"NetLogon"}) {
        ServiceRef netlogon(name, scm.Get());
        EXPECT_EQ(kRefused, netlogon.Pause(&failures, nullptr));
        EXPECT_EQ(kRefused, netlogon.Stop(&failures, nullptr));
    }
    EXPECT_EQ(0u, LabCallCount(L"ADMIN01", "ControlService"));
    EXPECT_EQ(6u, failures.size());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), State(scm.Get(), L"Netlogon"));

    // Stopping the workstation service: its other dependent stops, Net Logon
    // refuses, and the platform then refuses the stop itself (1051).
    ServiceRef workstation(L"LanmanWorkstation", scm.Get());
    workstation.SetFlags(ServiceRefFlags::IncludeDependents | ServiceRefFlags::WaitForState, true);
    failures.clear();
    ServiceRefList stopped2;
    EXPECT_EQ(static_cast<HRESULT>(0x8007041B), workstation.Stop(&failures, &stopped2));
    EXPECT_EQ((std::vector<std::wstring>{L"SyncEngine"}), Names(stopped2));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), State(scm.Get(), L"SyncEngine"));
    ASSERT_EQ(2u, failures.size());
    EXPECT_EQ(kRefused, failures[0].result);
    EXPECT_EQ(static_cast<HRESULT>(0x8007041B), failures[1].result);
}

TEST_F(ServiceOperations, RestartStartsAgainExactlyTheDependentsItStopped) {
    auto scm = Open(L"PRINT01");
    ServiceRef spooler(L"Spooler", scm.Get());
    RecordingSink sink;
    spooler.SetSink(&sink);
    spooler.SetFlags(ServiceRefFlags::IncludeDependents | ServiceRefFlags::WaitForState |
                         ServiceRefFlags::ReportProgress, true);
    ServiceFailureList failures;
    EXPECT_EQ(S_OK, spooler.Restart(&failures));
    EXPECT_TRUE(failures.empty());
    for (const wchar_t* name : {L"Spooler", L"LPDSVC", L"PrintNotify"})
        EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), State(scm.Get(), name)) << name;
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), State(scm.Get(), L"Fax"));

    // Completed reports, in order: dependents stopped before the spooler,
    // then the spooler started before them.
    std::vector<std::wstring> done;
    for (const Report& r : sink.reports) {
        if (r.completed) done.push_back(r.service + (r.target == SERVICE_RUNNING ? L"+" : L"-"));
    }
    EXPECT_EQ((std::vector<std::wstring>{L"PrintNotify-", L"LPDSVC-", L"Spooler-", L"Spooler+", L"LPDSVC+",
                                         L"PrintNotify+"}),
              done);
}

TEST_F(ServiceOperations, FailuresOfTheCallsThemselves) {
    auto scm = Open(L"ADMIN01");
    ServiceFailureList failures;
    ServiceRef telnet(L"TlntSvr", scm.Get());
    EXPECT_EQ(static_cast<HRESULT>(0x80070422), telnet.Start(&failures, nullptr, 0, nullptr));
    ServiceRef spooler(L"Spooler", scm.Get());
    EXPECT_EQ(static_cast<HRESULT>(0x8007041C), spooler.Pause(&failures, nullptr));
    ASSERT_EQ(2u, failures.size());
    // A service that cannot be opened is not a failure of the list.
    LabAddFault(L"ADMIN01", "OpenServiceW", ERROR_ACCESS_DENIED, 1, 1);
    ServiceRef bits(L"BITS", scm.Get());
    EXPECT_EQ(static_cast<HRESULT>(0x80070005), bits.Start(&failures, nullptr, 0, nullptr));
    EXPECT_EQ(2u, failures.size());
    LabAddFault(L"ADMIN01", "EnumDependentServicesW", ERROR_ACCESS_DENIED, 1, 1);
    ServiceRef server(L"LanmanServer", scm.Get());
    server.SetFlags(ServiceRefFlags::IncludeDependents, true);
    EXPECT_EQ(static_cast<HRESULT>(0x80070005), server.Stop(&failures, nullptr));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), State(scm.Get(), L"LanmanServer"));
}

}  // namespace
