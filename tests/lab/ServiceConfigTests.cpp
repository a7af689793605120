// What the lab's service control manager stores about a service: the
// configuration queries with their size protocol, and the changes.
#include "ServiceLabTest.h"

namespace {

using namespace labtest;

class LabServiceConfig : public LabTest {
protected:
    void TearDown() override {
        EXPECT_EQ(L"clean", lab::LeakReport());
        LabTest::TearDown();
    }
};

std::vector<BYTE> Config(const ScHandle& service) {
    DWORD needed = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER),
              Err([&] { return plat::QueryServiceConfigW(service.Get(), nullptr, 0, &needed); }));
    std::vector<BYTE> buffer(needed);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), Err([&] {
                  return plat::QueryServiceConfigW(service.Get(), reinterpret_cast<LPQUERY_SERVICE_CONFIGW>(buffer.data()),
                                                   needed - 1, &needed);
              }));
    EXPECT_EQ(0u, Err([&] {
                  return plat::QueryServiceConfigW(service.Get(), reinterpret_cast<LPQUERY_SERVICE_CONFIGW>(buffer.data()),
                                                   needed, &needed);
              }));
    return buffer;
}

const QUERY_SERVICE_CONFIGW& AsConfig(const std::vector<BYTE>& b) {
    return *reinterpret_cast<const QUERY_SERVICE_CONFIGW*>(b.data());
}

std::vector<BYTE> Config2(const ScHandle& service, DWORD level) {
    DWORD needed = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER),
              Err([&] { return plat::QueryServiceConfig2W(service.Get(), level, nullptr, 0, &needed); }));
    std::vector<BYTE> buffer(needed);
    EXPECT_EQ(0u, Err([&] { return plat::QueryServiceConfig2W(service.Get(), level, buffer.data(), needed, &needed); }));
    return buffer;
}

std::vector<std::wstring> Multi(const wchar_t* p) {
    std::vector<std::wstring> out;
    for (; p && *p; p += wcslen(p) + 1) out.emplace_back(p);
    return out;
}

TEST_F(LabServiceConfig, ConfigurationReadsWithItsSizeQuery) {
    ScHandle scm = Scm(nullptr);
    const auto b = Config(ServiceOf(scm, L"LanmanWorkstation", SERVICE_QUERY_CONFIG));
    const auto& c = AsConfig(b);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_SHARE_PROCESS), c.dwServiceType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), c.dwStartType);
    EXPECT_STREQ(L"Workstation", c.lpDisplayName);
    EXPECT_STREQ(L"NT AUTHORITY\\NetworkService", c.lpServiceStartName);
    EXPECT_STREQ(L"NetworkProvider", c.lpLoadOrderGroup);
    EXPECT_EQ((std::vector<std::wstring>{L"Bowser", L"MRxSmb20", L"NSI"}), Multi(c.lpDependencies));
    const auto none = Config(ServiceOf(scm, L"EventLog", SERVICE_QUERY_CONFIG));
    EXPECT_EQ(L'\0', AsConfig(none).lpDependencies[0]);

    const auto d = Config2(ServiceOf(scm, L"Spooler", SERVICE_QUERY_CONFIG), SERVICE_CONFIG_DESCRIPTION);
    EXPECT_STREQ(L"This service spools print jobs and handles interaction with the printer.",
                 reinterpret_cast<const SERVICE_DESCRIPTIONW*>(d.data())->lpDescription);
    const auto fa = Config2(ServiceOf(scm, L"Spooler", SERVICE_QUERY_CONFIG), SERVICE_CONFIG_FAILURE_ACTIONS);
    const auto& f = *reinterpret_cast<const SERVICE_FAILURE_ACTIONSW*>(fa.data());
    EXPECT_EQ(86400u, f.dwResetPeriod);
    ASSERT_EQ(3u, f.cActions);
    EXPECT_EQ(SC_ACTION_RESTART, f.lpsaActions[0].Type);
    EXPECT_EQ(5000u, f.lpsaActions[1].Delay);
    EXPECT_EQ(SC_ACTION_NONE, f.lpsaActions[2].Type);
    EXPECT_EQ(nullptr, f.lpCommand);
    DWORD needed = 0;
    BYTE buffer[64];
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_LEVEL), Err([&] {
                  return plat::QueryServiceConfig2W(ServiceOf(scm, L"Spooler").Get(), 99, buffer, sizeof buffer, &needed);
              }));
}

