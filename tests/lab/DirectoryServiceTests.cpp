// User objects bound by WinNT paths, and the join facts their paths are built
// from, as the platform answers them on each computer's account database.
#include "LabTest.h"

#include "common/ComPtr.h"
#include "common/Handles.h"
#include "lab/LabControl.h"
#include "platform/DirectoryService.h"
#include "platform/NetManagement.h"

#include <adserr.h>
#include <lmjoin.h>
#include <oleauto.h>

#include <string>

namespace {

// WS01 is joined to LAB; KIOSK is in the workgroup HOME; FS01 is not
// administered by the operator.
constexpr char kScenario[] = R"({
  "domain": { "name": "LAB" },
  "interactiveUser": "LAB\\operator",
  "accounts": [ { "name": "LAB\\operator", "password": "o" } ],
  "computers": [
    { "name": "WS01", "local": true, "ip": "10.0.0.10", "administrators": ["LAB\\operator"],
      "users": [ { "name": "support", "password": "s", "fullName": "Desktop Support", "comment": "Local support",
                   "profilePath": "\\\\fs01\\profiles\\support", "homeDirectory": "\\\\fs01\\home\\support",
                   "homeDrive": "H:", "passwordExpired": true } ] },
    { "name": "KIOSK", "ip": "10.0.0.30", "domain": "HOME", "administrators": ["LAB\\operator"] },
    { "name": "FS01", "ip": "10.0.0.20" },
    { "name": "OLD", "ip": "10.0.0.99", "online": false }
  ]
})";

class LabDirectory : public labtest::ScenarioLabTest {
protected:
    LabDirectory() : ScenarioLabTest(kScenario) {}
};

using User = vantrel::ComPtr<IADsUser>;
HRESULT Bind(const wchar_t* path, User& user) { return plat::ADsGetObject(path, IID_IADsUser, user.PutVoid()); }

std::wstring FullName(const User& user) {
    vantrel::UniqueBstr text;
    user->get_FullName(text.Put());
    return text.Get() ? text.Get() : L"";
}

HRESULT Named(const User& user, const wchar_t* name, vantrel::UniqueVariant& value) {
    return user->Get(vantrel::UniqueBstr(::SysAllocString(name)).Get(), value.Put());
}

HRESULT PutNumber(const User& user, const wchar_t* name, LONG number) {
    VARIANT value;
    value.vt = VT_I4;
    value.lVal = number;
    return user->Put(vantrel::UniqueBstr(::SysAllocString(name)).Get(), value);
}

TEST_F(LabDirectory, JoinInformationNamesTheDomainOrTheWorkgroup) {
    const struct {
        const wchar_t* server;
        NETSETUP_JOIN_STATUS status;
        const wchar_t* name;
    } cases[] = {{L"WS01", NetSetupDomainName, L"LAB"}, {L"KIOSK", NetSetupWorkgroupName, L"HOME"}};
    for (const auto& c : cases) {
        LPWSTR name = nullptr;
        NETSETUP_JOIN_STATUS status = NetSetupUnknownStatus;
        ASSERT_EQ(0u, plat::NetGetJoinInformation(c.server, &name, &status)) << c.server;
        EXPECT_EQ(c.status, status) << c.server;
        EXPECT_STREQ(c.name, name);
        plat::NetApiBufferFree(name);
    }
    LPWSTR name = nullptr;
    NETSETUP_JOIN_STATUS status{};
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_NETPATH), plat::NetGetJoinInformation(L"OLD", &name, &status));
    EXPECT_EQ(nullptr, name);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), plat::NetGetJoinInformation(L"WS01", nullptr, &status));
}

TEST_F(LabDirectory, PathsBindOrAnswerAsTheProviderDoes) {
    const struct {
        const wchar_t* path;
        HRESULT expected;
    } cases[] = {
        {L"WinNT://LAB/WS01/support,user", S_OK},
        {L"WinNT://WS01/support,user", S_OK},
        {L"WinNT://LAB/WS01/SUPPORT", S_OK},
        {L"WinNT://HOME/KIOSK/Administrator,user", S_OK},
        {L"LDAP://CN=support,DC=lab", E_ADS_BAD_PATHNAME},
        {L"WinNT://LAB/WS01/support,group", E_ADS_BAD_PATHNAME},
        {L"WinNT://LAB//support,user", E_ADS_BAD_PATHNAME},
        {L"WinNT://LAB/WS01/nobody,user", static_cast<HRESULT>(0x800708AD)},
        {L"WinNT://HOME/WS01/support,user", static_cast<HRESULT>(0x80070035)},
        {L"WinNT://LAB/NOWHERE/support,user", static_cast<HRESULT>(0x80070035)},
        {L"WinNT://LAB/OLD/Administrator,user", static_cast<HRESULT>(0x80070035)},
        {L"WinNT://LAB/FS01/Administrator,user", E_ACCESSDENIED},
    };
    for (const auto& c : cases) {
        User user;
        EXPECT_EQ(c.expected, Bind(c.path, user)) << c.path;
    }
}

