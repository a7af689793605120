// Logon, impersonation and names: tokens decide what a thread may do, and the
// name functions follow the size protocols of the system's.
#include "LabTest.h"
#include "platform/Logon.h"

namespace {

using labtest::LabTest;
using labtest::ServerInfo;

class LabLogon : public LabTest {};

HANDLE Logon(const wchar_t* user, const wchar_t* domain, const wchar_t* password) {
    HANDLE token = nullptr;
    ::SetLastError(0xdeadbeef);
    if (!plat::LogonUserW(user, domain, password, LOGON32_LOGON_INTERACTIVE, LOGON32_PROVIDER_DEFAULT, &token))
        return nullptr;
    return token;
}

TEST_F(LabLogon, AccountsLogOnByDomainAndUserOrUpnOnly) {
    for (auto [user, domain] : {std::pair{L"helpdesk", L"LAB"}, std::pair{L"helpdesk@lab.local", L""}}) {
        HANDLE token = Logon(user, *domain ? domain : nullptr, L"H3lpdesk!");
        ASSERT_NE(nullptr, token) << GetLastError();
        EXPECT_TRUE(plat::CloseHandle(token));
    }
    EXPECT_EQ(nullptr, Logon(L"helpdesk", L"LAB", L"wrong"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_LOGON_FAILURE), GetLastError());
    EXPECT_EQ(nullptr, Logon(L"nobody", L"LAB", L""));
    EXPECT_EQ(static_cast<DWORD>(ERROR_LOGON_FAILURE), GetLastError());
    EXPECT_EQ(0u, LabOutstanding(LAB_KIND_ANY)) << lab::LeakReport();
}

TEST_F(LabLogon, ImpersonationDecidesAccessUntilRevert) {
    HANDLE token = Logon(L"helpdesk", L"LAB", L"H3lpdesk!");
    ASSERT_NE(nullptr, token);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), ServerInfo(L"FS01", 102));
    ASSERT_TRUE(plat::ImpersonateLoggedOnUser(token));
    EXPECT_EQ(L"LAB\\helpdesk", lab::ThreadIdentity());
    EXPECT_EQ(0u, ServerInfo(L"FS01", 102));
    // Closing the token does not end the impersonation; reverting does.
    EXPECT_TRUE(plat::CloseHandle(token));
    EXPECT_EQ(0u, ServerInfo(L"FS01", 102));
    EXPECT_TRUE(plat::RevertToSelf());
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), ServerInfo(L"FS01", 102));
    // Impersonating oneself returns to the process identity.
    ASSERT_EQ(0u, LabSetThreadIdentity(L"LAB\\Administrator"));
    EXPECT_TRUE(plat::ImpersonateSelf(SecurityDelegation));
    EXPECT_EQ(L"LAB\\operator", lab::ThreadIdentity());
}

TEST_F(LabLogon, ClosedOrForeignTokensAreInvalidHandles) {
    HANDLE token = Logon(L"operator", L"LAB", L"Op3rator!");
    ASSERT_NE(nullptr, token);
    ASSERT_TRUE(plat::CloseHandle(token));
    ::SetLastError(0xdeadbeef);
    EXPECT_FALSE(plat::ImpersonateLoggedOnUser(token));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_FALSE(plat::CloseHandle(token));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_EQ(1u, LabBadReleases());
    // Handles of the process itself still close as the system's.
    HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_TRUE(plat::CloseHandle(event));
}

TEST_F(LabLogon, TranslateNameFollowsTheSizeProtocol) {
    ULONG size = 3;
    wchar_t small[3];
    EXPECT_FALSE(plat::TranslateNameW(L"helpdesk@lab.local", NameUserPrincipal, NameSamCompatible, small, &size));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(13u, size);  // "LAB\helpdesk" and its terminator
    wchar_t name[64];
    size = 64;
    ASSERT_TRUE(plat::TranslateNameW(L"lab.local/Users/helpdesk", NameCanonical, NameSamCompatible, name, &size));
    EXPECT_STREQ(L"LAB\\helpdesk", name);
    size = 64;
    EXPECT_FALSE(plat::TranslateNameW(L"ghost@lab.local", NameUserPrincipal, NameSamCompatible, name, &size));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NONE_MAPPED), GetLastError());
}

