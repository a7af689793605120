// What the service control manager checks against the caller's and the
// service's accounts: the right to log on as a service when a service
// starts, and the shutdown privilege for failure actions that reboot.
#include "ServiceLabTest.h"

#include "lab/Sids.h"
#include "platform/Accounts.h"
#include "platform/Logon.h"

#include <cwchar>
#include <vector>

namespace {

using labtest::Err;
using labtest::ScHandle;

constexpr char kScenario[] = R"({"domain": {"name": "T"}, "interactiveUser": "T\\admin",
  "accounts": [{"name": "T\\admin", "password": "a", "groups": ["T\\Ops"]}, {"name": "T\\svc", "password": "s"}],
  "computers": [{"name": "H", "local": true, "administrators": ["T\\admin"], "users": [{"name": "runner", "password": "r"}],
    "services": [{"name": "Installed", "account": "T\\svc", "password": "s"}, {"name": "Plain"}]}]})";

class LabServiceLogon : public labtest::ScenarioLabTest {
protected:
    LabServiceLogon() : ScenarioLabTest(kScenario) {}
};

// Grants SeServiceLogonRight on the local computer through the LSA.
DWORD GrantServiceLogon(const wchar_t* account) {
    LSA_OBJECT_ATTRIBUTES attributes{};
    LSA_HANDLE policy = nullptr;
    NTSTATUS status = plat::LsaOpenPolicy(nullptr, &attributes, POLICY_LOOKUP_NAMES | POLICY_CREATE_ACCOUNT, &policy);
    if (status) return plat::LsaNtStatusToWinError(status);
    std::vector<BYTE> sid = lab::AccountSid(account);
    wchar_t right[] = L"SeServiceLogonRight";
    LSA_UNICODE_STRING rights{static_cast<USHORT>(wcslen(right) * 2), static_cast<USHORT>(sizeof right), right};
    status = plat::LsaAddAccountRights(policy, sid.data(), &rights, 1);
    plat::LsaClose(policy);
    return plat::LsaNtStatusToWinError(status);
}

// The built-in service accounts need no right; any other account must hold
// SeServiceLogonRight on the computer (itself or through a group), which the
// accounts of installed services have and others get through the LSA.
TEST_F(LabServiceLogon, StartingNeedsTheRightToLogOnAsAService) {
    struct Case {
        const wchar_t* account;
        const wchar_t* password;
        const wchar_t* grantTo;  // null: no grant
        DWORD error;
    };
    const Case cases[] = {
        {L"NT AUTHORITY\\LocalService", L"", nullptr, 0},
        {L"T\\admin", L"a", nullptr, ERROR_SERVICE_LOGON_FAILED},
        {L"T\\admin", L"a", L"T\\admin", 0},
        {L"T\\admin", L"a", L"T\\Ops", 0},
        {L"T\\svc", L"s", nullptr, 0},
        {L"T\\svc", L"wrong", nullptr, ERROR_SERVICE_LOGON_FAILED},
        {L".\\runner", L"r", nullptr, ERROR_SERVICE_LOGON_FAILED},
        {L".\\runner", L"r", L"H\\runner", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.account << " granted to " << (c.grantTo ? c.grantTo : L"nobody"));
        ASSERT_EQ(0u, lab::LoadScenarioText(kScenario));
        ScHandle scm = labtest::Scm(nullptr);
        ScHandle plain = labtest::ServiceOf(scm, L"Plain");
        ASSERT_EQ(0u, Err([&] {
                      return plat::ChangeServiceConfigW(plain.Get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                                        SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr,
                                                        c.account, c.password, nullptr);
                  }));
        if (c.grantTo) {
            ASSERT_EQ(0u, GrantServiceLogon(c.grantTo));
        }
        EXPECT_EQ(c.error, labtest::Start(plain));
        EXPECT_EQ(c.error == 0, labtest::Status(plain).dwCurrentState != SERVICE_STOPPED);
    }
}

// How many failure actions the service has stored.
DWORD StoredActions(const ScHandle& service) {
    DWORD needed = 0;
    plat::QueryServiceConfig2W(service.Get(), SERVICE_CONFIG_FAILURE_ACTIONS, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    if (!plat::QueryServiceConfig2W(service.Get(), SERVICE_CONFIG_FAILURE_ACTIONS, buffer.data(), needed, &needed))
        return 99;
    return reinterpret_cast<const SERVICE_FAILURE_ACTIONSW*>(buffer.data())->cActions;
}

// A reboot among the failure actions needs SE_SHUTDOWN_NAME enabled in the
// caller's effective token: the thread's when it impersonates, else the
// process's. Held is not enough; a refused record changes nothing. (Enabling
// on a thread's own token is what the module's change does.)
TEST_F(LabServiceLogon, RebootActionsNeedTheShutdownPrivilegeEnabled) {
    ScHandle scm = labtest::Scm(nullptr);
    ScHandle bits = labtest::ServiceOf(scm, L"Installed");
    SC_ACTION reboot[2] = {{SC_ACTION_RESTART, 1000}, {SC_ACTION_REBOOT, 60000}};
    SC_ACTION restart[1] = {{SC_ACTION_RESTART, 1000}};
    struct Case {
        SC_ACTION* actions;
        DWORD count;
        bool enableOnProcessToken;
        bool impersonate;
        DWORD error;
    };
    const Case cases[] = {
        {reboot, 2, false, false, ERROR_ACCESS_DENIED},
        {restart, 1, false, false, 0},
        {reboot, 2, true, false, 0},
        {reboot, 2, true, true, ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << c.enableOnProcessToken << c.impersonate);
        SERVICE_FAILURE_ACTIONSW clear{0, nullptr, nullptr, 0, restart};
        ASSERT_TRUE(plat::ChangeServiceConfig2W(bits.Get(), SERVICE_CONFIG_FAILURE_ACTIONS, &clear));
        HANDLE process = nullptr;
        ASSERT_TRUE(plat::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &process));
        TOKEN_PRIVILEGES shutdown{1, {{{0, 0}, c.enableOnProcessToken ? static_cast<DWORD>(SE_PRIVILEGE_ENABLED) : 0u}}};
        ASSERT_TRUE(plat::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &shutdown.Privileges[0].Luid));
        ASSERT_TRUE(plat::AdjustTokenPrivileges(process, FALSE, &shutdown, 0, nullptr, nullptr));
        if (c.impersonate) {
            ASSERT_EQ(0u, LabSetThreadIdentity(L"T\\admin"));
        }
        SERVICE_FAILURE_ACTIONSW fa{86400, nullptr, nullptr, c.count, c.actions};
        EXPECT_EQ(c.error,
                  Err([&] { return plat::ChangeServiceConfig2W(bits.Get(), SERVICE_CONFIG_FAILURE_ACTIONS, &fa); }));
        EXPECT_EQ(c.error ? 0u : c.count, StoredActions(bits));
        LabClearThreadIdentity();
        shutdown.Privileges[0].Attributes = 0;
        EXPECT_TRUE(plat::AdjustTokenPrivileges(process, FALSE, &shutdown, 0, nullptr, nullptr));
        EXPECT_TRUE(plat::CloseHandle(process));
    }
}

}  // namespace
