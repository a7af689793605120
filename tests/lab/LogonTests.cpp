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

}  // namespace

namespace tokens {

DWORD Luid(const wchar_t* name) {
    LUID luid{};
    return plat::LookupPrivilegeValueW(nullptr, name, &luid) ? luid.LowPart : 0;
}

struct Adjusted {
    BOOL ok = FALSE;
    DWORD error = 0;
    DWORD length = 0;
    DWORD changed = 0;      // entries of the previous state
    DWORD wasEnabled = 0;   // their attributes, first entry
};

Adjusted Adjust(HANDLE token, const wchar_t* privilege, bool on, DWORD previousBytes = sizeof(TOKEN_PRIVILEGES)) {
    TOKEN_PRIVILEGES wanted{1, {{{Luid(privilege), 0}, on ? static_cast<DWORD>(SE_PRIVILEGE_ENABLED) : 0u}}};
    TOKEN_PRIVILEGES previous{99, {{{0, 0}, 99}}};
    Adjusted a;
    ::SetLastError(0xdeadbeef);
    a.ok = plat::AdjustTokenPrivileges(token, FALSE, &wanted, previousBytes, &previous, &a.length);
    a.error = ::GetLastError();
    a.changed = previous.PrivilegeCount;
    a.wasEnabled = previous.Privileges[0].Attributes;
    return a;
}

}  // namespace tokens

TEST_F(LabLogon, PrivilegesAreHeldThroughTheAccountDatabaseAndEnabledOneByOne) {
    EXPECT_EQ(19u, tokens::Luid(L"SeShutdownPrivilege"));
    EXPECT_EQ(19u, tokens::Luid(L"seshutdownprivilege"));
    LUID luid{};
    ::SetLastError(0);
    EXPECT_FALSE(plat::LookupPrivilegeValueW(nullptr, L"SeServiceLogonRight", &luid));  // a right, not a privilege
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_SUCH_PRIVILEGE), GetLastError());

    // No impersonation: no thread token.
    HANDLE token = nullptr;
    ::SetLastError(0);
    EXPECT_FALSE(plat::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_TOKEN), GetLastError());
    ASSERT_TRUE(plat::ImpersonateSelf(SecurityImpersonation));
    ASSERT_TRUE(plat::OpenThreadToken(::GetCurrentThread(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, TRUE, &token));

    // The operator administers ADMIN01: its Administrators hold the shutdown
    // privilege, not the one to act as the operating system.
    struct Step {
        const wchar_t* privilege;
        bool on;
        DWORD previousBytes;
        BOOL ok;
        DWORD error;
        DWORD changed;
        DWORD wasEnabled;
    };
    const DWORD one = sizeof(TOKEN_PRIVILEGES);
    const Step steps[] = {
        {SE_SHUTDOWN_NAME, true, 4, FALSE, ERROR_INSUFFICIENT_BUFFER, 99, 99},  // too short: nothing changes
        {SE_SHUTDOWN_NAME, true, one, TRUE, 0, 1, 0},
        {SE_SHUTDOWN_NAME, true, one, TRUE, 0, 0, 99},  // enabled already: nothing changed
        {SE_SHUTDOWN_NAME, false, one, TRUE, 0, 1, SE_PRIVILEGE_ENABLED},
        {SE_TCB_NAME, true, one, TRUE, ERROR_NOT_ALL_ASSIGNED, 0, 99},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << s.privilege << (s.on ? " on" : " off"));
        const tokens::Adjusted a = tokens::Adjust(token, s.privilege, s.on, s.previousBytes);
        EXPECT_EQ(s.ok, a.ok);
        EXPECT_EQ(s.error, a.error);
        EXPECT_EQ(s.changed, a.changed);
        EXPECT_EQ(s.wasEnabled, a.wasEnabled);
        if (s.error == ERROR_INSUFFICIENT_BUFFER) {
            EXPECT_EQ(one, a.length);
        }
    }
    EXPECT_TRUE(plat::CloseHandle(token));

    // The helpdesk does not administer ADMIN01 but, as one of its Users,
    // may shut a workstation down.
    ASSERT_EQ(0u, LabSetThreadIdentity(L"LAB\\helpdesk"));
    ASSERT_TRUE(plat::OpenThreadToken(::GetCurrentThread(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, TRUE, &token));
    EXPECT_EQ(0u, tokens::Adjust(token, SE_SHUTDOWN_NAME, true).error);
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED), tokens::Adjust(token, SE_BACKUP_NAME, true).error);
    EXPECT_TRUE(plat::CloseHandle(token));

    // A token opened without the adjust right cannot be adjusted.
    ASSERT_TRUE(plat::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), tokens::Adjust(token, SE_SHUTDOWN_NAME, true).error);
    EXPECT_TRUE(plat::CloseHandle(token));
    EXPECT_TRUE(plat::RevertToSelf());
    EXPECT_EQ(L"clean", lab::LeakReport());
}
