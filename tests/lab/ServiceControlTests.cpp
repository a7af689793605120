// The lab's service control manager: connections and access, enumeration
// protocols, the state machine on the lab clock, and the control errors.
#include "ServiceLabTest.h"

#include <algorithm>

namespace {

using namespace labtest;

class LabServiceControl : public LabTest {
protected:
    void SetUp() override {
        LabTest::SetUp();
        LabSetVirtualClock(TRUE);
    }
    void TearDown() override {
        EXPECT_EQ(L"clean", lab::LeakReport());
        LabTest::TearDown();
    }
};

std::vector<std::wstring> EnumNames(const ScHandle& scm, DWORD type, DWORD state, const wchar_t* group = nullptr) {
    DWORD needed = 0, returned = 0, resume = 0;
    std::vector<std::wstring> names;
    if (plat::EnumServicesStatusExW(scm.Get(), SC_ENUM_PROCESS_INFO, type, state, nullptr, 0, &needed, &returned,
                                    &resume, group))
        return names;
    std::vector<BYTE> buffer(needed);
    resume = 0;
    if (!plat::EnumServicesStatusExW(scm.Get(), SC_ENUM_PROCESS_INFO, type, state, buffer.data(), needed, &needed,
                                     &returned, &resume, group))
        return names;
    const auto* e = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i) names.emplace_back(e[i].lpServiceName);
    return names;
}

bool Has(const std::vector<std::wstring>& names, const wchar_t* name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST_F(LabServiceControl, EnumerationSizeQueryAndResumeHandle) {
    ScHandle scm = Scm(nullptr);
    ASSERT_TRUE(scm);
    DWORD needed = 0, returned = 7, resume = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), Err([&] {
                  return plat::EnumServicesStatusExW(scm.Get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL,
                                                     nullptr, 0, &needed, &returned, &resume, nullptr);
              }));
    EXPECT_EQ(0u, returned);
    ASSERT_GT(needed, 0u);
    const std::vector<std::wstring> all = EnumNames(scm, SERVICE_WIN32, SERVICE_STATE_ALL);
    ASSERT_GT(all.size(), 20u);

    // A third of what is needed at a time: batches resume where they ended.
    std::vector<BYTE> buffer(needed / 3);
    std::vector<std::wstring> batched;
    resume = 0;
    for (int round = 0; round < 10; ++round) {
        const DWORD rc = Err([&] {
            return plat::EnumServicesStatusExW(scm.Get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL,
                                               buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &returned,
                                               &resume, nullptr);
        });
        const auto* e = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
        for (DWORD i = 0; i < returned; ++i) {
            batched.emplace_back(e[i].lpServiceName);
            // Strings live inside the caller's buffer.
            EXPECT_GE(reinterpret_cast<const BYTE*>(e[i].lpDisplayName), buffer.data());
            EXPECT_LT(reinterpret_cast<const BYTE*>(e[i].lpDisplayName), buffer.data() + buffer.size());
        }
        if (rc == 0) {
            EXPECT_EQ(0u, resume);
            break;
        }
        ASSERT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), rc);
        EXPECT_GT(returned, 0u);
        EXPECT_NE(0u, resume);
    }
    EXPECT_EQ(all, batched);
}

