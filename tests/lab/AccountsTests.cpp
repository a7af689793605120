// Account lookups and the local security authority as Windows answers them.
#include "LabTest.h"

#include "lab/Sids.h"
#include "platform/Accounts.h"

#include <sddl.h>

#include <string>
#include <vector>

namespace {

using labtest::LabTest;

class LabAccounts : public LabTest {
protected:
    void TearDown() override {
        EXPECT_EQ(L"clean", lab::LeakReport());
        LabTest::TearDown();
    }
};

struct Lookup {
    DWORD error = 0;
    std::vector<BYTE> sid;
    std::wstring domain;
    SID_NAME_USE use = SidTypeUnknown;
    std::wstring SidText() const {
        LPWSTR text = nullptr;
        if (sid.empty() || !::ConvertSidToStringSidW(const_cast<BYTE*>(sid.data()), &text)) return L"";
        std::wstring out = text;
        ::LocalFree(text);
        return out;
    }
};

// The two-call protocol: sizes first, then the buffers.
Lookup ByName(const wchar_t* server, const wchar_t* name) {
    Lookup r;
    DWORD sidBytes = 0, domainChars = 0;
    if (plat::LookupAccountNameW(server, name, nullptr, &sidBytes, nullptr, &domainChars, &r.use)) return r;
    r.error = ::GetLastError();
    if (r.error != ERROR_INSUFFICIENT_BUFFER) return r;
    r.sid.resize(sidBytes);
    std::wstring domain(domainChars, L'\0');
    if (!plat::LookupAccountNameW(server, name, r.sid.data(), &sidBytes, domain.data(), &domainChars, &r.use)) {
        r.error = ::GetLastError();
        return r;
    }
    r.error = 0;
    EXPECT_EQ(r.sid.size(), sidBytes);
    r.domain = domain.substr(0, domainChars);
    return r;
}

std::wstring BySid(const wchar_t* server, const std::wstring& text, DWORD* error = nullptr) {
    PSID sid = nullptr;
    EXPECT_TRUE(::ConvertStringSidToSidW(text.c_str(), &sid));
    wchar_t name[256], domain[256];
    DWORD nameChars = 256, domainChars = 256;
    SID_NAME_USE use;
    const BOOL ok = plat::LookupAccountSidW(server, sid, name, &nameChars, domain, &domainChars, &use);
    if (error) *error = ok ? 0 : ::GetLastError();
    ::LocalFree(sid);
    return ok ? std::wstring(domain) + L"\\" + name : L"";
}

TEST_F(LabAccounts, WellKnownAndBuiltinIdentities) {
    const Lookup admins = ByName(L"FS01", L"BUILTIN\\Administrators");
    ASSERT_EQ(0u, admins.error);
    EXPECT_EQ(L"S-1-5-32-544", admins.SidText());
    EXPECT_EQ(L"BUILTIN", admins.domain);
    EXPECT_EQ(SidTypeAlias, admins.use);
    EXPECT_EQ(L"S-1-5-32-545", ByName(nullptr, L"Users").SidText());
    const Lookup network = ByName(nullptr, L"NT AUTHORITY\\NetworkService");
    EXPECT_EQ(L"S-1-5-20", network.SidText());
    EXPECT_EQ(SidTypeWellKnownGroup, network.use);
    EXPECT_EQ(L"NT AUTHORITY\\SYSTEM", BySid(nullptr, L"S-1-5-18"));
    EXPECT_EQ(L"\\Everyone", BySid(nullptr, L"S-1-1-0"));
    EXPECT_EQ(L"BUILTIN\\Users", BySid(L"DC01", L"S-1-5-32-545"));
}

TEST_F(LabAccounts, DomainAndLocalAccountsCarryTheirDomainsIdentifier) {
    const Lookup op = ByName(L"FS01", L"LAB\\operator");
    ASSERT_EQ(0u, op.error);
    EXPECT_EQ(L"LAB", op.domain);
    EXPECT_EQ(SidTypeUser, op.use);
    const Lookup domain = ByName(L"FS01", L"LAB");
    EXPECT_EQ(SidTypeDomain, domain.use);
    const std::wstring prefix = domain.SidText() + L"-";
    EXPECT_EQ(0u, op.SidText().rfind(prefix, 0)) << op.SidText();
    EXPECT_EQ(prefix + L"512", ByName(L"FS01", L"LAB\\Domain Admins").SidText());
    EXPECT_EQ(op.SidText(), ByName(L"FS01", L"operator@lab.local").SidText());

    // A bare "Administrator" on a member computer is its local account, with
    // the machine identifier; on the domain controller it is the domain's.
    const Lookup local = ByName(L"FS01", L"Administrator");
    EXPECT_EQ(L"FS01", local.domain);
    const Lookup machine = ByName(L"FS01", L"FS01");
    EXPECT_EQ(SidTypeDomain, machine.use);
    EXPECT_EQ(machine.SidText() + L"-500", local.SidText());
    EXPECT_NE(machine.SidText(), ByName(L"TS01", L"TS01").SidText());
    EXPECT_EQ(prefix + L"500", ByName(L"DC01", L"Administrator").SidText());
    EXPECT_EQ(L"FS01\\Guest", BySid(L"FS01", machine.SidText() + L"-501"));
    // Another computer's local accounts are unknown here.
    DWORD error = 0;
    EXPECT_EQ(L"", BySid(L"TS01", machine.SidText() + L"-501", &error));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NONE_MAPPED), error);
}

