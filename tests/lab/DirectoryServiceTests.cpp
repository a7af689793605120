// User objects bound by WinNT paths, and the join facts their paths are built
// from, as the platform answers them on each computer's account database.
#include "LabTest.h"

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

// An IADsUser released at the end of the scope.
class BoundUser {
public:
    BoundUser() = default;
    BoundUser(const BoundUser&) = delete;
    BoundUser& operator=(const BoundUser&) = delete;
    ~BoundUser() {
        if (p_) p_->Release();
    }
    void** Put() { return reinterpret_cast<void**>(&p_); }
    IADsUser* operator->() const { return p_; }

private:
    IADsUser* p_ = nullptr;
};

HRESULT Bind(const wchar_t* path, BoundUser& user) { return plat::ADsGetObject(path, IID_IADsUser, user.Put()); }

std::wstring Text(BSTR value) {
    std::wstring text = value ? value : L"";
    ::SysFreeString(value);
    return text;
}

VARIANT Named(IADsUser* user, const wchar_t* name, HRESULT* hr) {
    VARIANT value;
    ::VariantInit(&value);
    BSTR property = ::SysAllocString(name);
    *hr = user->Get(property, &value);
    ::SysFreeString(property);
    return value;
}

HRESULT PutNumber(IADsUser* user, const wchar_t* name, LONG number) {
    VARIANT value;
    value.vt = VT_I4;
    value.lVal = number;
    BSTR property = ::SysAllocString(name);
    const HRESULT hr = user->Put(property, value);
    ::SysFreeString(property);
    return hr;
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
        BoundUser user;
        EXPECT_EQ(c.expected, Bind(c.path, user)) << c.path;
    }
}

TEST_F(LabDirectory, TheObjectReadsTheAccountThroughAccessorsAndNames) {
    BoundUser user;
    ASSERT_EQ(S_OK, Bind(L"WinNT://LAB/WS01/support,user", user));
    BSTR text = nullptr;
    ASSERT_EQ(S_OK, user->get_FullName(&text));
    EXPECT_EQ(L"Desktop Support", Text(text));
    ASSERT_EQ(S_OK, user->get_Description(&text));
    EXPECT_EQ(L"Local support", Text(text));
    ASSERT_EQ(S_OK, user->get_HomeDirectory(&text));
    EXPECT_EQ(L"\\\\fs01\\home\\support", Text(text));
    HRESULT hr = E_FAIL;
    VARIANT drive = Named(user.operator->(), L"HomeDirDrive", &hr);
    ASSERT_EQ(S_OK, hr);
    ASSERT_EQ(VT_BSTR, drive.vt);
    EXPECT_STREQ(L"H:", drive.bstrVal);
    ::VariantClear(&drive);
    VARIANT expired = Named(user.operator->(), L"PasswordExpired", &hr);
    EXPECT_EQ(VT_I4, expired.vt);
    EXPECT_EQ(1, expired.lVal);
    VARIANT flags = Named(user.operator->(), L"userflags", &hr);  // names without case
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ(static_cast<LONG>(UF_SCRIPT | UF_NORMAL_ACCOUNT | UF_DONT_EXPIRE_PASSWD), flags.lVal);
    Named(user.operator->(), L"Manager", &hr);
    EXPECT_EQ(E_ADS_PROPERTY_NOT_FOUND, hr);
    IADs* base = nullptr;
    ASSERT_EQ(S_OK, user->QueryInterface(IID_IADs, reinterpret_cast<void**>(&base)));
    base->Release();
}

TEST_F(LabDirectory, SetInfoWritesWhatWasPutAndALockoutCanOnlyBeCleared) {
    BoundUser user;
    ASSERT_EQ(S_OK, Bind(L"WinNT://LAB/WS01/support,user", user));
    BSTR name = ::SysAllocString(L"Support Desk");
    ASSERT_EQ(S_OK, user->put_FullName(name));
    ::SysFreeString(name);
    // Only the page's bits, and a lockout the account does not have.
    ASSERT_EQ(S_OK, PutNumber(user.operator->(), L"UserFlags", UF_ACCOUNTDISABLE | UF_LOCKOUT));
    ASSERT_EQ(S_OK, PutNumber(user.operator->(), L"PasswordExpired", 0));
    // Nothing reaches the account before SetInfo.
    BoundUser other;
    ASSERT_EQ(S_OK, Bind(L"WinNT://WS01/support,user", other));
    BSTR text = nullptr;
    other->get_FullName(&text);
    EXPECT_EQ(L"Desktop Support", Text(text));

    ASSERT_EQ(S_OK, user->SetInfo());
    labtest::NetBuffer info;
    ASSERT_EQ(0u, plat::NetUserGetInfo(L"WS01", L"support", 3, info.Put()));
    const auto& u = info.As<USER_INFO_3>();
    EXPECT_STREQ(L"Support Desk", u.usri3_full_name);
    // The account type stays; the lockout was not set; the expiry went.
    EXPECT_EQ(static_cast<DWORD>(UF_SCRIPT | UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE), u.usri3_flags);
    EXPECT_EQ(0u, u.usri3_password_expired);
    ASSERT_EQ(S_OK, other->GetInfo());
    other->get_FullName(&text);
    EXPECT_EQ(L"Support Desk", Text(text));
}

TEST_F(LabDirectory, SetInfoFailuresComeAsHResults) {
    BoundUser user;
    ASSERT_EQ(S_OK, Bind(L"WinNT://LAB/WS01/support,user", user));
    ASSERT_NE(0u, LabAddFault(L"WS01", "IADs::SetInfo", ERROR_ACCESS_DENIED, 1, 1));
    EXPECT_EQ(E_ACCESSDENIED, user->SetInfo());
    EXPECT_EQ(S_OK, user->SetInfo());
    ASSERT_EQ(0u, plat::NetUserDel(L"WS01", L"support"));
    EXPECT_EQ(static_cast<HRESULT>(0x800708AD), user->SetInfo());
    EXPECT_EQ(3u, LabCallCount(L"WS01", "IADs::SetInfo"));
}

}  // namespace