TEST_F(LabServiceControl, EnumerationFiltersByTypeStateAndGroup) {
    ScHandle scm = Scm(nullptr);
    const auto win32 = EnumNames(scm, SERVICE_WIN32, SERVICE_STATE_ALL);
    const auto drivers = EnumNames(scm, SERVICE_DRIVER, SERVICE_STATE_ALL);
    EXPECT_TRUE(Has(win32, L"LanmanServer"));
    EXPECT_FALSE(Has(win32, L"Tcpip"));
    EXPECT_TRUE(Has(drivers, L"Tcpip"));
    EXPECT_FALSE(Has(drivers, L"Spooler"));
    const auto inactive = EnumNames(scm, SERVICE_WIN32, SERVICE_INACTIVE);
    EXPECT_TRUE(Has(inactive, L"TlntSvr"));
    EXPECT_FALSE(Has(inactive, L"EventLog"));
    EXPECT_EQ((std::vector<std::wstring>{L"Dhcp", L"Dnscache"}), EnumNames(scm, SERVICE_WIN32, SERVICE_STATE_ALL, L"tdi"));
    // "" selects the services of no group.
    const auto ungrouped = EnumNames(scm, SERVICE_WIN32, SERVICE_STATE_ALL, L"");
    EXPECT_TRUE(Has(ungrouped, L"TlntSvr"));
    EXPECT_FALSE(Has(ungrouped, L"Dhcp"));

    // Services come in name order, without case, in every batch.
    const auto byName = [](const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) < 0; };
    EXPECT_TRUE(std::is_sorted(win32.begin(), win32.end(), byName));
    EXPECT_TRUE(std::is_sorted(drivers.begin(), drivers.end(), byName));

    // A group no service has is an error, not an empty list; bad parameters
    // set both counts to 0.
    struct Bad {
        SC_ENUM_TYPE level;
        DWORD type;
        DWORD state;
        const wchar_t* group;
        DWORD error;
    };
    const Bad bad[] = {
        {SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL, L"NoSuchGroup", ERROR_SERVICE_DOES_NOT_EXIST},
        {static_cast<SC_ENUM_TYPE>(1), SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, ERROR_INVALID_LEVEL},
        {SC_ENUM_PROCESS_INFO, SERVICE_WIN32, 4, nullptr, ERROR_INVALID_PARAMETER},
        {SC_ENUM_PROCESS_INFO, 0x200, SERVICE_STATE_ALL, nullptr, ERROR_INVALID_PARAMETER},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(testing::Message() << "type " << b.type << " state " << b.state);
        DWORD needed = 77, returned = 77;
        BYTE buffer[64];
        EXPECT_EQ(b.error, Err([&] {
                      return plat::EnumServicesStatusExW(scm.Get(), b.level, b.type, b.state, buffer, sizeof buffer,
                                                         &needed, &returned, nullptr, b.group);
                  }));
        if (b.error == ERROR_INVALID_PARAMETER) {
            EXPECT_EQ(0u, needed);
            EXPECT_EQ(0u, returned);
        }
    }
}

TEST_F(LabServiceControl, ConnectionsAndAccessFollowTheIdentity) {
    // The operator administers ADMIN01 (local) and PRINT01 but not FS01; the
    // helpdesk FS01 but not ADMIN01. Authenticated users who do not
    // administer a computer connect, enumerate and query the lock locally,
    // and only connect from another computer.
    struct Case {
        const wchar_t* identity;
        const wchar_t* computer;
        DWORD access;
        DWORD error;
        DWORD granted;  // checked through what the handle allows
    };
    constexpr DWORD kRead = SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE;
    const Case cases[] = {
        {L"LAB\\operator", L"\\\\FS01", SC_MANAGER_CONNECT, 0, SC_MANAGER_CONNECT},
        {L"LAB\\operator", L"FS01", MAXIMUM_ALLOWED, 0, SC_MANAGER_CONNECT},
        {L"LAB\\operator", L"FS01", kRead, ERROR_ACCESS_DENIED, 0},
        {L"LAB\\helpdesk", nullptr, MAXIMUM_ALLOWED, 0, kRead},
        {L"LAB\\helpdesk", nullptr, SC_MANAGER_CREATE_SERVICE, ERROR_ACCESS_DENIED, 0},
        {L"LAB\\helpdesk", L"fs01.lab.local", SC_MANAGER_ALL_ACCESS, 0, kRead},
        {L"LAB\\operator", L"PRINT01", SC_MANAGER_ALL_ACCESS, 0, kRead},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.identity << " on " << (c.computer ? c.computer : L"(local)") << " 0x"
                                        << std::hex << c.access);
        lab::ScopedIdentity as(c.identity);
        ASSERT_EQ(0u, as.Status());
        SC_HANDLE raw = nullptr;
        EXPECT_EQ(c.error, Err([&] { return (raw = plat::OpenSCManagerW(c.computer, nullptr, c.access)) != nullptr; }));
        ScHandle scm(raw);
        if (!scm) continue;
        DWORD needed = 0, returned = 0;
        const DWORD enumError = Err([&] {
            return plat::EnumServicesStatusExW(scm.Get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL,
                                               nullptr, 0, &needed, &returned, nullptr, nullptr);
        });
        EXPECT_EQ(c.granted & SC_MANAGER_ENUMERATE_SERVICE ? static_cast<DWORD>(ERROR_MORE_DATA)
                                                           : static_cast<DWORD>(ERROR_ACCESS_DENIED),
                  enumError);
    }
    EXPECT_EQ(static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE),
              Err([] { return plat::OpenSCManagerW(L"LAPTOP07", nullptr, SC_MANAGER_CONNECT) != nullptr; }));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DATABASE_DOES_NOT_EXIST),
              Err([] { return plat::OpenSCManagerW(nullptr, L"ServicesFailed", SC_MANAGER_CONNECT) != nullptr; }));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_NAME),
              Err([] { return plat::OpenSCManagerW(nullptr, L"Other", SC_MANAGER_CONNECT) != nullptr; }));

    ScHandle scm = Scm(nullptr);
    // A handle can do only what it was opened for.
    ScHandle queryOnly = ServiceOf(scm, L"BITS", SERVICE_QUERY_STATUS);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), Start(queryOnly));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), Control(queryOnly, SERVICE_CONTROL_STOP));
    QUERY_SERVICE_CONFIGW config{};
    DWORD needed = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED),
              Err([&] { return plat::QueryServiceConfigW(queryOnly.Get(), &config, sizeof config, &needed); }));
    ScHandle noEnum = Scm(nullptr, SC_MANAGER_CONNECT);
    DWORD returned = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), Err([&] {
                  return plat::EnumServicesStatusExW(noEnum.Get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, 3, nullptr, 0,
                                                     &needed, &returned, nullptr, nullptr);
              }));
}

