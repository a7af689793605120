// Dial-in settings through the version-4 record calls and the server data
// objects, one store per computer.
#include "LabTest.h"

#include "common/ComPtr.h"
#include "common/Handles.h"
#include "lab/LabControl.h"
#include "platform/RemoteAccess.h"

#include <oleauto.h>

#include <string>

namespace {

constexpr char kScenario[] = R"({
  "domain": { "name": "LAB" },
  "interactiveUser": "LAB\\operator",
  "accounts": [ { "name": "LAB\\operator", "password": "o" } ],
  "computers": [
    { "name": "WS01", "local": true, "ip": "10.0.0.10", "administrators": ["LAB\\operator"] },
    { "name": "RAS01", "ip": "10.0.0.5", "administrators": ["LAB\\operator"],
      "os": { "major": 10, "minor": 0, "build": 17763, "role": "server" },
      "users": [ { "name": "road", "password": "r" }, { "name": "plain", "password": "p" } ],
      "dialIn": [ { "user": "road", "privilege": 10, "phoneNumber": "5551234",
                    "properties": { "allowDialin": true, "callingStationId": "5550000", "serviceType": 4,
                                    "callbackNumber": "5551234", "framedIpAddress": "10.0.0.7",
                                    "savedFramedRoutes": ["10.1.0.0/16 0.0.0.0 2"] } } ] },
    { "name": "FS01", "ip": "10.0.0.20", "users": [ { "name": "road", "password": "r" } ] },
    { "name": "OLD", "ip": "10.0.0.99", "online": false }
  ]
})";

class LabRemoteAccess : public labtest::ScenarioLabTest {
protected:
    LabRemoteAccess() : ScenarioLabTest(kScenario) {}
};

template <typename T>
using Held = vantrel::ComPtr<T>;
using vantrel::UniqueBstr;

HRESULT UserObject(const wchar_t* computer, const wchar_t* user, Held<ISdo>& out) {
    Held<ISdoMachine> machine;
    Held<IUnknown> object;
    HRESULT hr = plat::CreateSdoMachine(machine.Put());
    if (SUCCEEDED(hr)) hr = machine->Attach(UniqueBstr(::SysAllocString(computer)).Get());
    if (SUCCEEDED(hr)) hr = machine->GetUserSDO(DATA_STORE_LOCAL, UniqueBstr(::SysAllocString(user)).Get(), object.Put());
    return SUCCEEDED(hr) ? object.QueryTo(out.Put()) : hr;
}

TEST_F(LabRemoteAccess, TheVersion4RecordReadsAndWritesPerUser) {
    const struct {
        const wchar_t* server;
        const wchar_t* user;
        DWORD expected;
        BYTE privilege;
        const wchar_t* number;
    } cases[] = {
        {L"RAS01", L"road", 0, 10, L"5551234"},
        {L"RAS01", L"plain", 0, RASPRIV_NoCallback, L""},
        {L"RAS01", L"nobody", NERR_UserNotFound, 0, L""},
        {L"FS01", L"road", ERROR_ACCESS_DENIED, 0, L""},
        {L"OLD", L"road", RPC_S_SERVER_UNAVAILABLE, 0, L""},
    };
    for (const auto& c : cases) {
        RAS_USER_0 record{};
        EXPECT_EQ(c.expected, plat::MprAdminUserGetInfo(c.server, c.user, 0, reinterpret_cast<LPBYTE>(&record)))
            << c.server << L" " << c.user;
        if (c.expected) continue;
        EXPECT_EQ(c.privilege, record.bfPrivilege) << c.user;
        EXPECT_STREQ(c.number, record.wszPhoneNumber);
    }
    RAS_USER_0 changed{};
    changed.bfPrivilege = RASPRIV_DialinPrivilege | RASPRIV_AdminSetCallback;
    lstrcpyW(changed.wszPhoneNumber, L"5559876");
    ASSERT_EQ(0u, plat::MprAdminUserSetInfo(L"RAS01", L"plain", 0, reinterpret_cast<LPBYTE>(&changed)));
    RAS_USER_0 read{};
    ASSERT_EQ(0u, plat::MprAdminUserGetInfo(L"\\\\ras01", L"PLAIN", 0, reinterpret_cast<LPBYTE>(&read)));
    EXPECT_EQ(changed.bfPrivilege, read.bfPrivilege);
    EXPECT_STREQ(L"5559876", read.wszPhoneNumber);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_LEVEL),
              plat::MprAdminUserGetInfo(L"RAS01", L"road", 2, reinterpret_cast<LPBYTE>(&read)));
}

