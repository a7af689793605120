// The Dial-in page and its route dialogs through the user sheet: both back
// ends, the initialisation failures, the loading and enabling rules, every
// Apply failure, the incomplete fields, and the route dialogs' checks.
#include "tests/views/UserSheetSupport.h"

#include "platform/RemoteAccess.h"
#include "views/UserPropertyRules.h"

#include <oleauto.h>

#include <deque>

namespace {

using namespace usersheet;

constexpr int kDialIn = 3;
constexpr wchar_t kTitle[] = L"Dial-in Settings";

DWORD Ip(DWORD a, DWORD b, DWORD c, DWORD d) { return (a << 24) | (b << 16) | (c << 8) | d; }

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}
// A modal dialog that ended is hidden at once and destroyed a little later.
bool Gone(HWND dialog) { return !::IsWindow(dialog) || !::IsWindowVisible(dialog); }
bool HasFocus(HWND dialog, int id) {
    HWND control = ::GetDlgItem(dialog, id);
    HWND focus = FocusOf(dialog);
    return focus && (focus == control || ::IsChild(control, focus));
}
DWORD Address(HWND dialog, int id) {
    DWORD address = 0;
    ::SendDlgItemMessageW(dialog, id, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    return address;
}
void SetAddress(HWND dialog, int id, DWORD address) {
    if (address == 0) ::SendDlgItemMessageW(dialog, id, IPM_CLEARADDRESS, 0, 0);
    else ::SendDlgItemMessageW(dialog, id, IPM_SETADDRESS, 0, static_cast<LPARAM>(address));
}

class DialInPage : public UserSheetTest {
protected:
    // Opens the user's sheet on `computer`, runs `script` on its Dial-in page
    // and returns the boxes met meanwhile (answered by `answer`, Yes unless told).
    std::vector<testsupport::SeenBox> Run(const wchar_t* computer, const wchar_t* user,
                                          std::function<void(HWND sheet, HWND page, Seen&)> script,
                                          std::map<std::wstring, DialogDriver::Script> more = {},
                                          std::function<int(const testsupport::SeenBox&)> answer = nullptr) {
        HWND view = OpenUsers(computer);
        seen_ = std::make_shared<Seen>();
        more.insert(Sheet(std::wstring(user) + L" Properties", seen_, [script](HWND sheet, Seen& s) {
            HWND page = ShowPage(sheet, kDialIn);
            script(sheet, page, s);
            if (!Gone(sheet)) PressSheet(sheet, PSBTN_CANCEL);
        }));
        DialogDriver driver(std::move(more), std::move(answer));
        SelectOnly(view, user);
        if (beforeCommand_) beforeCommand_();
        Command(view, ID_VIEW_PROPERTIES);
        return driver.Stop();
    }
    static std::vector<std::wstring> Texts(const std::vector<testsupport::SeenBox>& boxes) {
        std::vector<std::wstring> texts;
        for (const auto& b : boxes) {
            EXPECT_EQ(kTitle, b.title) << b.text;
            texts.push_back(b.text);
        }
        return texts;
    }
    // A property of the user's data object as the lab keeps it.
    static std::wstring Stored(const wchar_t* user, LONG id) {
        ISdoMachine* machine = nullptr;
        if (FAILED(plat::CreateSdoMachine(&machine))) return L"<no machine>";
        BSTR computer = ::SysAllocString(L"RAS01"), name = ::SysAllocString(user);
        IUnknown* object = nullptr;
        ISdo* sdo = nullptr;
        VARIANT v;
        ::VariantInit(&v);
        if (SUCCEEDED(machine->Attach(computer)) && SUCCEEDED(machine->GetUserSDO(DATA_STORE_LOCAL, name, &object)) &&
            SUCCEEDED(object->QueryInterface(__uuidof(ISdo), reinterpret_cast<void**>(&sdo))))
            sdo->GetProperty(id, &v);
        std::wstring text;
        if (v.vt == VT_EMPTY) text = L"empty";
        else if (v.vt == VT_BOOL) text = v.boolVal ? L"true" : L"false";
        else if (v.vt == VT_I4) text = std::to_wstring(v.lVal);
        else if (v.vt == VT_BSTR) text = v.bstrVal;
        else if (v.vt == (VT_ARRAY | VT_VARIANT)) {
            LONG i = 0;
            VARIANT item;
            ::VariantInit(&item);
            ::SafeArrayGetElement(v.parray, &i, &item);
            text = L"[" + std::wstring(item.vt == VT_BSTR ? item.bstrVal : L"?") + L"]";
            ::VariantClear(&item);
        }
        ::VariantClear(&v);
        if (sdo) sdo->Release();
        if (object) object->Release();
        machine->Release();
        ::SysFreeString(computer);
        ::SysFreeString(name);
        return text;
    }
    std::shared_ptr<Seen> seen_;
    std::function<void()> beforeCommand_;  // runs once the view is open
};

TEST_F(DialInPage, AWorkstationIsNoDialInServer) {
    const auto boxes = Run(L"WS01", L"support", [](HWND, HWND page, Seen& s) {
        s.texts.push_back(IsEnabled(page, IDC_DI_ALLOW) || IsEnabled(page, IDC_DI_ALWAYS) ? L"usable" : L"unusable");
    });
    EXPECT_EQ(std::vector<std::wstring>{L"The machine being focused on is not a Windows NT or 2000 server.\r\n"
                                        L"You can only configure Dial-in settings for users of Windows NT or 2000 Servers."},
              Texts(boxes));
    EXPECT_EQ(std::vector<std::wstring>{L"unusable"}, seen_->texts);
}

TEST_F(DialInPage, AnUnreadableServerLeavesOnlyTheFailureText) {
    beforeCommand_ = [] { LabAddFault(L"RAS01", "NetServerGetInfo", ERROR_ACCESS_DENIED, 1, 0); };
    const auto boxes = Run(L"RAS01", L"road", [](HWND, HWND page, Seen& s) {
        s.texts.push_back(Shown(::GetDlgItem(page, IDC_DI_FAILED)) ? L"failure shown" : L"no failure text");
        s.texts.push_back(Shown(::GetDlgItem(page, IDC_DI_ALLOW)) ? L"controls shown" : L"controls hidden");
    });
    EXPECT_EQ(std::vector<std::wstring>{PlatformText(ERROR_ACCESS_DENIED, false) +
                                        L"\r\nDial-in information for this user could not be accessed."},
              Texts(boxes));
    EXPECT_EQ((std::vector<std::wstring>{L"failure shown", L"controls hidden"}), seen_->texts);
    EXPECT_EQ(0u, LabCallCount(L"RAS01", "CreateSdoMachine"));
}

TEST_F(DialInPage, Version4ReadsTheRecordGreysTheRestAndWritesThePrivilege) {
    const auto boxes = Run(L"NT4", L"dialer", [](HWND sheet, HWND page, Seen& s) {
        s.texts.push_back(Field(page, IDC_DI_PERMISSION_BOX));
        s.texts.push_back(Flag(page, IDC_DI_ALLOW) + Flag(page, IDC_DI_DENY) + Flag(page, IDC_DI_POLICY));
        s.texts.push_back(Flag(page, IDC_DI_NO_CALLBACK) + Flag(page, IDC_DI_CALLER_SETS) + Flag(page, IDC_DI_ALWAYS) +
                          L"|" + Field(page, IDC_DI_CALLBACK_NUMBER));
        s.texts.push_back(Flag(page, IDC_DI_VERIFY) + Flag(page, IDC_DI_STATIC_IP) + Flag(page, IDC_DI_APPLY_ROUTES) +
                          (IsEnabled(page, IDC_DI_CALLER_ID) || IsEnabled(page, IDC_DI_ADDRESS) ||
                                   IsEnabled(page, IDC_DI_ROUTES)
                               ? L"|fields"
                               : L"|no fields"));
        Click(page, IDC_DI_CALLER_SETS);
        s.texts.push_back(IsEnabled(page, IDC_DI_CALLBACK_NUMBER) ? L"number" : L"no number");
        Click(page, IDC_DI_DENY);
        s.texts.push_back(IsEnabled(page, IDC_DI_POLICY) ? L"policy" : L"no policy");
        PressSheet(sheet, PSBTN_OK);
    });
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ((std::vector<std::wstring>{L"Dial-in permissions", L"x--(grey)", L"--x|5557777",
                                         L"-(grey)-(grey)-(grey)|no fields", L"no number", L"no policy"}),
              seen_->texts);
    RAS_USER_0 record{};
    ASSERT_EQ(0u, plat::MprAdminUserGetInfo(L"NT4", L"dialer", 0, reinterpret_cast<LPBYTE>(&record)));
    EXPECT_EQ(RASPRIV_CallerSetCallback, record.bfPrivilege);
    EXPECT_EQ(0u, LabCallCount(nullptr, "CreateSdoMachine"));

    LabAddFault(L"NT4", "MprAdminUserSetInfo", ERROR_ACCESS_DENIED, 1, 1);
    const auto failed = Run(L"NT4", L"dialer", [](HWND sheet, HWND page, Seen&) {
        Click(page, IDC_DI_ALLOW);
        PressSheet(sheet, PSBTN_OK);
    });
    EXPECT_EQ(std::vector<std::wstring>{PlatformText(ERROR_ACCESS_DENIED, false) +
                                        L"\r\nDial-in information for this user could not be set."},
              Texts(failed));
}

TEST_F(DialInPage, DataObjectsLoadEveryProperty) {
    const auto boxes = Run(L"RAS01", L"road", [](HWND, HWND page, Seen& s) {
        s.texts.push_back(Field(page, IDC_DI_PERMISSION_BOX));
        s.texts.push_back(Flag(page, IDC_DI_ALLOW) + Flag(page, IDC_DI_DENY) + Flag(page, IDC_DI_POLICY));
        s.texts.push_back(Flag(page, IDC_DI_VERIFY) + L"|" + Field(page, IDC_DI_CALLER_ID));
        s.texts.push_back(Flag(page, IDC_DI_NO_CALLBACK) + Flag(page, IDC_DI_CALLER_SETS) + Flag(page, IDC_DI_ALWAYS) +
                          L"|" + Field(page, IDC_DI_CALLBACK_NUMBER));
        s.texts.push_back(Flag(page, IDC_DI_STATIC_IP) + L"|" + vantrel::AddressText(Address(page, IDC_DI_ADDRESS)));
        s.texts.push_back(Flag(page, IDC_DI_APPLY_ROUTES) + (IsEnabled(page, IDC_DI_ROUTES) ? L"|routes" : L""));
        // The enabling rule follows the boxes.
        Click(page, IDC_DI_VERIFY);
        Click(page, IDC_DI_NO_CALLBACK);
        Click(page, IDC_DI_STATIC_IP);
        Click(page, IDC_DI_APPLY_ROUTES);
        s.texts.push_back(std::wstring(IsEnabled(page, IDC_DI_CALLER_ID) ? L"id " : L"") +
                          (IsEnabled(page, IDC_DI_CALLBACK_NUMBER) ? L"number " : L"") +
                          (IsEnabled(page, IDC_DI_ADDRESS) ? L"address " : L"") +
                          (IsEnabled(page, IDC_DI_ROUTES) ? L"routes" : L"none"));
    });
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ((std::vector<std::wstring>{L"Remote Access Permission (Dial-in or VPN)", L"x--", L"x|5550000",
                                         L"--x|5551234", L"x|10.0.0.7", L"x|routes", L"none"}),
              seen_->texts);
}

TEST_F(DialInPage, EachFailedBindOrReadHasItsMessage) {
    const struct {
        const char* function;
        DWORD call;  // for the reads: the n-th GetProperty, in the table's order
        const wchar_t* message;
    } cases[] = {
        {"ISdoMachine::Attach", 1, L"Failed to bind to the server data object on RAS01"},
        {"ISdoMachine::GetUserSDO", 1, L"Failed to bind to the user data object on RAS01"},
        {"ISdo::GetProperty", 1, L"Dial-in Remote Access Permission information for this user could not be accessed."},
        {"ISdo::GetProperty", 2, L"Dial-in caller ID verification information for this user could not be accessed."},
        {"ISdo::GetProperty", 3, L"Dial-in caller ID verification information for this user could not be accessed."},
        {"ISdo::GetProperty", 4, L"Dial-in callback information for this user could not be accessed."},
        {"ISdo::GetProperty", 6, L"Dial-in callback number information for this user could not be accessed."},
        {"ISdo::GetProperty", 7, L"Dial-in static IP information for this user could not be accessed."},
        {"ISdo::GetProperty", 10, L"Dial-in static routes information for this user could not be accessed."},
    };
    for (const auto& c : cases) {
        LabAddFault(L"RAS01", c.function, ERROR_ACCESS_DENIED, c.call, 1);
        const auto boxes = Run(L"RAS01", L"road", [](HWND, HWND page, Seen& s) {
            s.texts.push_back(IsEnabled(page, IDC_DI_ALLOW) ? L"usable" : L"unusable");
        });
        EXPECT_EQ(std::vector<std::wstring>{PlatformText(ERROR_ACCESS_DENIED, false) + L"\r\n" + c.message},
                  Texts(boxes))
            << c.function << " " << c.call;
        // Without its data objects the page offers nothing.
        const bool bound = std::string(c.function).rfind("ISdoMachine", 0) != 0;
        EXPECT_TRUE(bound || seen_->texts == std::vector<std::wstring>{L"unusable"}) << c.function;
        LabClearRules();
    }
}

TEST_F(DialInPage, ApplyPutsEveryPropertyAndThenApplies) {
    const auto boxes = Run(L"RAS01", L"desk", [](HWND sheet, HWND page, Seen&) {
        Click(page, IDC_DI_DENY);
        Click(page, IDC_DI_VERIFY);
        SetField(page, IDC_DI_CALLER_ID, L"5551111");
        Click(page, IDC_DI_ALWAYS);
        SetField(page, IDC_DI_CALLBACK_NUMBER, L"5552222");
        Click(page, IDC_DI_STATIC_IP);
        SetAddress(page, IDC_DI_ADDRESS, Ip(10, 0, 0, 9));
        PressSheet(sheet, PSBTN_OK);
    });
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(10u, LabCallCount(L"RAS01", "ISdo::PutProperty"));
    EXPECT_EQ(1u, LabCallCount(L"RAS01", "ISdo::Apply"));
    const struct {
        LONG id;
        const wchar_t* value;
    } expected[] = {
        {PROPERTY_USER_ALLOW_DIALIN, L"false"},
        {PROPERTY_USER_CALLING_STATION_ID, L"[5551111]"},
        {PROPERTY_USER_SAVED_CALLING_STATION_ID, L"[5551111]"},
        {PROPERTY_USER_SERVICE_TYPE, L"4"},
        {PROPERTY_USER_RADIUS_CALLBACK_NUMBER, L"5552222"},
        {PROPERTY_USER_SAVED_RADIUS_CALLBACK_NUMBER, L"5552222"},
        {PROPERTY_USER_RADIUS_FRAMED_IP_ADDRESS, L"167772169"},
        {PROPERTY_USER_SAVED_RADIUS_FRAMED_IP_ADDRESS, L"167772169"},
        {PROPERTY_USER_RADIUS_FRAMED_ROUTE, L"empty"},
        {PROPERTY_USER_SAVED_RADIUS_FRAMED_ROUTE, L"empty"},
    };
    for (const auto& e : expected) EXPECT_EQ(e.value, Stored(L"desk", e.id)) << std::hex << e.id;
}

TEST_F(DialInPage, EachFailedWriteHasItsMessage) {
    const struct {
        const char* function;
        DWORD call;
        const wchar_t* message;
    } cases[] = {
        {"ISdo::PutProperty", 1, L"Dial-in Remote Access Permission information for this user could not be set."},
        {"ISdo::PutProperty", 2, L"Dial-in caller ID verification information for this user could not be set."},
        {"ISdo::PutProperty", 4, L"Dial-in callback information for this user could not be set."},
        {"ISdo::PutProperty", 5, L"Dial-in callback number information for this user could not be set."},
        {"ISdo::PutProperty", 8, L"Dial-in static IP address information for this user could not be set."},
        {"ISdo::PutProperty", 9, L"Dial-in static routes information for this user could not be set."},
        {"ISdo::Apply", 1, L"Dial-in information for this user could not be set."},
    };
    for (const auto& c : cases) {
        LabAddFault(L"RAS01", c.function, ERROR_ACCESS_DENIED, c.call, 1);
        const auto boxes = Run(L"RAS01", L"road", [](HWND sheet, HWND page, Seen&) {
            Click(page, IDC_DI_POLICY);
            PressSheet(sheet, PSBTN_OK);
        });
        EXPECT_EQ(std::vector<std::wstring>{PlatformText(ERROR_ACCESS_DENIED, false) + L"\r\n" + c.message},
                  Texts(boxes))
            << c.function << " " << c.call;
        EXPECT_EQ(L"true", Stored(L"road", PROPERTY_USER_ALLOW_DIALIN)) << "nothing applied";
        LabClearRules();
    }
}

TEST_F(DialInPage, IncompleteFieldsKeepThePageAndTakeTheFocus) {
    const struct {
        int box;
        int field;
    } cases[] = {{IDC_DI_VERIFY, IDC_DI_CALLER_ID}, {IDC_DI_ALWAYS, IDC_DI_CALLBACK_NUMBER}, {IDC_DI_STATIC_IP, IDC_DI_ADDRESS}};
    for (const auto& c : cases) {
        const auto boxes = Run(L"RAS01", L"desk", [&c](HWND sheet, HWND page, Seen& s) {
            Click(page, c.box);
            if (c.field == IDC_DI_ADDRESS) SetAddress(page, IDC_DI_ADDRESS, 0);
            else SetField(page, c.field, L"");
            ShowPage(sheet, 0);
            s.texts.push_back(CurrentPage(sheet) == page ? L"stayed" : L"left");
            s.texts.push_back(HasFocus(page, c.field) ? L"focused" : L"not focused");
            PressSheet(sheet, PSBTN_OK);
            s.texts.push_back(Gone(sheet) ? L"closed" : L"open");
        });
        EXPECT_EQ((std::vector<std::wstring>{L"This field must be complete.", L"This field must be complete."}),
                  Texts(boxes))
            << c.box;
        EXPECT_EQ((std::vector<std::wstring>{L"stayed", L"focused", L"open"}), seen_->texts) << c.box;
        EXPECT_EQ(0u, LabCallCount(L"RAS01", "ISdo::Apply"));
    }
}

// --- the route dialogs ----------------------------------------------------------

struct Attempt {
    DWORD destination, mask;
    const wchar_t* metric;
};

// Works the Add a Static Route dialog: each attempt fills the fields and
// presses OK; records whether the dialog stayed and where the focus went.
DialogDriver::Script AddRoute(std::vector<Attempt> attempts, std::shared_ptr<Seen> seen) {
    return [attempts, seen](HWND dialog) {
        // The focus lands once the dialog is active, a moment after it shows.
        bool focused = false;
        for (int waited = 0; waited < 2000 && !focused; waited += 20) {
            focused = HasFocus(dialog, IDC_RT_DESTINATION);
            if (!focused) ::Sleep(20);
        }
        seen->texts.push_back(focused ? L"focus destination" : L"focus elsewhere");
        seen->texts.push_back(L"metric " + Field(dialog, IDC_RT_METRIC));
        for (const Attempt& a : attempts) {
            if (Gone(dialog)) break;
            SetAddress(dialog, IDC_RT_DESTINATION, a.destination);
            SetAddress(dialog, IDC_RT_MASK, a.mask);
            SetField(dialog, IDC_RT_METRIC, a.metric);
            Press(dialog, IDOK);
            if (Gone(dialog)) {
                seen->texts.push_back(L"closed");
                break;
            }
            const wchar_t* focus = HasFocus(dialog, IDC_RT_MASK) ? L"mask" : HasFocus(dialog, IDC_RT_METRIC) ? L"metric" : L"?";
            seen->texts.push_back(std::wstring(L"stays, focus ") + focus + L", " +
                                  vantrel::AddressText(Address(dialog, IDC_RT_DESTINATION)));
        }
    };
}

// Works the Static Routes dialog: Add once, then reads the rows and ends with `button`.
DialogDriver::Script Routes(int button, std::shared_ptr<Seen> seen) {
    return [button, seen](HWND dialog) {
        Press(dialog, IDC_RT_ADD);
        HWND list = ::GetDlgItem(dialog, IDC_RT_LIST);
        for (int i = 0; i < ListView_GetItemCount(list); ++i) {
            wchar_t d[32] = {}, m[32] = {}, n[16] = {};
            ListView_GetItemText(list, i, 0, d, 32);
            ListView_GetItemText(list, i, 1, m, 32);
            ListView_GetItemText(list, i, 2, n, 16);
            seen->texts.push_back(std::wstring(d) + L" " + m + L" " + n);
        }
        Press(dialog, button);
    };
}

TEST_F(DialInPage, CheckingRoutesWithoutAnyOpensTheDialogAndStoresTheSubnet) {
    auto dialogs = std::make_shared<Seen>();
    const auto boxes = Run(
        L"RAS01", L"desk",
        [](HWND sheet, HWND page, Seen& s) {
            Click(page, IDC_DI_APPLY_ROUTES);  // no routes yet: the dialog comes at once
            s.texts.push_back(Flag(page, IDC_DI_APPLY_ROUTES) + (IsEnabled(page, IDC_DI_ROUTES) ? L"|button" : L""));
            PressSheet(sheet, PSBTN_OK);
        },
        {{L"Static Routes", Routes(IDOK, dialogs)},
         {L"Add a Static Route", AddRoute({{Ip(10, 1, 2, 3), Ip(255, 255, 0, 0), L"1"}}, dialogs)}});
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Invalid subnet address.\r\nAn example of a valid subnet address using the IP address 10.1.2.3 and the "
              L"subnet mask 255.255.0.0 is 10.1.0.0.\r\nWould you like to use the subnet address 10.1.0.0 instead?",
              Texts(boxes)[0]);
    EXPECT_EQ((std::vector<std::wstring>{L"focus destination", L"metric 1", L"closed", L"10.1.0.0 255.255.0.0 1"}),
              dialogs->texts);
    EXPECT_EQ(std::vector<std::wstring>{L"x|button"}, seen_->texts);
    EXPECT_EQ(L"[10.1.0.0/16 0.0.0.0 1]", Stored(L"desk", PROPERTY_USER_RADIUS_FRAMED_ROUTE));
    EXPECT_EQ(L"[10.1.0.0/16 0.0.0.0 1]", Stored(L"desk", PROPERTY_USER_SAVED_RADIUS_FRAMED_ROUTE));
}