TEST_F(LabServiceControl, PendingStatesFollowTheClock) {
    ScHandle scm = Scm(nullptr);
    ScHandle sync = ServiceOf(scm, L"SyncEngine");
    ASSERT_EQ(static_cast<DWORD>(SERVICE_RUNNING), Status(sync).dwCurrentState);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE), Status(sync).dwControlsAccepted);

    ASSERT_EQ(0u, Control(sync, SERVICE_CONTROL_STOP));
    SERVICE_STATUS_PROCESS st = Status(sync);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOP_PENDING), st.dwCurrentState);
    EXPECT_EQ(1u, st.dwCheckPoint);
    EXPECT_EQ(3000u, st.dwWaitHint);
    EXPECT_EQ(0u, st.dwControlsAccepted);
    LabAdvanceClock(2500);
    EXPECT_EQ(3u, Status(sync).dwCheckPoint);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_CANNOT_ACCEPT_CTRL), Control(sync, SERVICE_CONTROL_STOP));
    LabAdvanceClock(2500);
    st = Status(sync);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), st.dwCurrentState);
    EXPECT_EQ(0u, st.dwCheckPoint);
    EXPECT_EQ(0u, st.dwProcessId);

    ASSERT_EQ(0u, Start(sync));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_START_PENDING), Status(sync).dwCurrentState);
    EXPECT_NE(0u, Status(sync).dwProcessId);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING), Start(sync));
    LabAdvanceClock(8000);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), Status(sync).dwCurrentState);

    ASSERT_EQ(0u, Control(sync, SERVICE_CONTROL_PAUSE));
    LabAdvanceClock(2000);
    EXPECT_EQ(0u, Control(sync, SERVICE_CONTROL_PAUSE));  // paused already: reports its state
}

// Dependents still running, a control the service does not accept and a
// disabled service are reached through the module's service operations.
TEST_F(LabServiceControl, ControlErrorsAsWindowsGivesThem) {
    ScHandle scm = Scm(nullptr);
    ScHandle spooler = ServiceOf(scm, L"Spooler");
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_SERVICE_CONTROL), Control(spooler, SERVICE_CONTROL_SHUTDOWN));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_SERVICE_CONTROL), Control(spooler, 200));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_SERVICE_CONTROL), Control(ServiceOf(scm, L"RpcSs"), SERVICE_CONTROL_STOP));
    ScHandle bits = ServiceOf(scm, L"BITS");
    SERVICE_STATUS st{};
    st.dwCurrentState = 99;
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE),
              Err([&] { return plat::ControlService(bits.Get(), SERVICE_CONTROL_STOP, &st); }));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), st.dwCurrentState);  // filled on this error too

    // Starting a service starts what it depends on.
    ASSERT_EQ(0u, Start(ServiceOf(scm, L"Fax")));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), Status(ServiceOf(scm, L"TapiSrv")).dwCurrentState);
}

TEST_F(LabServiceControl, ConfiguredFailuresAndHangs) {
    ScHandle scm = Scm(nullptr);
    ScHandle agent = ServiceOf(scm, L"InventoryAgent");
    ASSERT_EQ(0u, Start(agent));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_START_PENDING), Status(agent).dwCurrentState);
    LabAdvanceClock(1500);
    SERVICE_STATUS_PROCESS st = Status(agent);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), st.dwCurrentState);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR), st.dwWin32ExitCode);
    EXPECT_EQ(5u, st.dwServiceSpecificExitCode);

    ScHandle helper = ServiceOf(scm, L"UpdateHelper");
    ASSERT_EQ(0u, Start(helper));
    LabAdvanceClock(100000);
    st = Status(helper);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_START_PENDING), st.dwCurrentState);
    EXPECT_EQ(1u, st.dwCheckPoint);
    EXPECT_EQ(30000u, st.dwWaitHint);

    ASSERT_EQ(0u, lab::LoadScenarioText(R"({"domain":{"name":"T"},"interactiveUser":"T\\u",
        "accounts":[{"name":"T\\u","password":"p"}],
        "computers":[{"name":"H","administrators":["T\\u"],"services":[
          {"name":"Mute","responds":false,"state":"running"},
          {"name":"NoDb","startFailure":{"exitCode":1069,"immediate":true}},
          {"name":"Child","dependencies":["Gone"]}]}]})"));
    ScHandle h = Scm(L"H");
    ScHandle mute = ServiceOf(h, L"Mute");
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_REQUEST_TIMEOUT), Control(mute, SERVICE_CONTROL_STOP));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_LOGON_FAILED), Start(ServiceOf(h, L"NoDb")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DEPENDENCY_DELETED), Start(ServiceOf(h, L"Child")));
    EXPECT_EQ(3u, EnumNames(h, SERVICE_WIN32, SERVICE_STATE_ALL).size());  // the list replaces the standard set
}