TEST_F(LabServiceConfig, RecoveryActionsOfTheTerminalServer) {
    lab::ScopedIdentity admin(L"LAB\\Administrator");
    ScHandle scm = Scm(L"TS01");
    const auto fa = Config2(ServiceOf(scm, L"TermServLicensing"), SERVICE_CONFIG_FAILURE_ACTIONS);
    const auto& f = *reinterpret_cast<const SERVICE_FAILURE_ACTIONSW*>(fa.data());
    EXPECT_STREQ(L"\"C:\\Tools\\notify.exe\" -q /fail=%1%", f.lpCommand);
    EXPECT_STREQ(L"TS01 restarts in five minutes: the licensing service failed.", f.lpRebootMsg);
    ASSERT_EQ(3u, f.cActions);
    EXPECT_EQ(SC_ACTION_REBOOT, f.lpsaActions[2].Type);
    EXPECT_EQ(300000u, f.lpsaActions[2].Delay);
}

TEST_F(LabServiceConfig, ChangesAreCheckedThenStored) {
    ScHandle scm = Scm(nullptr);
    ScHandle bits = ServiceOf(scm, L"BITS");
    auto change = [&](DWORD start, const wchar_t* deps, const wchar_t* account, const wchar_t* password,
                      const wchar_t* display) {
        return Err([&] {
            return plat::ChangeServiceConfigW(bits.Get(), SERVICE_NO_CHANGE, start, SERVICE_NO_CHANGE, nullptr,
                                              nullptr, nullptr, deps, account, password, display);
        });
    };
    EXPECT_EQ(0u, change(SERVICE_DISABLED, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), change(SERVICE_BOOT_START, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DUPLICATE_SERVICE_NAME), change(SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, L"Print Spooler"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DUPLICATE_SERVICE_NAME), change(SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, L"spooler"));
    // Nothing of a refused change is kept.
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_SERVICE_ACCOUNT), change(SERVICE_DEMAND_START, nullptr, L"LAB\\nobody", L"x", nullptr));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), AsConfig(Config(bits)).dwStartType);

    // EventLog -> ... -> BITS would close a circle through RpcSs.
    EXPECT_EQ(static_cast<DWORD>(ERROR_CIRCULAR_DEPENDENCY),
              Err([&] {
                  return plat::ChangeServiceConfigW(ServiceOf(scm, L"RpcSs").Get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                                    SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, L"BITS\0", nullptr,
                                                    nullptr, nullptr);
              }));
    EXPECT_EQ(0u, change(SERVICE_DEMAND_START, L"RpcSs\0+TDI\0", L"LAB\\helpdesk", L"wrong", nullptr));
    const auto c = Config(bits);
    EXPECT_EQ((std::vector<std::wstring>{L"RpcSs", L"+TDI"}), Multi(AsConfig(c).lpDependencies));
    EXPECT_STREQ(L"LAB\\helpdesk", AsConfig(c).lpServiceStartName);
    // The account is checked when the service logs on: its password, and the
    // right to log on as a service, which the helpdesk lacks on ADMIN01.
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_LOGON_FAILED), Start(bits));
    EXPECT_EQ(0u, change(SERVICE_NO_CHANGE, nullptr, nullptr, L"H3lpdesk!", nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_LOGON_FAILED), Start(bits));
    EXPECT_EQ(0u, change(SERVICE_NO_CHANGE, nullptr, L".\\LocalSystem", L"", nullptr));
    EXPECT_EQ(0u, Start(bits));
}

