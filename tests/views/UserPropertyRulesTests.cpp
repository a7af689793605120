// The user sheet's decisions without windows: object paths, the General
// page's flags, the Profile page's path checks, and the dial-in page's
// routes, masks, metrics, privilege bits and data-object values.
#include "views/DialInPage.h"
#include "views/DialInStore.h"
#include "views/UserPropertyRules.h"

#include <gtest/gtest.h>
#include <lm.h>
#include <oleauto.h>

namespace {

using namespace vantrel;

constexpr DWORD Ip(DWORD a, DWORD b, DWORD c, DWORD d) { return (a << 24) | (b << 16) | (c << 8) | d; }

TEST(UserObjectPath, DomainComputerAndUserWithOneSlashEach) {
    const struct {
        const wchar_t *domain, *computer, *user, *path;
    } cases[] = {
        {L"LAB", L"WS01", L"ann", L"WinNT://LAB/WS01/ann,user"},
        {L"", L"WS01", L"ann", L"WinNT://WS01/ann,user"},
        {L"LAB/", L"WS01", L"ann", L"WinNT://LAB/WS01/ann,user"},
        {L"WORKGROUP", L"KIOSK/", L"guest", L"WinNT://WORKGROUP/KIOSK/guest,user"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.path, UserObjectPath(c.domain, c.computer, c.user)) << c.path;
}

TEST(GeneralFlags, EachBoxCountsOnlyWhenEnabledAndChecked) {
    // Read: cannot change and never expires, locked out; the rule then greys
    // must-change (which was not checked).
    GeneralBoxes boxes = GeneralBoxesFor(UF_SCRIPT | UF_PASSWD_CANT_CHANGE | UF_DONT_EXPIRE_PASSWD | UF_LOCKOUT, false);
    boxes.password = ApplyPasswordBoxRule(boxes.password);
    EXPECT_FALSE(boxes.password.mustChangeEnabled);
    EXPECT_TRUE(boxes.lockedOut && boxes.lockedOutEnabled);
    EXPECT_EQ(static_cast<DWORD>(UF_PASSWD_CANT_CHANGE | UF_DONT_EXPIRE_PASSWD | UF_LOCKOUT), GeneralFlags(boxes));
    boxes.lockedOut = false;  // cleared
    EXPECT_EQ(static_cast<DWORD>(UF_PASSWD_CANT_CHANGE | UF_DONT_EXPIRE_PASSWD), GeneralFlags(boxes));

    // Must change read from PasswordExpired greys the other two: their bits go.
    boxes = GeneralBoxesFor(UF_DONT_EXPIRE_PASSWD | UF_ACCOUNTDISABLE, true);
    boxes.password = ApplyPasswordBoxRule(boxes.password);
    EXPECT_TRUE(boxes.password.mustChange);
    EXPECT_FALSE(boxes.password.neverExpiresEnabled);
    EXPECT_FALSE(boxes.lockedOutEnabled);
    EXPECT_EQ(static_cast<DWORD>(UF_ACCOUNTDISABLE), GeneralFlags(boxes));
    // A checked locked-out box that was never enabled writes nothing.
    boxes.lockedOut = true;
    EXPECT_EQ(static_cast<DWORD>(UF_ACCOUNTDISABLE), GeneralFlags(boxes));
}

TEST(ProfilePaths, ShareAndLocalChecks) {
    const struct {
        const wchar_t* text;
        bool share, local;
    } cases[] = {
        {L"", true, true},
        {L"\\\\srv\\home", true, false},
        {L"\\\\srv\\home\\", false, false},
        {L"\\\\s\\h", true, false},      // five characters
        {L"\\\\s\\", false, false},      // four, and a trailing backslash
        {L"x\\srv\\h", true, false},     // the second character is enough
        {L"\\\\srv\\\\home", false, false},
        {L"\\\\srv\\ho*me", false, false},
        {L"\\\\srv\\h:ome", false, false},
        {L"\\\\srv\\ho\"me", false, false},
        {L"C:\\", false, true},
        {L"c:\\users\\ann", false, true},
        {L"C:\\users\\", false, false},
        {L"C:", false, false},
        {L"1:\\users", false, false},
        {L"C:/users", false, false},
        {L"C:\\a|b", false, false},
        {L"C:\\a?b", false, false},
        {L"C:\\a:b", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.share, IsValidSharePath(c.text)) << c.text;
        EXPECT_EQ(c.local, IsValidLocalPath(c.text)) << c.text;
    }
}

TEST(ProfilePaths, DrivesRunFromCToZ) {
    const std::vector<std::wstring> drives = DriveTexts();
    ASSERT_EQ(24u, drives.size());
    EXPECT_EQ(L"C:", drives.front());
    EXPECT_EQ(L"Z:", drives.back());
    EXPECT_EQ(2, DriveIndex(L"E:"));
    EXPECT_EQ(2, DriveIndex(L"e:"));
    EXPECT_EQ(23, DriveIndex(L"Z:"));
    EXPECT_EQ(-1, DriveIndex(L"A:"));
    EXPECT_EQ(-1, DriveIndex(L""));
    EXPECT_EQ(L"Backup Operators", LastPathComponent(L"WinNT://LAB/WS01/Backup Operators"));
    EXPECT_EQ(L"Users", LastPathComponent(L"Users"));
}

TEST(Routes, TextsCarryTheMaskLengthAndReadBack) {
    const struct {
        StaticRoute route;
        const wchar_t* text;
    } cases[] = {
        {{Ip(10, 1, 0, 0), Ip(255, 255, 0, 0), 1}, L"10.1.0.0/16 0.0.0.0 1"},
        {{Ip(192, 168, 5, 0), Ip(255, 255, 255, 0), 20}, L"192.168.5.0/24 0.0.0.0 20"},
        {{Ip(172, 16, 0, 0), Ip(255, 240, 0, 0), 2147483647}, L"172.16.0.0/12 0.0.0.0 2147483647"},
        {{Ip(10, 0, 0, 9), Ip(255, 255, 255, 255), 3}, L"10.0.0.9/32 0.0.0.0 3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.text, RouteText(c.route));
        StaticRoute back;
        ASSERT_TRUE(ParseRouteText(c.text, &back)) << c.text;
        EXPECT_EQ(c.route, back) << c.text;
    }
    StaticRoute r;
    for (const wchar_t* bad : {L"10.1.0.0 0.0.0.0 1", L"10.1.0.0/33 0.0.0.0 1", L"10.1.0/16 0.0.0.0 1",
                               L"10.1.0.0/16 0.0.0.0", L"10.1.0.0/16 0.0.0.0 0", L"300.1.0.0/16 0.0.0.0 1"})
        EXPECT_FALSE(ParseRouteText(bad, &r)) << bad;
}

TEST(Routes, TheMaskIsCheckedOctetByOctet) {
    const struct {
        DWORD mask;
        bool blank, accepted;
    } cases[] = {
        {Ip(255, 255, 255, 0), false, true},  {Ip(255, 254, 255, 0), false, true},
        {Ip(255, 0, 0, 0), false, true},      {Ip(255, 0, 255, 0), false, false},
        {Ip(255, 0, 0, 1), false, false},     {Ip(255, 255, 0, 255), false, false},
        {Ip(0, 255, 255, 0), false, false},   {Ip(0, 0, 0, 0), false, false},
        {Ip(255, 255, 255, 0), true, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.accepted, IsAcceptableMask(c.mask, c.blank)) << AddressText(c.mask) << " blank " << c.blank;
    EXPECT_EQ(Ip(10, 1, 0, 0), SubnetOf(Ip(10, 1, 2, 3), Ip(255, 255, 0, 0)));
}

TEST(Routes, MetricsFromOneTo2147483647) {
    const struct {
        const wchar_t* text;
        bool ok;
        DWORD value;
    } cases[] = {{L"1", true, 1},          {L"2147483647", true, 2147483647}, {L"2147483648", false, 0},
                 {L"0", false, 0},         {L"", false, 0},                   {L"12a", false, 0},
                 {L"-1", false, 0},        {L"99999999999", false, 0},        {L"007", true, 7}};
    for (const auto& c : cases) {
        DWORD metric = 0;
        EXPECT_EQ(c.ok, ParseMetric(c.text, &metric)) << c.text;
        if (c.ok) EXPECT_EQ(c.value, metric) << c.text;
    }
}

TEST(DialInVersion4, PrivilegeBitsBothWays) {
    const struct {
        BYTE privilege;
        DialInPermission permission;
        Callback callback;
    } cases[] = {
        {RASPRIV_DialinPrivilege | RASPRIV_NoCallback, DialInPermission::Allow, Callback::None},
        {RASPRIV_CallerSetCallback, DialInPermission::Deny, Callback::CallerSets},
        {RASPRIV_DialinPrivilege | RASPRIV_AdminSetCallback, DialInPermission::Allow, Callback::Always},
    };
    for (const auto& c : cases) {
        const DialInSettings s = SettingsFromPrivilege(c.privilege, L"5551234");
        EXPECT_EQ(c.permission, s.permission) << int(c.privilege);
        EXPECT_EQ(c.callback, s.callback) << int(c.privilege);
        EXPECT_EQ(c.callback == Callback::Always ? L"5551234" : L"", s.callbackNumber);
        EXPECT_EQ(c.privilege, PrivilegeFor(s));
    }
}

TEST(DialInEnabling, EachFieldFollowsItsBoxAndVersion4GreysTheRest) {
    DialInEnabling e = DialInEnablingFor(true, true, true, true, true, DialInBackEnd::DataObjects);
    EXPECT_TRUE(e.callerId && e.callbackNumber && e.address && e.routesButton && e.applyRoutesChecked);
    e = DialInEnablingFor(false, false, false, false, true, DialInBackEnd::DataObjects);
    EXPECT_FALSE(e.callerId || e.callbackNumber || e.address || e.routesButton);
    // Routes applied without any route: the box is unchecked, the button grey.
    e = DialInEnablingFor(false, false, false, true, false, DialInBackEnd::DataObjects);
    EXPECT_FALSE(e.applyRoutesChecked || e.routesButton);
    e = DialInEnablingFor(true, true, true, true, true, DialInBackEnd::Version4);
    EXPECT_TRUE(e.callbackNumber);
    EXPECT_FALSE(e.callerId || e.address || e.routesButton);
}

// --- data-object values ----------------------------------------------------

void SetText(UniqueVariant& v, const wchar_t* text) {
    VARIANT* out = v.Put();
    out->vt = VT_BSTR;
    out->bstrVal = ::SysAllocString(text);
}
void SetNumber(UniqueVariant& v, LONG n) {
    VARIANT* out = v.Put();
    out->vt = VT_I4;
    out->lVal = n;
}
void SetTextArray(UniqueVariant& v, std::vector<const wchar_t*> texts) {
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(texts.size()));
    for (LONG i = 0; i < static_cast<LONG>(texts.size()); ++i) {
        VARIANT item;
        item.vt = VT_BSTR;
        item.bstrVal = ::SysAllocString(texts[static_cast<size_t>(i)]);
        ::SafeArrayPutElement(array, &i, &item);
        ::VariantClear(&item);
    }
    VARIANT* out = v.Put();
    out->vt = VT_ARRAY | VT_VARIANT;
    out->parray = array;
}

size_t Slot(LONG id) {
    for (size_t i = 0; i < kDialInPropertyCount; ++i)
        if (kDialInProperties[i].id == id) return i;
    return kDialInPropertyCount;
}

TEST(DialInValues, EmptyValuesFallBackOnTheirSavedCounterparts) {
    DialInValues v;
    SetTextArray(v[Slot(PROPERTY_USER_SAVED_CALLING_STATION_ID)], {L"5550000"});
    SetText(v[Slot(PROPERTY_USER_SAVED_RADIUS_CALLBACK_NUMBER)], L"5551234");
    SetNumber(v[Slot(PROPERTY_USER_SAVED_RADIUS_FRAMED_IP_ADDRESS)], static_cast<LONG>(Ip(10, 0, 0, 7)));
    SetTextArray(v[Slot(PROPERTY_USER_SAVED_RADIUS_FRAMED_ROUTE)], {L"10.1.0.0/16 0.0.0.0 2"});
    SetNumber(v[Slot(PROPERTY_USER_SERVICE_TYPE)], 4);
    DialInSettings s = SettingsFromValues(v);
    EXPECT_EQ(DialInPermission::Policy, s.permission);
    EXPECT_FALSE(s.verifyCallerId);
    EXPECT_EQ(L"5550000", s.callerId);
    EXPECT_EQ(Callback::CallerSets, s.callback);  // no number of its own
    EXPECT_EQ(L"5551234", s.callbackNumber);
    EXPECT_FALSE(s.staticAddress);
    EXPECT_EQ(Ip(10, 0, 0, 7), s.address);
    EXPECT_FALSE(s.applyRoutes);
    ASSERT_EQ(1u, s.routes.size());
    EXPECT_EQ(Ip(255, 255, 0, 0), s.routes[0].mask);

    // Own values win; an empty service type means no callback whatever the number.
    SetText(v[Slot(PROPERTY_USER_RADIUS_CALLBACK_NUMBER)], L"5559999");
    v[Slot(PROPERTY_USER_SERVICE_TYPE)].Reset();
    VARIANT* allow = v[Slot(PROPERTY_USER_ALLOW_DIALIN)].Put();
    allow->vt = VT_BOOL;
    allow->boolVal = VARIANT_FALSE;
    s = SettingsFromValues(v);
    EXPECT_EQ(DialInPermission::Deny, s.permission);
    EXPECT_EQ(Callback::None, s.callback);
    EXPECT_EQ(L"5559999", s.callbackNumber);
}

TEST(DialInValues, WrittenValuesFollowTheBoxes) {
    DialInSettings s;
    s.permission = DialInPermission::Allow;
    s.verifyCallerId = false;
    s.callerId = L"5550000";
    s.callback = Callback::Always;
    s.callbackNumber = L"5551234";
    s.staticAddress = true;
    s.address = Ip(10, 0, 0, 7);
    s.applyRoutes = true;
    s.routes = {{Ip(10, 1, 0, 0), Ip(255, 255, 0, 0), 1}};
    DialInValues v;
    ASSERT_EQ(S_OK, ValuesFromSettings(s, true, true, &v));
    auto vt = [&](LONG id) { return v[Slot(id)].Get().vt; };
    EXPECT_EQ(VT_BOOL, vt(PROPERTY_USER_ALLOW_DIALIN));
    EXPECT_EQ(VT_EMPTY, vt(PROPERTY_USER_CALLING_STATION_ID));        // not verified
    EXPECT_EQ(VT_ARRAY | VT_VARIANT, vt(PROPERTY_USER_SAVED_CALLING_STATION_ID));
    EXPECT_EQ(VT_I4, vt(PROPERTY_USER_SERVICE_TYPE));
    EXPECT_EQ(4, v[Slot(PROPERTY_USER_SERVICE_TYPE)].Get().lVal);
    EXPECT_EQ(VT_BSTR, vt(PROPERTY_USER_RADIUS_CALLBACK_NUMBER));
    EXPECT_EQ(VT_I4, vt(PROPERTY_USER_RADIUS_FRAMED_IP_ADDRESS));
    EXPECT_EQ(VT_ARRAY | VT_VARIANT, vt(PROPERTY_USER_RADIUS_FRAMED_ROUTE));
    const std::vector<StaticRoute> routes = RoutesFromValue(v[Slot(PROPERTY_USER_SAVED_RADIUS_FRAMED_ROUTE)].Get());
    EXPECT_EQ(s.routes, routes);

    // Policy, no callback, boxes greyed, no routes: empties, saved values stay.
    s.permission = DialInPermission::Policy;
    s.callback = Callback::None;
    s.routes.clear();
    ASSERT_EQ(S_OK, ValuesFromSettings(s, false, false, &v));
    EXPECT_EQ(VT_EMPTY, vt(PROPERTY_USER_ALLOW_DIALIN));
    EXPECT_EQ(VT_EMPTY, vt(PROPERTY_USER_SERVICE_TYPE));
    EXPECT_EQ(VT_EMPTY, vt(PROPERTY_USER_RADIUS_CALLBACK_NUMBER));
    EXPECT_EQ(VT_BSTR, vt(PROPERTY_USER_SAVED_RADIUS_CALLBACK_NUMBER));
    EXPECT_EQ(VT_EMPTY, vt(PROPERTY_USER_RADIUS_FRAMED_IP_ADDRESS));
    EXPECT_EQ(VT_I4, vt(PROPERTY_USER_SAVED_RADIUS_FRAMED_IP_ADDRESS));
    EXPECT_EQ(VT_EMPTY, vt(PROPERTY_USER_RADIUS_FRAMED_ROUTE));
    EXPECT_EQ(VT_EMPTY, vt(PROPERTY_USER_SAVED_RADIUS_FRAMED_ROUTE));
}

}  // namespace