TEST_F(LabServiceControl, DependentsComeBeforeWhatTheyDependOn) {
    ScHandle scm = Scm(nullptr);
    ScHandle workstation = ServiceOf(scm, L"LanmanWorkstation");
    EXPECT_EQ((std::vector<std::wstring>{L"Netlogon", L"SyncEngine"}), Dependents(workstation, SERVICE_ACTIVE));
    EXPECT_EQ((std::vector<std::wstring>{L"SessionEnv"}), Dependents(workstation, SERVICE_INACTIVE));

    // NSI <- LanmanWorkstation <- Netlogon: every dependent precedes what it depends on.
    const auto nsi = Dependents(ServiceOf(scm, L"NSI"), SERVICE_STATE_ALL);
    const auto at = [&](const wchar_t* n) { return std::find(nsi.begin(), nsi.end(), n) - nsi.begin(); };
    ASSERT_LT(at(L"LanmanWorkstation"), static_cast<ptrdiff_t>(nsi.size()));
    EXPECT_LT(at(L"Netlogon"), at(L"LanmanWorkstation"));
    EXPECT_LT(at(L"SyncEngine"), at(L"LanmanWorkstation"));

    // A group dependency ("+PNP_TDI") makes Dhcp a dependent of Tcpip.
    EXPECT_TRUE(Has(Dependents(ServiceOf(scm, L"Tcpip"), SERVICE_STATE_ALL), L"Dhcp"));

    DWORD needed = 0, returned = 9;
    ENUM_SERVICE_STATUSW one{};
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), Err([&] {
                  return plat::EnumDependentServicesW(workstation.Get(), SERVICE_ACTIVE, &one, sizeof one, &needed,
                                                      &returned);
              }));
    EXPECT_EQ(0u, returned);
    EXPECT_GT(needed, sizeof one);
    ScHandle none = ServiceOf(scm, L"Netlogon");
    EXPECT_TRUE(plat::EnumDependentServicesW(none.Get(), SERVICE_ACTIVE, nullptr, 0, &needed, &returned));
    EXPECT_EQ(0u, needed);
}

TEST_F(LabServiceControl, LeakReportSeesOpenAndDoubleClosedHandles) {
    SC_HANDLE scm = plat::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE svc = plat::OpenServiceW(scm, L"Spooler", SERVICE_QUERY_STATUS);
    EXPECT_EQ(1u, LabOutstanding(LAB_KIND_SCM_HANDLE));
    EXPECT_EQ(1u, LabOutstanding(LAB_KIND_SERVICE_HANDLE));
    EXPECT_NE(std::wstring::npos, lab::LeakReport().find(L"OpenServiceW"));
    EXPECT_TRUE(plat::CloseServiceHandle(svc));
    EXPECT_TRUE(plat::CloseServiceHandle(scm));
    EXPECT_EQ(L"clean", lab::LeakReport());
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), Err([&] { return plat::CloseServiceHandle(svc); }));
    EXPECT_EQ(1u, LabBadReleases());
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), Start(ScHandle(nullptr)));
    LabResetAccounting();
}

TEST_F(LabServiceControl, GeneratedComputersHaveTheStandardServices) {
    ASSERT_EQ(0u, LabGenerateNetwork(30, 7));
    for (DWORD i = 0; i < LabComputerCount(); i += 9) {
        const std::wstring name = lab::ComputerName(i);
        lab::ScopedIdentity admin(L"LAB\\Administrator");
        ScHandle remote = Scm(name.c_str(), SC_MANAGER_ENUMERATE_SERVICE);
        if (!remote) continue;  // offline
        EXPECT_TRUE(Has(EnumNames(remote, SERVICE_WIN32, SERVICE_STATE_ALL), L"LanmanServer")) << name;
    }
}

}  // namespace
