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

constexpr char kScenario[] = R"({
  "domain": { "name": "T", "dnsName": "t.example" },
  "interactiveUser": "T\\ann",
  "accounts": [
    { "name": "T\\ann", "password": "a", "groups": ["T\\Desk"] },
    { "name": "T\\bob", "password": "b" },
    { "name": "T\\cy", "password": "c", "groups": ["T\\Domain Admins"] },
    { "name": "WS1\\legacy", "password": "l", "groups": ["WS1\\Old Group"] }
  ],
  "computers": [
    { "name": "WS1", "local": true,
      "users": [
        { "name": "kiosk", "password": "k", "fullName": "Kiosk", "groups": ["Administrators"] },
        { "name": "off", "password": "o", "disabled": true },
        { "name": "stale", "password": "s", "passwordExpired": true }
      ],
      "groups": [
        { "name": "Operators Local", "comment": "Local operators", "members": ["T\\Desk", ".\\off"] },
        { "name": "Administrators", "members": ["T\\bob"] }
      ] },
    { "name": "WKSTN-ACCOUNTS1", "administrators": ["T\\ann"] }
  ]
})";

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
        {L"T\\cy", L"WS1", true},       // Domain Admins, the default member
        {L"T\\bob", L"WS1", true},      // named in the group's members
        {L"WS1\\kiosk", L"WS1", true},  // a local user that joined it
        {L"T\\ann", L"WS1", false},     // her group is in another local group only
        {L"WS1\\legacy", L"WS1", false},
        {L"T\\ann", L"WKSTN-ACCOUNTS1", true},
        {L"T\\cy", L"WKSTN-ACCOUNTS1", false},  // `administrators` replaces the default
        {L"WS1\\kiosk", L"WKSTN-ACCOUNTS1", false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.administers, Administers(c.identity, c.computer)) << c.identity << " on " << c.computer;

    // Adding a domain group to the group is what makes its members administrators.
    struct Add {
        const wchar_t* computer;
        const wchar_t* group;
        const wchar_t* account;
        DWORD error;
    };
    const Add adds[] = {
        {L"WS1", L"Administrators", L"T\\Desk", 0},
        {L"WS1", L"administrators", L"T\\Desk", ERROR_MEMBER_IN_ALIAS},
        {L"WS1", L"No Such Group", L"T\\Desk", ERROR_NO_SUCH_ALIAS},
        {L"NOSUCH", L"Administrators", L"T\\Desk", ERROR_NOT_FOUND},
    };
    for (const Add& a : adds) EXPECT_EQ(a.error, LabAddGroupMember(a.computer, a.group, a.account)) << a.group;
    EXPECT_TRUE(Administers(L"T\\ann", L"WS1"));
}

TEST_F(LabAccountDatabase, LocalUsersLogOnAsTheirDatabaseSays) {
    struct Case {
        const wchar_t* user;
        const wchar_t* domain;
        const wchar_t* password;
        DWORD error;
        const wchar_t* identity;  // who the thread acts as after impersonating
    };
    const Case cases[] = {
        {L"kiosk", L".", L"k", 0, L"WS1\\kiosk"},
        {L"KIOSK", L"ws1", L"k", 0, L"WS1\\kiosk"},
        {L"WS1\\kiosk", nullptr, L"k", 0, L"WS1\\kiosk"},
        {L"legacy", L".", L"l", 0, L"WS1\\legacy"},  // a scenario account of COMPUTER\name form
        {L"kiosk", L".", L"x", ERROR_LOGON_FAILURE, nullptr},
        {L"off", L".", L"o", ERROR_ACCOUNT_DISABLED, nullptr},
        {L"stale", L".", L"s", ERROR_PASSWORD_EXPIRED, nullptr},
        {L"Guest", L".", L"", ERROR_ACCOUNT_DISABLED, nullptr},
        {L"kiosk", L"WKSTN-ACCOUNTS1", L"k", ERROR_LOGON_FAILURE, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.user << " in " << (c.domain ? c.domain : L"(none)"));
        HANDLE token = nullptr;
        ::SetLastError(0);
        const BOOL ok = plat::LogonUserW(c.user, c.domain, c.password, LOGON32_LOGON_INTERACTIVE,
                                         LOGON32_PROVIDER_DEFAULT, &token);
        EXPECT_EQ(c.error, ok ? 0u : ::GetLastError());
        if (!ok) continue;
        ASSERT_TRUE(plat::ImpersonateLoggedOnUser(token));
        EXPECT_EQ(c.identity, lab::ThreadIdentity());
        EXPECT_TRUE(plat::RevertToSelf());
        EXPECT_TRUE(plat::CloseHandle(token));
    }
}