TEST_F(DialInPage, TheAddDialogRefusesMasksMetricsAndUnwantedSubnets) {
    auto dialogs = std::make_shared<Seen>();
    const auto boxes = Run(
        L"RAS01", L"desk",
        [](HWND, HWND page, Seen& s) {
            Click(page, IDC_DI_APPLY_ROUTES);
            // Cancelled: nothing changes and the rule unchecks the box again.
            s.texts.push_back(Flag(page, IDC_DI_APPLY_ROUTES) + (IsEnabled(page, IDC_DI_ROUTES) ? L"|button" : L""));
        },
        {{L"Static Routes", Routes(IDCANCEL, dialogs)},
         {L"Add a Static Route", AddRoute({{Ip(10, 0, 0, 0), 0, L"1"},
                                           {Ip(10, 0, 0, 0), Ip(255, 0, 255, 0), L"1"},
                                           {Ip(10, 0, 0, 0), Ip(0, 255, 255, 0), L"1"},
                                           {Ip(10, 1, 2, 0), Ip(255, 255, 255, 0), L"0"},
                                           {Ip(10, 1, 2, 0), Ip(255, 255, 255, 0), L"x"},
                                           {Ip(10, 1, 2, 0), Ip(255, 255, 255, 0), L"2147483648"},
                                           {Ip(10, 1, 2, 3), Ip(255, 255, 255, 0), L"5"},
                                           {Ip(10, 0, 2, 0), Ip(255, 254, 255, 0), L"2147483647"}},
                                          dialogs)}},
        [](const testsupport::SeenBox& box) { return box.text.find(L"10.1.2.3") != std::wstring::npos ? IDNO : IDYES; });
    const std::wstring mask =
        L"Invalid Network Mask.\r\nIn the Network Mask, every bit that is set (a value of one) belongs to the Network "
        L"ID and every bit that is off (a value of zero) belongs to the Host ID. A zero bit in a mask can only be "
        L"followed by other zero bits.";
    const std::wstring metric = L"Please enter a number between 1 and 2147483647";
    const std::vector<std::wstring> texts = Texts(boxes);
    ASSERT_EQ(7u, texts.size());
    EXPECT_EQ((std::vector<std::wstring>{mask, mask, mask, metric, metric, metric}),
              std::vector<std::wstring>(texts.begin(), texts.begin() + 6));
    EXPECT_NE(std::wstring::npos, texts[6].find(L"subnet address 10.1.2.0 instead?"));
    // No to the subnet keeps the dialog and the destination as typed.
    EXPECT_EQ((std::vector<std::wstring>{L"focus destination", L"metric 1", L"stays, focus mask, 10.0.0.0",
                                         L"stays, focus mask, 10.0.0.0", L"stays, focus mask, 10.0.0.0",
                                         L"stays, focus metric, 10.1.2.0", L"stays, focus metric, 10.1.2.0",
                                         L"stays, focus metric, 10.1.2.0", L"stays, focus metric, 10.1.2.3", L"closed",
                                         L"10.0.2.0 255.254.255.0 2147483647"}),
              dialogs->texts);
    EXPECT_EQ(std::vector<std::wstring>{L"-"}, seen_->texts);
}

