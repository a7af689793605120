// The user property sheet through the users view: the worker and its
// checks, the General, Profile and Member Of pages with their reads, rules,
// validations and Apply paths against the lab.
#include "tests/views/UserSheetSupport.h"

#include "resources/ImageIndex.h"

namespace {

using namespace usersheet;

constexpr int kGeneral = 0, kMemberOf = 1, kProfile = 2;

TEST_F(UserSheetTest, PropertiesAndDoubleClickOpenTheFourPagesOfTheFirstUser) {
    HWND view = OpenUsers(L"WS01");
    auto seen = std::make_shared<Seen>();
    DialogDriver driver({Sheet(L"support Properties", seen, [](HWND sheet, Seen& s) {
        HWND tabs = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
        for (int i = 0; i < TabCtrl_GetItemCount(tabs); ++i) {
            wchar_t text[64] = {};
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = 64;
            TabCtrl_GetItem(tabs, i, &item);
            s.texts.push_back(text);
        }
        HWND page = CurrentPage(sheet);
        s.texts.push_back(Field(page, IDC_UP_NAME) + L"|" + Field(page, IDC_UP_FULL_NAME) + L"|" +
                          Field(page, IDC_UP_DESCRIPTION));
        for (int id : {IDC_UP_MUST_CHANGE, IDC_UP_CANNOT_CHANGE, IDC_UP_NEVER_EXPIRES, IDC_UP_DISABLED, IDC_UP_LOCKED_OUT})
            s.texts.push_back(Flag(page, id));
        PressSheet(sheet, PSBTN_CANCEL);
    })});
    SelectOnly(view, L"support");
    Command(view, ID_VIEW_PROPERTIES);
    EXPECT_TRUE(driver.Stop().empty());
    ASSERT_TRUE(seen->ran);
    EXPECT_EQ((std::vector<std::wstring>{L"General", L"Member Of", L"Profile", L"Dial-in",
                                         L"support|Desktop Support|Local support account", L"-(grey)", L"-", L"x", L"-",
                                         L"-(grey)"}),
              seen->texts);
    EXPECT_EQ(0u, LabCallCount(L"WS01", "IADs::SetInfo"));

    // A double-click on a row opens that row's sheet.
    auto again = std::make_shared<Seen>();
    DialogDriver second({Sheet(L"temp Properties", again, [](HWND sheet, Seen&) { PressSheet(sheet, PSBTN_CANCEL); })});
    SelectOnly(view, L"temp");
    DoubleClick(view, FindRow(view, L"temp"));
    EXPECT_TRUE(second.Stop().empty());
    EXPECT_TRUE(again->ran);
}

// General applies its texts and the flags of its boxes; a lockout can only
// be cleared.
TEST_F(UserSheetTest, GeneralAppliesTextsAndTheFlagsOfItsBoxes) {
    HWND view = OpenUsers(L"WS01");
    auto seen = std::make_shared<Seen>();
    DialogDriver driver({Sheet(L"temp Properties", seen, [](HWND sheet, Seen& s) {
        HWND page = CurrentPage(sheet);
        // Expired password: must change checked, the other two greyed.
        s.texts.push_back(Flag(page, IDC_UP_MUST_CHANGE) + Flag(page, IDC_UP_CANNOT_CHANGE) +
                          Flag(page, IDC_UP_NEVER_EXPIRES) + Flag(page, IDC_UP_DISABLED));
        Click(page, IDC_UP_MUST_CHANGE);
        s.texts.push_back(Flag(page, IDC_UP_MUST_CHANGE) + Flag(page, IDC_UP_CANNOT_CHANGE) +
                          Flag(page, IDC_UP_NEVER_EXPIRES));
        Click(page, IDC_UP_CANNOT_CHANGE);
        s.texts.push_back(Flag(page, IDC_UP_MUST_CHANGE));
        Click(page, IDC_UP_DISABLED);
        SetField(page, IDC_UP_FULL_NAME, L"Temporary Worker");
        SetField(page, IDC_UP_DESCRIPTION, L"");
        PressSheet(sheet, PSBTN_OK);
    }),
                         Sheet(L"locked Properties", seen, [](HWND sheet, Seen& s) {
                             HWND page = CurrentPage(sheet);
                             s.texts.push_back(Flag(page, IDC_UP_LOCKED_OUT));
                             Click(page, IDC_UP_LOCKED_OUT);
                             PressSheet(sheet, PSBTN_OK);
                         })});
    SelectOnly(view, L"temp");
    Command(view, ID_VIEW_PROPERTIES);
    SelectOnly(view, L"locked");
    Command(view, ID_VIEW_PROPERTIES);
    EXPECT_TRUE(driver.Stop().empty());
    EXPECT_EQ((std::vector<std::wstring>{L"x-(grey)-(grey)x", L"---", L"-(grey)", L"x"}), seen->texts);
    EXPECT_EQ(0u, Account(L"WS01", L"locked").usri3_flags & UF_LOCKOUT);
    EXPECT_EQ(2u, LabCallCount(L"WS01", "IADs::SetInfo"));
    std::wstring fullName;
    const USER_INFO_3 account = Account(L"WS01", L"temp", &fullName);
    EXPECT_EQ(L"Temporary Worker", fullName);
    // Must change was greyed at Apply: the expiry stays as it was.
    EXPECT_EQ(1u, account.usri3_password_expired);
    EXPECT_EQ(static_cast<DWORD>(UF_SCRIPT | UF_NORMAL_ACCOUNT | UF_PASSWD_CANT_CHANGE), account.usri3_flags);
    // The row took the new texts and, now enabled, the user image.
    EXPECT_EQ((std::vector<std::wstring>{L"temp", L"Temporary Worker", L""}), ReadRows(view)[FindRow(view, L"temp")]);
    EXPECT_EQ(vantrel::IMAGE_USER, RowItem(view, FindRow(view, L"temp")).iImage);
}

TEST_F(UserSheetTest, AFailedGeneralApplyIsReportedAndCancelsTheSheet) {
    HWND view = OpenUsers(L"WS01");
    LabAddFault(L"WS01", "IADs::SetInfo", ERROR_ACCESS_DENIED, 1, 1);
    auto seen = std::make_shared<Seen>();
    DialogDriver driver({Sheet(L"support Properties", seen, [](HWND sheet, Seen&) {
        SetField(CurrentPage(sheet), IDC_UP_FULL_NAME, L"Changed");
        ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
    })});
    SelectOnly(view, L"support");
    Command(view, ID_VIEW_PROPERTIES);
    const auto boxes = driver.Stop();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Local Users and Groups", boxes[0].title);
    EXPECT_EQ(PlatformText(ERROR_ACCESS_DENIED, false) + L"\r\nFailed to modify the user's General properties.",
              boxes[0].text);
    std::wstring fullName;
    Account(L"WS01", L"support", &fullName);
    EXPECT_EQ(L"Desktop Support", fullName);
    EXPECT_EQ(L"Desktop Support", ReadRows(view)[FindRow(view, L"support")][1]);
}

TEST_F(UserSheetTest, NoSheetWhenTheUserObjectCannotBeBound) {
    struct Case {
        const char* function;
        DWORD error;
    };
    for (const Case& c : {Case{"ADsGetObject", ERROR_ACCESS_DENIED}, Case{"NetWkstaGetInfo", ERROR_BAD_NETPATH}}) {
        HWND view = OpenUsers(L"KIOSK");  // a workgroup computer: its path needs the workstation facts
        LabAddFault(L"KIOSK", c.function, c.error, 1, 1);
        auto seen = std::make_shared<Seen>();
        DialogDriver driver({Sheet(L"visitor Properties", seen, [](HWND sheet, Seen&) { PressSheet(sheet, PSBTN_CANCEL); })});
        SelectOnly(view, L"visitor");
        vantrel::ViewWorkerContext context;
        context.window = view;
        context.computer = L"KIOSK";
        auto worker = vantrel::LocalUsersView().createCommand(context, ID_VIEW_PROPERTIES);
        ASSERT_TRUE(worker);
        ASSERT_EQ(S_OK, worker->Start(INFINITE, 0, false));
        DWORD code = 0;
        ASSERT_EQ(S_OK, worker->GetExitCode(&code));
        EXPECT_EQ(HRESULT_FROM_WIN32(c.error), static_cast<HRESULT>(code)) << c.function;
        const auto boxes = driver.Stop();
        ASSERT_EQ(1u, boxes.size()) << c.function;
        EXPECT_EQ(L"Local Users and Groups", boxes[0].title);
        EXPECT_EQ(PlatformText(c.error, false), boxes[0].text);
        EXPECT_FALSE(seen->ran) << c.function;
        LabClearRules();
    }
    // Without faults the workgroup's path binds.
    HWND view = OpenUsers(L"KIOSK");
    auto seen = std::make_shared<Seen>();
    DialogDriver driver({Sheet(L"visitor Properties", seen, [](HWND sheet, Seen&) { PressSheet(sheet, PSBTN_CANCEL); })});
    SelectOnly(view, L"visitor");
    Command(view, ID_VIEW_PROPERTIES);
    EXPECT_TRUE(driver.Stop().empty());
    EXPECT_TRUE(seen->ran);
}

// --- Profile ------------------------------------------------------------------

TEST_F(UserSheetTest, ProfileShowsTheHomeFolderInItsMode) {
    HWND view = OpenUsers(L"WS01");
    auto seen = std::make_shared<Seen>();
    auto read = [](HWND sheet, Seen& s) {
        HWND page = ShowPage(sheet, kProfile);
        s.texts.push_back(Field(page, IDC_UP_PROFILE_PATH) + L"|" + Field(page, IDC_UP_LOGON_SCRIPT));
        s.texts.push_back(Flag(page, IDC_UP_LOCAL_RADIO) + Flag(page, IDC_UP_CONNECT_RADIO) + L"|" +
                          Field(page, IDC_UP_LOCAL_PATH) + L"|" + Field(page, IDC_UP_CONNECT_PATH) + L"|" +
                          std::to_wstring(::SendDlgItemMessageW(page, IDC_UP_DRIVE, CB_GETCURSEL, 0, 0)) + L"|" +
                          std::to_wstring(::SendDlgItemMessageW(page, IDC_UP_DRIVE, CB_GETCOUNT, 0, 0)) +
                          (IsEnabled(page, IDC_UP_LOCAL_PATH) ? L"|local" : L"") +
                          (IsEnabled(page, IDC_UP_CONNECT_PATH) && IsEnabled(page, IDC_UP_DRIVE) ? L"|connect" : L""));
        PressSheet(sheet, PSBTN_CANCEL);
    };
    DialogDriver driver({Sheet(L"support Properties", seen, read), Sheet(L"local Properties", seen, read)});
    SelectOnly(view, L"support");
    Command(view, ID_VIEW_PROPERTIES);
    SelectOnly(view, L"local");
    Command(view, ID_VIEW_PROPERTIES);
    EXPECT_TRUE(driver.Stop().empty());
    EXPECT_EQ((std::vector<std::wstring>{L"\\\\fs01\\profiles\\support|logon.cmd",
                                         L"-x||\\\\fs01\\home\\support|2|24|connect", L"|",
                                         L"x-|D:\\home\\local||23|24|local"}),
              seen->texts);
}

TEST_F(UserSheetTest, ProfilePathsAreCheckedOnLeavingThePageAndBeforeApply) {
    const struct {
        bool connect;
        const wchar_t* text;
        const wchar_t* message;  // empty: accepted
    } cases[] = {
        {true, L"\\\\fs01\\home\\", L"Directory name \\\\fs01\\home\\ is not a valid network shared directory name. Enter a valid name."},
        {true, L"\\\\a\\", L"Directory name \\\\a\\ is not a valid network shared directory name. Enter a valid name."},
        {false, L"C:\\home\\", L"Path C:\\home\\ is not a valid absolute path name. Enter a valid absolute path name."},
        {false, L"home", L"Path home is not a valid absolute path name. Enter a valid absolute path name."},
        {false, L"C:\\", L""},
        {true, L"\\\\fs02\\home", L""},
    };
    HWND view = OpenUsers(L"WS01");
    for (const auto& c : cases) {
        auto seen = std::make_shared<Seen>();
        DialogDriver driver({Sheet(L"local Properties", seen, [&c](HWND sheet, Seen& s) {
            HWND page = ShowPage(sheet, kProfile);
            Click(page, c.connect ? IDC_UP_CONNECT_RADIO : IDC_UP_LOCAL_RADIO);
            SetField(page, c.connect ? IDC_UP_CONNECT_PATH : IDC_UP_LOCAL_PATH, c.text);
            // Leaving the page is refused while the path is wrong.
            ShowPage(sheet, kGeneral);
            s.texts.push_back(CurrentPage(sheet) == page ? L"stayed" : L"left");
            PressSheet(sheet, PSBTN_OK);
            if (::IsWindow(sheet)) PressSheet(sheet, PSBTN_CANCEL);
        })});
        SelectOnly(view, L"local");
        Command(view, ID_VIEW_PROPERTIES);
        const auto boxes = driver.Stop();
        std::wstring home, drive;
        Account(L"WS01", L"local", nullptr, &home, &drive);
        if (*c.message) {
            ASSERT_EQ(2u, boxes.size()) << c.text;  // leaving, then OK
            for (const auto& box : boxes) {
                EXPECT_EQ(L"Local Users and Computers", box.title);
                EXPECT_EQ(c.message, box.text);
            }
            EXPECT_EQ(std::vector<std::wstring>{L"stayed"}, seen->texts);
            EXPECT_EQ(L"D:\\home\\local", home) << c.text;
        } else {
            EXPECT_TRUE(boxes.empty()) << c.text;
            EXPECT_EQ(std::vector<std::wstring>{L"left"}, seen->texts);
            EXPECT_EQ(c.text, home);
            EXPECT_EQ(c.connect ? L"Z:" : L"", drive);  // Z: is the list's start
        }
    }
}

TEST_F(UserSheetTest, ProfileAppliesThePathsAndReportsAFailedWrite) {
    HWND view = OpenUsers(L"WS01");
    auto seen = std::make_shared<Seen>();
    DialogDriver driver({Sheet(L"support Properties", seen, [](HWND sheet, Seen&) {
        HWND page = ShowPage(sheet, kProfile);
        SetField(page, IDC_UP_PROFILE_PATH, L"");
        SetField(page, IDC_UP_LOGON_SCRIPT, L"start.cmd");
        ::SendDlgItemMessageW(page, IDC_UP_DRIVE, CB_SETCURSEL, 5, 0);  // H:
        ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_UP_DRIVE, CBN_SELCHANGE), 0);
        PressSheet(sheet, PSBTN_OK);
    })});
    SelectOnly(view, L"support");
    Command(view, ID_VIEW_PROPERTIES);
    EXPECT_TRUE(driver.Stop().empty());
    std::wstring home, drive;
    const USER_INFO_3 account = Account(L"WS01", L"support", nullptr, &home, &drive);
    (void)account;
    EXPECT_EQ(L"\\\\fs01\\home\\support", home);
    EXPECT_EQ(L"H:", drive);

    LabAddFault(L"WS01", "IADs::SetInfo", ERROR_ACCESS_DENIED, 1, 1);
    DialogDriver failing({Sheet(L"support Properties", seen, [](HWND sheet, Seen&) {
        HWND page = ShowPage(sheet, kProfile);
        Click(page, IDC_UP_LOCAL_RADIO);
        SetField(page, IDC_UP_LOCAL_PATH, L"C:\\users\\support");
        PressSheet(sheet, PSBTN_OK);
        if (::IsWindow(sheet)) PressSheet(sheet, PSBTN_CANCEL);
    })});
    Command(view, ID_VIEW_PROPERTIES);
    const auto boxes = failing.Stop();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Local Users and Groups", boxes[0].title);
    EXPECT_EQ(PlatformText(ERROR_ACCESS_DENIED, false) + L"\r\nFailed to set the user profile attributes", boxes[0].text);
    Account(L"WS01", L"support", nullptr, &home, &drive);
    EXPECT_EQ(L"H:", drive);
}