struct Found {
    DWORD error = 0;
    std::wstring name;
    SID_NAME_USE use = SidTypeUnknown;
};

// LookupAccountSidW with room for exactly `domainChars` characters (the
// terminator included).
Found BySid(const wchar_t* server, const std::wstring& account, DWORD domainChars = 64) {
    std::vector<BYTE> sid = lab::AccountSid(account);
    wchar_t name[64];
    std::wstring domain(domainChars, L'\0');
    DWORD nameChars = 64;
    Found f;
    if (!plat::LookupAccountSidW(server, sid.data(), name, &nameChars, domain.data(), &domainChars, &f.use)) {
        f.error = ::GetLastError();
        return f;
    }
    f.name = domain.substr(0, domainChars) + L"\\" + name;
    return f;
}

TEST_F(LabAccountDatabase, LookupsSeeTheDatabasesUsersAndGroups) {
    struct Case {
        const wchar_t* server;
        const wchar_t* account;
        DWORD error;
        SID_NAME_USE use;
    };
    const Case cases[] = {
        {nullptr, L"WS1\\kiosk", 0, SidTypeUser},
        {nullptr, L"WS1\\Operators Local", 0, SidTypeAlias},
        {nullptr, L"WS1\\Old Group", 0, SidTypeAlias},
        {nullptr, L"WS1\\DefaultAccount", 0, SidTypeUser},
        {nullptr, L"WS1\\nobody", ERROR_NONE_MAPPED, SidTypeUnknown},
        {L"WKSTN-ACCOUNTS1", L"WS1\\kiosk", ERROR_NONE_MAPPED, SidTypeUnknown},  // another computer's account
        {L"WKSTN-ACCOUNTS1", L"WKSTN-ACCOUNTS1\\Administrator", 0, SidTypeUser},
    };
    for (const Case& c : cases) {
        const Found f = BySid(c.server, c.account);
        EXPECT_EQ(c.error, f.error) << c.account;
        EXPECT_EQ(c.use, f.use) << c.account;
        if (!c.error) {
            EXPECT_EQ(c.account, f.name);
        }
    }
    // A computer name of the full 15 characters fits a buffer of 16.
    EXPECT_EQ(L"WKSTN-ACCOUNTS1\\Guest", BySid(L"WKSTN-ACCOUNTS1", L"WKSTN-ACCOUNTS1\\Guest", 16).name);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER),
              BySid(L"WKSTN-ACCOUNTS1", L"WKSTN-ACCOUNTS1\\Guest", 15).error);
}

TEST_F(LabAccountDatabase, ScenarioErrorsNameTheField) {
    const std::string head = R"({"domain":{"name":"T"},"interactiveUser":"T\\u","accounts":[{"name":"T\\u","password":"p"}],
"computers":[{"name":"H",)";
    struct Case {
        std::string fields;
        const wchar_t* message;
    };
    const Case cases[] = {
        {R"("users":[{"name":"a"},{"name":"A"}]}]})", L"t.json:2: computers[0].users[1].name: a user named \"A\" exists already"},
        {R"("users":[{"name":"a/b"}]}]})",
         L"t.json:2: computers[0].users[0].name: expected a user name of 1 to 20 characters without \"/\\[]:;|=,+*?<>@"},
        {R"("users":[{"name":"a","shoeSize":9}]}]})", L"t.json:2: computers[0].users[0].shoeSize: unknown field"},
        {R"("users":[{"password":"x"}]}]})", L"t.json:2: computers[0].users[0].name: required field is missing"},
        {R"("groups":[{"name":"a\\b"}]}]})",
         L"t.json:2: computers[0].groups[0].name: expected a group name of 1 to 256 characters without \\"},
        {R"("groups":[{"name":"g","members":[1]}]}]})", L"t.json:2: computers[0].groups[0].members[0]: expected a string"},
    };
    for (const Case& c : cases) {
        std::wstring error;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), lab::LoadScenarioText(head + c.fields, &error, L"t.json"));
        EXPECT_EQ(c.message, error);
    }
}

}  // namespace