TEST_F(DialInPage, DeletingTheLastRouteUnchecksTheRoutesBox) {
    auto dialogs = std::make_shared<Seen>();
    const auto boxes = Run(
        L"RAS01", L"road",
        [](HWND sheet, HWND page, Seen& s) {
            Press(page, IDC_DI_ROUTES);
            s.texts.push_back(Flag(page, IDC_DI_APPLY_ROUTES) + (IsEnabled(page, IDC_DI_ROUTES) ? L"|button" : L""));
            PressSheet(sheet, PSBTN_OK);
        },
        {{L"Static Routes", [dialogs](HWND dialog) {
              HWND list = ::GetDlgItem(dialog, IDC_RT_LIST);
              wchar_t d[32] = {}, m[32] = {}, n[16] = {};
              ListView_GetItemText(list, 0, 0, d, 32);
              ListView_GetItemText(list, 0, 1, m, 32);
              ListView_GetItemText(list, 0, 2, n, 16);
              dialogs->texts.push_back(std::wstring(d) + L" " + m + L" " + n);
              ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
              Press(dialog, IDC_RT_DELETE);
              dialogs->texts.push_back(std::to_wstring(ListView_GetItemCount(list)));
              Press(dialog, IDOK);
          }}});
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ((std::vector<std::wstring>{L"10.1.0.0 255.255.0.0 2", L"0"}), dialogs->texts);
    EXPECT_EQ(std::vector<std::wstring>{L"-"}, seen_->texts);
    EXPECT_EQ(L"empty", Stored(L"road", PROPERTY_USER_RADIUS_FRAMED_ROUTE));
    EXPECT_EQ(L"empty", Stored(L"road", PROPERTY_USER_SAVED_RADIUS_FRAMED_ROUTE));
}

}  // namespace