// Round trips of descriptions and recovery actions are driven through the
// module's service configuration; what is checked here is what it never sends.
TEST_F(LabServiceConfig, DescriptionAndRecoveryChanges) {
    ScHandle scm = Scm(nullptr);
    ScHandle bits = ServiceOf(scm, L"BITS");
    SERVICE_DESCRIPTIONW d{const_cast<wchar_t*>(L"")};
    ASSERT_TRUE(plat::ChangeServiceConfig2W(bits.Get(), SERVICE_CONFIG_DESCRIPTION, &d));
    EXPECT_EQ(nullptr, reinterpret_cast<const SERVICE_DESCRIPTIONW*>(Config2(bits, SERVICE_CONFIG_DESCRIPTION).data())->lpDescription);

    // A restart action needs the start right on the handle.
    SC_ACTION actions[3] = {{SC_ACTION_RESTART, 1000}, {SC_ACTION_RUN_COMMAND, 0}, {SC_ACTION_NONE, 0}};
    SERVICE_FAILURE_ACTIONSW fa{3600, nullptr, nullptr, 3, actions};
    ScHandle configOnly = ServiceOf(scm, L"BITS", SERVICE_CHANGE_CONFIG | SERVICE_QUERY_CONFIG);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED),
              Err([&] { return plat::ChangeServiceConfig2W(configOnly.Get(), SERVICE_CONFIG_FAILURE_ACTIONS, &fa); }));
    SC_ACTION bad{static_cast<SC_ACTION_TYPE>(7), 0};
    SERVICE_FAILURE_ACTIONSW badFa{0, nullptr, nullptr, 1, &bad};
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER),
              Err([&] { return plat::ChangeServiceConfig2W(bits.Get(), SERVICE_CONFIG_FAILURE_ACTIONS, &badFa); }));
    ASSERT_TRUE(plat::ChangeServiceConfig2W(bits.Get(), SERVICE_CONFIG_FAILURE_ACTIONS, &fa));
    SERVICE_FAILURE_ACTIONSW clear{99, nullptr, nullptr, 0, actions};
    ASSERT_TRUE(plat::ChangeServiceConfig2W(bits.Get(), SERVICE_CONFIG_FAILURE_ACTIONS, &clear));
    const auto read = Config2(bits, SERVICE_CONFIG_FAILURE_ACTIONS);
    EXPECT_EQ(0u, reinterpret_cast<const SERVICE_FAILURE_ACTIONSW*>(read.data())->cActions);
    EXPECT_EQ(0u, reinterpret_cast<const SERVICE_FAILURE_ACTIONSW*>(read.data())->dwResetPeriod);
}

TEST_F(LabServiceConfig, ScenarioErrorsNameTheField) {
    std::wstring error;
    const char* head = R"({"domain":{"name":"T"},"interactiveUser":"T\\u","accounts":[{"name":"T\\u","password":"p"}],
        "computers":[{"name":"H","services":)";
    EXPECT_NE(0u, lab::LoadScenarioText(std::string(head) + R"([{"name":"A","startType":"sometimes"}]}]})", &error));
    EXPECT_NE(std::wstring::npos, error.find(L"computers[0].services[0].startType: expected one of")) << error;
    EXPECT_NE(0u, lab::LoadScenarioText(std::string(head) + R"({"list":[{"name":"A","colour":1}]}}]})", &error));
    EXPECT_NE(std::wstring::npos, error.find(L"computers[0].services.list[0].colour: unknown field")) << error;
    EXPECT_NE(0u, lab::LoadScenarioText(std::string(head) + R"([{"name":"A"},{"name":"B","displayName":"a"}]}]})", &error));
    EXPECT_NE(std::wstring::npos, error.find(L"share a name")) << error;
}

}  // namespace