TEST_F(LabAccounts, LookupsAgreeWithTheSharedIdentifiers) {
    ASSERT_EQ(0u, lab::LoadScenarioText(R"({
      "domain": {"name": "ACME"}, "interactiveUser": "ACME\\a",
      "accounts": [{"name": "ACME\\a", "password": "", "groups": ["ACME\\Ops"]}, {"name": "W1\\kiosk", "password": ""}],
      "computers": [{"name": "W1"}, {"name": "DC", "os": {"major": 10, "minor": 0, "build": 20348, "role": "domainController"}}]
    })"));
    for (const wchar_t* name : {L"ACME\\a", L"ACME\\Ops", L"W1\\kiosk", L"W1\\Administrator", L"BUILTIN\\Users",
                                L"NT AUTHORITY\\SYSTEM", L"ACME\\Domain Users"})
        EXPECT_EQ(lab::AccountSid(name), ByName(nullptr, name).sid) << name;
    EXPECT_EQ(lab::AccountSid(L"ACME\\a"), lab::AccountSid(L"acme\\A"));
    EXPECT_TRUE(lab::AccountSid(L"a").empty());  // no authority: unknown
    EXPECT_EQ(SidTypeGroup, ByName(nullptr, L"ACME\\Ops").use);
    // On the domain controller the account domain is the domain.
    EXPECT_EQ(lab::AccountSid(L"ACME\\Administrator"), ByName(L"DC", L"Administrator").sid);
    EXPECT_EQ(static_cast<DWORD>(ERROR_NONE_MAPPED), ByName(L"DC", L"W1\\kiosk").error);
}

TEST_F(LabAccounts, SizeProtocolAndFailures) {
    DWORD sidBytes = 0, domainChars = 0;
    SID_NAME_USE use;
    ::SetLastError(0);
    EXPECT_FALSE(plat::LookupAccountNameW(L"FS01", L"LAB\\helpdesk", nullptr, &sidBytes, nullptr, &domainChars, &use));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), ::GetLastError());
    EXPECT_EQ(28u, sidBytes);    // S-1-5-21-a-b-c-rid
    EXPECT_EQ(4u, domainChars);  // "LAB" and its terminator

    EXPECT_EQ(static_cast<DWORD>(ERROR_NONE_MAPPED), ByName(L"FS01", L"LAB\\nobody").error);
    EXPECT_EQ(static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE), ByName(L"LAPTOP07", L"LAB\\operator").error);
    labtest::NetBuffer none;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_LEVEL), plat::NetUserModalsGet(L"FS01", 9, none.Put()));

    // The name buffer of the second call is checked as well.
    PSID users = nullptr;
    ASSERT_TRUE(::ConvertStringSidToSidW(L"S-1-5-32-545", &users));
    wchar_t name[3], domain[16];
    DWORD nameChars = 3, dChars = 16;
    EXPECT_FALSE(plat::LookupAccountSidW(nullptr, users, name, &nameChars, domain, &dChars, &use));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), ::GetLastError());
    EXPECT_EQ(6u, nameChars);
    EXPECT_EQ(8u, dChars);
    ::LocalFree(users);
}

LSA_UNICODE_STRING Lsa(const wchar_t* text) {
    LSA_UNICODE_STRING s{};
    s.Buffer = const_cast<wchar_t*>(text);
    s.Length = static_cast<USHORT>(wcslen(text) * sizeof(wchar_t));
    s.MaximumLength = s.Length;
    return s;
}

// Granting itself is driven through the module's logon-right tests; what is
// left here is what they cannot see: the access a policy handle was opened
// with, the statuses faults become, and release accounting of the handle.
TEST_F(LabAccounts, PolicyHandlesKeepTheirAccessAndStatusesMapToErrors) {
    const Lookup helpdesk = ByName(L"FS01", L"LAB\\helpdesk");
    ASSERT_EQ(0u, helpdesk.error);
    LSA_OBJECT_ATTRIBUTES attributes{};
    LSA_HANDLE policy = nullptr;
    LSA_UNICODE_STRING right = Lsa(L"SeServiceLogonRight");
    // The operator does not administer FS01: looking names up is open, creating accounts is not.
    LSA_UNICODE_STRING fs01 = Lsa(L"FS01");
    const NTSTATUS denied = plat::LsaOpenPolicy(&fs01, &attributes, 0x810, &policy);
    EXPECT_EQ(static_cast<ULONG>(ERROR_ACCESS_DENIED), plat::LsaNtStatusToWinError(denied));
    EXPECT_EQ(nullptr, policy);
    ASSERT_EQ(0, plat::LsaOpenPolicy(&fs01, &attributes, POLICY_LOOKUP_NAMES, &policy));
    const NTSTATUS noCreate = plat::LsaAddAccountRights(policy, const_cast<BYTE*>(helpdesk.sid.data()), &right, 1);
    EXPECT_EQ(static_cast<ULONG>(ERROR_ACCESS_DENIED), plat::LsaNtStatusToWinError(noCreate));
    EXPECT_EQ(0, plat::LsaClose(policy));
    EXPECT_EQ(static_cast<ULONG>(ERROR_INVALID_HANDLE), plat::LsaNtStatusToWinError(plat::LsaClose(policy)));
    EXPECT_EQ(1u, LabBadReleases());
    LabResetAccounting();

    LabAddFault(L"ADMIN01", "LsaAddAccountRights", ERROR_NOT_ENOUGH_MEMORY, 1, 1);
    ASSERT_EQ(0, plat::LsaOpenPolicy(nullptr, &attributes, 0x810, &policy));
    EXPECT_EQ(static_cast<NTSTATUS>(0xC0000017),
              plat::LsaAddAccountRights(policy, const_cast<BYTE*>(helpdesk.sid.data()), &right, 1));
    EXPECT_EQ(0, plat::LsaClose(policy));
    EXPECT_EQ(static_cast<ULONG>(ERROR_MR_MID_NOT_FOUND), plat::LsaNtStatusToWinError(static_cast<NTSTATUS>(0xC0FFEE00)));
}

}  // namespace