TEST_F(LabRemoteAccess, UserDataObjectsHoldTheScenarioProperties) {
    Held<ISdo> user;
    ASSERT_EQ(S_OK, UserObject(L"RAS01", L"road", user));
    VARIANT v;
    ::VariantInit(&v);
    ASSERT_EQ(S_OK, user->GetProperty(PROPERTY_USER_ALLOW_DIALIN, &v));
    EXPECT_EQ(VT_BOOL, v.vt);
    EXPECT_EQ(VARIANT_TRUE, v.boolVal);
    ASSERT_EQ(S_OK, user->GetProperty(PROPERTY_USER_RADIUS_FRAMED_IP_ADDRESS, &v));
    EXPECT_EQ(VT_I4, v.vt);
    EXPECT_EQ(0x0A000007, v.lVal);
    ASSERT_EQ(S_OK, user->GetProperty(PROPERTY_USER_CALLING_STATION_ID, &v));
    EXPECT_EQ(VT_ARRAY | VT_VARIANT, v.vt);
    ::VariantClear(&v);
    ASSERT_EQ(S_OK, user->GetProperty(PROPERTY_USER_RADIUS_FRAMED_ROUTE, &v));
    EXPECT_EQ(VT_EMPTY, v.vt);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, user->GetProperty(0x3FF, &v));

    Held<ISdo> plain;
    ASSERT_EQ(S_OK, UserObject(L"RAS01", L"plain", plain));
    ASSERT_EQ(S_OK, plain->GetProperty(PROPERTY_USER_ALLOW_DIALIN, &v));
    EXPECT_EQ(VT_EMPTY, v.vt);  // by policy
}

TEST_F(LabRemoteAccess, PutPropertiesReachTheStoreOnlyWithApply) {
    Held<ISdo> user;
    ASSERT_EQ(S_OK, UserObject(L"RAS01", L"plain", user));
    VARIANT deny;
    deny.vt = VT_BOOL;
    deny.boolVal = VARIANT_FALSE;
    ASSERT_EQ(S_OK, user->PutProperty(PROPERTY_USER_ALLOW_DIALIN, &deny));
    auto readAllow = [] {
        Held<ISdo> again;
        VARIANT v;
        ::VariantInit(&v);
        if (FAILED(UserObject(L"RAS01", L"plain", again)) || FAILED(again->GetProperty(PROPERTY_USER_ALLOW_DIALIN, &v)))
            return -1;
        return v.vt == VT_EMPTY ? 2 : v.boolVal ? 1 : 0;
    };
    EXPECT_EQ(2, readAllow());
    ASSERT_NE(0u, LabAddFault(L"RAS01", "ISdo::Apply", ERROR_ACCESS_DENIED, 1, 1));
    EXPECT_EQ(E_ACCESSDENIED, user->Apply());
    EXPECT_EQ(2, readAllow());
    ASSERT_EQ(S_OK, user->Apply());
    EXPECT_EQ(0, readAllow());
}

TEST_F(LabRemoteAccess, BindingAnswersForComputersAndUsers) {
    const struct {
        const wchar_t* computer;
        const wchar_t* user;
        HRESULT expected;
    } cases[] = {
        {L"RAS01", L"nobody", static_cast<HRESULT>(0x800708AD)},
        {L"FS01", L"road", E_ACCESSDENIED},
        {L"OLD", L"road", static_cast<HRESULT>(0x800706BA)},
        {L"NOWHERE", L"road", static_cast<HRESULT>(0x800706BA)},
    };
    for (const auto& c : cases) {
        Held<ISdo> user;
        EXPECT_EQ(c.expected, UserObject(c.computer, c.user, user)) << c.computer;
    }
    Held<ISdoMachine> machine;
    ASSERT_EQ(S_OK, plat::CreateSdoMachine(machine.Put()));
    Held<IUnknown> object;
    EXPECT_EQ(E_UNEXPECTED, machine->GetUserSDO(DATA_STORE_LOCAL, nullptr, object.Put()));  // not attached
}

}  // namespace