// --- Member Of ----------------------------------------------------------------

std::vector<std::wstring> GroupsOf(const wchar_t* computer, const wchar_t* user) {
    LPBYTE buffer = nullptr;
    DWORD read = 0, total = 0;
    std::vector<std::wstring> names;
    if (plat::NetUserGetLocalGroups(computer, user, 0, 0, &buffer, MAX_PREFERRED_LENGTH, &read, &total) != 0)
        return {L"<none>"};
    for (DWORD i = 0; i < read; ++i) names.push_back(reinterpret_cast<LOCALGROUP_USERS_INFO_0*>(buffer)[i].lgrui0_name);
    plat::NetApiBufferFree(buffer);
    return names;
}

void RemoveFirstAndAdd(HWND sheet, Seen& s) {
    HWND page = ShowPage(sheet, kMemberOf);
    HWND list = ::GetDlgItem(page, IDC_UP_GROUPS);
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        wchar_t text[128] = {};
        ListView_GetItemText(list, i, 0, text, 128);
        s.texts.push_back(text);
    }
    s.texts.push_back(IsEnabled(page, IDC_UP_REMOVE) ? L"remove" : L"no remove");
    LVITEMW state{};
    state.stateMask = state.state = LVIS_SELECTED;
    ::SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    Press(page, IDC_UP_REMOVE);
    Press(page, IDC_UP_ADD);
    PressSheet(sheet, PSBTN_OK);
}

