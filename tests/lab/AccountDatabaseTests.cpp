// Each computer's account database: who administers it (its Administrators
// group, domain groups included), who logs on with its local accounts, what
// its lookups answer, and the scenario fields that fill it.
#include "LabTest.h"

#include "lab/Sids.h"
#include "platform/Accounts.h"
#include "platform/Logon.h"

#include <string>
#include <vector>

namespace {

constexpr char kScenario[] = R"({"domain": {"name": "T"}, "interactiveUser": "T\\ann",
  "accounts": [{"name": "T\\ann", "password": "a", "groups": ["T\\Desk"]}, {"name": "T\\bob", "password": "b"},
               {"name": "T\\cy", "password": "c", "groups": ["T\\Domain Admins"]},
               {"name": "WS1\\legacy", "password": "l", "groups": ["WS1\\Old Group"]}],
  "computers": [
    {"name": "WS1", "local": true,
     "users": [{"name": "kiosk", "password": "k", "groups": ["Administrators"]},
               {"name": "off", "password": "o", "disabled": true}, {"name": "stale", "password": "s", "passwordExpired": true}],
     "groups": [{"name": "Operators Local", "members": ["T\\Desk", ".\\off"]}, {"name": "Administrators", "members": ["T\\bob"]}]},
    {"name": "WKSTN-ACCOUNTS1", "administrators": ["T\\ann"]}]})";

class LabAccountDatabase : public labtest::ScenarioLabTest {
protected:
    LabAccountDatabase() : ScenarioLabTest(kScenario) {}
};

bool Administers(const wchar_t* identity, const wchar_t* computer) {
    lab::ScopedIdentity as(identity);
    EXPECT_EQ(0u, as.Status()) << identity;
    return LabMayAdminister(computer) != FALSE;
}

TEST_F(LabAccountDatabase, TheAdministratorsGroupDecidesWhoAdministers) {
    struct Case {
        const wchar_t* identity;
        const wchar_t* computer;
        bool administers;
    };
    const Case cases[] = {
        {L"T\\cy", L"WS1", true},        // Domain Admins, the default member
        {L"T\\bob", L"WS1", true},       // named in the group's members
        {L"WS1\\kiosk", L"WS1", true},   // a local user that joined it
        {L"T\\ann", L"WS1", false},      // her group is in another local group only
        {L"T\\ann", L"WKSTN-ACCOUNTS1", true},
        {L"T\\cy", L"WKSTN-ACCOUNTS1", false},  // `administrators` replaces the default
    };
    for (const Case& c : cases) EXPECT_EQ(c.administers, Administers(c.identity, c.computer)) << c.identity << " on " << c.computer;
    EXPECT_EQ(0u, LabAddGroupMember(L"WS1", L"Administrators", L"T\\Desk"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MEMBER_IN_ALIAS), LabAddGroupMember(L"WS1", L"administrators", L"T\\Desk"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_SUCH_ALIAS), LabAddGroupMember(L"WS1", L"No Such Group", L"T\\Desk"));
    EXPECT_TRUE(Administers(L"T\\ann", L"WS1"));
}

TEST_F(LabAccountDatabase, LocalUsersLogOnAsTheirDatabaseSays) {
    struct Case {
        const wchar_t* user;
        const wchar_t* domain;
        const wchar_t* password;
        DWORD error;
    };
    const Case cases[] = {
        {L"kiosk", L".", L"k", 0},           {L"WS1\\KIOSK", nullptr, L"k", 0},
        {L"legacy", L".", L"l", 0},          {L"kiosk", L".", L"x", ERROR_LOGON_FAILURE},
        {L"off", L".", L"o", ERROR_ACCOUNT_DISABLED}, {L"stale", L".", L"s", ERROR_PASSWORD_EXPIRED},
        {L"Guest", L".", L"", ERROR_ACCOUNT_DISABLED},
    };
    for (const Case& c : cases) {
        HANDLE token = nullptr;
        ::SetLastError(0);
        const BOOL ok = plat::LogonUserW(c.user, c.domain, c.password, LOGON32_LOGON_INTERACTIVE,
                                         LOGON32_PROVIDER_DEFAULT, &token);
        EXPECT_EQ(c.error, ok ? 0u : ::GetLastError()) << c.user;
        if (ok) {
            EXPECT_TRUE(plat::CloseHandle(token));
        }
    }
}

// LookupAccountSidW with room for `domainChars` characters, terminator included.
std::wstring BySid(const wchar_t* server, const wchar_t* account, DWORD domainChars = 64, SID_NAME_USE* use = nullptr) {
    std::vector<BYTE> sid = lab::AccountSid(account);
    wchar_t name[64];
    std::wstring domain(domainChars, L'\0');
    DWORD nameChars = 64;
    SID_NAME_USE kind = SidTypeUnknown;
    if (!plat::LookupAccountSidW(server, sid.data(), name, &nameChars, domain.data(), &domainChars, &kind))
        return L"error " + std::to_wstring(::GetLastError());
    if (use) *use = kind;
    return domain.substr(0, domainChars) + L"\\" + name;
}

TEST_F(LabAccountDatabase, LookupsSeeTheDatabasesUsersAndGroups) {
    struct Case {
        const wchar_t* server;
        const wchar_t* account;
        std::wstring found;
        SID_NAME_USE use;
    };
    const Case cases[] = {
        {nullptr, L"WS1\\kiosk", L"WS1\\kiosk", SidTypeUser},
        {nullptr, L"WS1\\Operators Local", L"WS1\\Operators Local", SidTypeAlias},
        {nullptr, L"WS1\\Old Group", L"WS1\\Old Group", SidTypeAlias},
        {nullptr, L"WS1\\DefaultAccount", L"WS1\\DefaultAccount", SidTypeUser},
    };
    for (const Case& c : cases) {
        SID_NAME_USE use = SidTypeUnknown;
        EXPECT_EQ(c.found, BySid(c.server, c.account, 64, &use));
        EXPECT_EQ(c.use, use) << c.account;
    }
    // A computer name of the full 15 characters fits a buffer of 16.
    EXPECT_EQ(L"WKSTN-ACCOUNTS1\\Guest", BySid(L"WKSTN-ACCOUNTS1", L"WKSTN-ACCOUNTS1\\Guest", 16));
    EXPECT_EQ(L"error 122", BySid(L"WKSTN-ACCOUNTS1", L"WKSTN-ACCOUNTS1\\Guest", 15));
}

TEST_F(LabAccountDatabase, ScenarioErrorsNameTheField) {
    const std::string head = R"({"domain":{"name":"T"},"interactiveUser":"T\\u","accounts":[{"name":"T\\u","password":"p"}],
"computers":[{"name":"H",)";
    std::wstring error;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA),
              lab::LoadScenarioText(head + R"("users":[{"name":"a"},{"name":"A"}]}]})", &error, L"t.json"));
    EXPECT_EQ(L"t.json:2: computers[0].users[1].name: a user named \"A\" exists already", error);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA),
              lab::LoadScenarioText(head + R"("users":[{"name":"a/b"}]}]})", &error, L"t.json"));
    EXPECT_EQ(L"t.json:2: computers[0].users[0].name: expected a user name of 1 to 20 characters without "
              L"\"/\\[]:;|=,+*?<>@",
              error);
}

}  // namespace