TEST_F(LabDirectory, TheObjectReadsTheAccountThroughAccessorsAndNames) {
    User user;
    ASSERT_EQ(S_OK, Bind(L"WinNT://LAB/WS01/support,user", user));
    EXPECT_EQ(L"Desktop Support", FullName(user));
    vantrel::UniqueBstr text;
    ASSERT_EQ(S_OK, user->get_Description(text.Put()));
    EXPECT_STREQ(L"Local support", text.Get());
    ASSERT_EQ(S_OK, user->get_HomeDirectory(text.Put()));
    EXPECT_STREQ(L"\\\\fs01\\home\\support", text.Get());
    vantrel::UniqueVariant value;
    ASSERT_EQ(S_OK, Named(user, L"HomeDirDrive", value));
    ASSERT_EQ(VT_BSTR, value.Get().vt);
    EXPECT_STREQ(L"H:", value.Get().bstrVal);
    Named(user, L"PasswordExpired", value);
    EXPECT_EQ(VT_I4, value.Get().vt);
    EXPECT_EQ(1, value.Get().lVal);
    EXPECT_EQ(S_OK, Named(user, L"userflags", value));  // names without case
    EXPECT_EQ(static_cast<LONG>(UF_SCRIPT | UF_NORMAL_ACCOUNT | UF_DONT_EXPIRE_PASSWD), value.Get().lVal);
    EXPECT_EQ(E_ADS_PROPERTY_NOT_FOUND, Named(user, L"Manager", value));
    vantrel::ComPtr<IADs> base;
    EXPECT_EQ(S_OK, user.QueryTo(IID_IADs, base.PutVoid()));
}

TEST_F(LabDirectory, SetInfoWritesWhatWasPutAndALockoutCanOnlyBeCleared) {
    User user, other;
    ASSERT_EQ(S_OK, Bind(L"WinNT://LAB/WS01/support,user", user));
    ASSERT_EQ(S_OK, user->put_FullName(vantrel::UniqueBstr(::SysAllocString(L"Support Desk")).Get()));
    // Only the page's bits, and a lockout the account does not have.
    ASSERT_EQ(S_OK, PutNumber(user, L"UserFlags", UF_ACCOUNTDISABLE | UF_LOCKOUT));
    ASSERT_EQ(S_OK, PutNumber(user, L"PasswordExpired", 0));
    // Nothing reaches the account before SetInfo.
    ASSERT_EQ(S_OK, Bind(L"WinNT://WS01/support,user", other));
    EXPECT_EQ(L"Desktop Support", FullName(other));

    ASSERT_EQ(S_OK, user->SetInfo());
    labtest::NetBuffer info;
    ASSERT_EQ(0u, plat::NetUserGetInfo(L"WS01", L"support", 3, info.Put()));
    const auto& u = info.As<USER_INFO_3>();
    EXPECT_STREQ(L"Support Desk", u.usri3_full_name);
    // The account type stays; the lockout was not set; the expiry went.
    EXPECT_EQ(static_cast<DWORD>(UF_SCRIPT | UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE), u.usri3_flags);
    EXPECT_EQ(0u, u.usri3_password_expired);
    ASSERT_EQ(S_OK, other->GetInfo());
    EXPECT_EQ(L"Support Desk", FullName(other));
}

TEST_F(LabDirectory, SetInfoFailuresComeAsHResults) {
    User user;
    ASSERT_EQ(S_OK, Bind(L"WinNT://LAB/WS01/support,user", user));
    ASSERT_NE(0u, LabAddFault(L"WS01", "IADs::SetInfo", ERROR_ACCESS_DENIED, 1, 1));
    EXPECT_EQ(E_ACCESSDENIED, user->SetInfo());
    EXPECT_EQ(S_OK, user->SetInfo());
    ASSERT_EQ(0u, plat::NetUserDel(L"WS01", L"support"));
    EXPECT_EQ(static_cast<HRESULT>(0x800708AD), user->SetInfo());
    EXPECT_EQ(3u, LabCallCount(L"WS01", "IADs::SetInfo"));
}

}  // namespace