TEST_F(UserSheetTest, MemberOfRemovesOneGroupAndAddsAnother) {
    HWND view = OpenUsers(L"WS01");
    auto seen = std::make_shared<Seen>();
    DialogDriver driver({{lab::kPickerCaption, Pick({L"Backup Operators", L"Administrators"})},
                         Sheet(L"support Properties", seen, &RemoveFirstAndAdd)});
    SelectOnly(view, L"support");
    Command(view, ID_VIEW_PROPERTIES);
    EXPECT_TRUE(driver.Stop().empty());
    EXPECT_EQ((std::vector<std::wstring>{L"Administrators", L"Users", L"no remove"}), seen->texts);
    // Administrators left and came back: only Backup Operators is a change.
    EXPECT_EQ(0u, LabCallCount(L"WS01", "NetLocalGroupDelMembers"));
    EXPECT_EQ(1u, LabCallCount(L"WS01", "NetLocalGroupAddMembers"));
    std::vector<std::wstring> groups = GroupsOf(L"WS01", L"support");
    std::sort(groups.begin(), groups.end());
    EXPECT_EQ((std::vector<std::wstring>{L"Administrators", L"Backup Operators", L"Users"}), groups);
}

TEST_F(UserSheetTest, MemberOfFailuresAreReportedAndCancelTheSheet) {
    const struct {
        const char* function;
        const wchar_t* message;
        DWORD addCalls;
    } cases[] = {
        {"NetLocalGroupDelMembers", L"\r\nFailed to remove the user from one or more of the specified local groups.", 0},
        {"NetLocalGroupAddMembers", L"\r\nFailed to add the user to one or more of the specified local groups.", 1},
    };
    HWND view = OpenUsers(L"WS01");
    for (const auto& c : cases) {
        LabResetCallCounts();
        LabAddFault(L"WS01", c.function, ERROR_ACCESS_DENIED, 1, 1);
        auto seen = std::make_shared<Seen>();
        DialogDriver driver({{lab::kPickerCaption, Pick({L"Backup Operators"})},
                             Sheet(L"support Properties", seen, &RemoveFirstAndAdd)});
        SelectOnly(view, L"support");
        Command(view, ID_VIEW_PROPERTIES);
        const auto boxes = driver.Stop();
        ASSERT_EQ(1u, boxes.size()) << c.function;
        EXPECT_EQ(L"Local Users and Groups", boxes[0].title);
        EXPECT_EQ(PlatformText(ERROR_ACCESS_DENIED, false) + c.message, boxes[0].text);
        EXPECT_EQ(c.addCalls, LabCallCount(L"WS01", "NetLocalGroupAddMembers")) << c.function;
        LabClearRules();
    }
}

}  // namespace