TEST_F(LabLogon, UserNameIsTheActingIdentity) {
    wchar_t name[128];
    ULONG size = 2;
    EXPECT_FALSE(plat::GetUserNameExW(NameSamCompatible, name, &size));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
    EXPECT_EQ(13u, size);
    size = 128;
    ASSERT_TRUE(plat::GetUserNameExW(NameSamCompatible, name, &size));
    EXPECT_STREQ(L"LAB\\operator", name);
    EXPECT_EQ(12u, size);
    lab::ScopedIdentity admin(L"LAB\\Administrator");
    size = 128;
    ASSERT_TRUE(plat::GetUserNameExW(NameUserPrincipal, name, &size));
    EXPECT_STREQ(L"administrator@lab.local", name);
}

// Enables or disables one privilege; the call's result, its last error, and
// how many entries the previous state got (99: not written).
struct Adjusted {
    BOOL ok;
    DWORD error;
    DWORD changed;
};

Adjusted Adjust(HANDLE token, const wchar_t* privilege, bool on, DWORD previousBytes = sizeof(TOKEN_PRIVILEGES)) {
    TOKEN_PRIVILEGES wanted{1, {{{0, 0}, on ? static_cast<DWORD>(SE_PRIVILEGE_ENABLED) : 0u}}};
    plat::LookupPrivilegeValueW(nullptr, privilege, &wanted.Privileges[0].Luid);
    TOKEN_PRIVILEGES previous{99, {}};
    DWORD length = 0;
    ::SetLastError(0xdeadbeef);
    const BOOL ok = plat::AdjustTokenPrivileges(token, FALSE, &wanted, previousBytes, &previous, &length);
    return {ok, ::GetLastError(), previous.PrivilegeCount};
}

// The operator administers ADMIN01, whose Administrators hold the shutdown
// privilege (not the one to act as the system); the helpdesk is one of its
// Users, who may shut a workstation down but not back it up.
TEST_F(LabLogon, PrivilegesAreHeldThroughTheAccountDatabaseAndEnabledOneByOne) {
    LUID luid{};
    EXPECT_FALSE(plat::LookupPrivilegeValueW(nullptr, L"SeServiceLogonRight", &luid));  // a right, not a privilege
    HANDLE token = nullptr;
    ::SetLastError(0);
    EXPECT_FALSE(plat::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_TOKEN), GetLastError());

    struct Step {
        const wchar_t* identity;  // null: the copy ImpersonateSelf makes
        const wchar_t* privilege;
        bool on;
        DWORD previousBytes;
        Adjusted expected;
    };
    constexpr DWORD kOne = sizeof(TOKEN_PRIVILEGES);
    const Step steps[] = {
        {nullptr, SE_SHUTDOWN_NAME, true, 4, {FALSE, ERROR_INSUFFICIENT_BUFFER, 99}},  // nothing changes
        {nullptr, SE_SHUTDOWN_NAME, true, kOne, {TRUE, 0, 1}},
        {nullptr, SE_SHUTDOWN_NAME, true, kOne, {TRUE, 0, 0}},  // enabled already
        {nullptr, SE_SHUTDOWN_NAME, false, kOne, {TRUE, 0, 1}},
        {nullptr, SE_TCB_NAME, true, kOne, {TRUE, ERROR_NOT_ALL_ASSIGNED, 0}},
        {L"LAB\\helpdesk", SE_SHUTDOWN_NAME, true, kOne, {TRUE, 0, 1}},
        {L"LAB\\helpdesk", SE_BACKUP_NAME, true, kOne, {TRUE, ERROR_NOT_ALL_ASSIGNED, 0}},
    };
    // Each identity's steps share one token of the thread.
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << s.privilege << (s.on ? " on" : " off"));
        if (&s == &steps[0] || s.identity != (&s)[-1].identity) {
            if (token) {
                EXPECT_TRUE(plat::CloseHandle(token));
            }
            if (s.identity) {
                ASSERT_EQ(0u, LabSetThreadIdentity(s.identity));
            } else {
                ASSERT_TRUE(plat::ImpersonateSelf(SecurityImpersonation));
            }
            ASSERT_TRUE(plat::OpenThreadToken(::GetCurrentThread(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, TRUE, &token));
        }
        const Adjusted a = Adjust(token, s.privilege, s.on, s.previousBytes);
        EXPECT_EQ(s.expected.ok, a.ok);
        EXPECT_EQ(s.expected.error, a.error);
        EXPECT_EQ(s.expected.changed, a.changed);
    }
    EXPECT_TRUE(plat::CloseHandle(token));
    // A token opened without the adjust right cannot be adjusted.
    ASSERT_TRUE(plat::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), Adjust(token, SE_SHUTDOWN_NAME, true).error);
    EXPECT_TRUE(plat::CloseHandle(token));
    EXPECT_TRUE(plat::RevertToSelf());
    EXPECT_EQ(L"clean", lab::LeakReport());
}

}  // namespace
