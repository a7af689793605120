// The local users view: its rows and batches, the item popup's greying, and
// every command through its real windows against the lab.
#include "tests/views/AccountViewsSupport.h"

#include "common/AccountNames.h"
#include "common/ImageLists.h"
#include "platform/KernelHandles.h"
#include "platform/Logon.h"
#include "resources/ImageIndex.h"
#include "views/LocalUsersView.h"

#include <algorithm>

namespace {

using namespace viewtest;
using testsupport::SeenBox;

class LocalUsersView : public AccountViewTest {
protected:
    static DWORD LabFlags(const wchar_t* user) {
        LPBYTE buffer = nullptr;
        if (plat::NetUserGetInfo(L"WS01", user, 20, &buffer) != 0) return 0xFFFFFFFF;
        const DWORD flags = reinterpret_cast<USER_INFO_20*>(buffer)->usri20_flags;
        plat::NetApiBufferFree(buffer);
        return flags;
    }
    static bool Exists(const wchar_t* user) { return LabFlags(user) != 0xFFFFFFFF; }
    static DWORD Logon(const wchar_t* user, const wchar_t* password) {
        HANDLE token = nullptr;
        if (!plat::LogonUserW(user, L"WS01", password, LOGON32_LOGON_INTERACTIVE, LOGON32_PROVIDER_DEFAULT, &token))
            return ::GetLastError();
        plat::CloseHandle(token);
        return 0;
    }
    static void AddLabUser(const wchar_t* name) {
        USER_INFO_1 u{const_cast<LPWSTR>(name), const_cast<LPWSTR>(L"x"), 0, USER_PRIV_USER};
        ASSERT_EQ(0u, plat::NetUserAdd(L"WS01", 1, reinterpret_cast<LPBYTE>(&u), nullptr));
    }
    // The item popup's greyed commands after the view prepared it.
    static std::vector<UINT> Greyed(HWND view) {
        HMENU menu = ::LoadMenuW(vantrel::module::Instance(), MAKEINTRESOURCEW(IDR_LOCAL_USERS_MENU));
        HMENU popup = ::GetSubMenu(menu, 1);
        vantrel::LocalUsersView().prepareMenu(view, popup, true);
        std::vector<UINT> greyed;
        for (int i = 0; i < ::GetMenuItemCount(popup); ++i) {
            const UINT state = ::GetMenuState(popup, i, MF_BYPOSITION);
            if ((state & MF_GRAYED) && !(state & MF_SEPARATOR)) greyed.push_back(::GetMenuItemID(popup, i));
        }
        ::DestroyMenu(menu);
        return greyed;
    }
};

TEST_F(LocalUsersView, RowsComeInDisplayBatchesWithImagesAndFlags) {
    ASSERT_EQ(0u, LabGenerateUsers(L"WS01", 150, 3));
    HWND view = Open(vantrel::LocalUsersView(), L"WS01");
    EXPECT_EQ(2u, LabCallCount(L"WS01", "NetQueryDisplayInformation")) << "156 accounts, 100 an answer";
    const Rows rows = ReadRows(view);
    ASSERT_EQ(156u, rows.size());
    EXPECT_EQ((std::vector<std::wstring>{L"Administrator", L"Built-in account for administering the computer/domain"}),
              (std::vector<std::wstring>{rows[0][0], rows[0][2]}));
    const auto support = std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r[0] == L"support"; });
    ASSERT_NE(rows.end(), support);
    EXPECT_EQ((std::vector<std::wstring>{L"support", L"Desktop Support", L"Local support account"}), *support);
    EXPECT_EQ(vantrel::IMAGE_USER, Item(view, L"support").iImage);
    EXPECT_EQ(vantrel::IMAGE_DISABLED_USER, Item(view, L"temp").iImage);
    EXPECT_TRUE(Item(view, L"temp").lParam & UF_ACCOUNTDISABLE);

    const std::vector<std::wstring> titles = {L"Name", L"Full Name", L"Description"};
    const int widths[] = {250, 100, 400};
    for (int c = 0; c < 3; ++c) {
        wchar_t title[64] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = title;
        column.cchTextMax = 64;
        ASSERT_TRUE(ListView_GetColumn(List(view), c, &column));
        EXPECT_EQ(titles[c], title);
        EXPECT_EQ(widths[c], column.cx);
    }
}

TEST_F(LocalUsersView, AFailedEnumerationReplacesTheList) {
    HWND view = Open(vantrel::LocalUsersView(), L"OLD");
    EXPECT_TRUE(Shown(Message(view)));
    EXPECT_EQ(PlatformText(ERROR_BAD_NETPATH, true), Text(view, IDC_VIEW_MESSAGE));
    LabAddFault(L"WS01", "NetQueryDisplayInformation", ERROR_ACCESS_DENIED, 1, 1);
    HWND denied = Open(vantrel::LocalUsersView(), L"WS01");
    EXPECT_EQ(PlatformText(ERROR_ACCESS_DENIED, true), Text(denied, IDC_VIEW_MESSAGE));
    EXPECT_FALSE(Shown(List(denied)));
}

TEST_F(LocalUsersView, ThePopupGreysWhatTheSelectionCannotTake) {
    HWND view = Open(vantrel::LocalUsersView(), L"WS01");
    struct Case {
        std::initializer_list<const wchar_t*> selection;
        std::vector<UINT> greyed;
    };
    const Case cases[] = {
        {{L"support"}, {ID_VIEW_ENABLE}},
        {{L"temp"}, {ID_VIEW_DISABLE}},
        {{L"support", L"temp"}, {ID_VIEW_SET_PASSWORD, ID_VIEW_RENAME, ID_VIEW_PROPERTIES}},
    };
    for (const Case& c : cases) {
        SelectOnly(view, c.selection);
        EXPECT_EQ(c.greyed, Greyed(view)) << c.selection.size() << " selected, first " << *c.selection.begin();
    }
}

TEST_F(LocalUsersView, DisableAndEnableEverySelectedAccount) {
    HWND view = Open(vantrel::LocalUsersView(), L"WS01");
    {
        DialogDriver driver({});
        SelectOnly(view, {L"support", L"temp"});
        Command(view, ID_VIEW_DISABLE);  // a mixture: every one ends disabled, and that is success
        const auto boxes = driver.Stop();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(L"Information", boxes[0].title);
        EXPECT_EQ(L"All of the selected user objects are disabled.", boxes[0].text);
    }
    EXPECT_TRUE(LabFlags(L"support") & UF_ACCOUNTDISABLE);
    EXPECT_TRUE(LabFlags(L"temp") & UF_ACCOUNTDISABLE);
    EXPECT_EQ(vantrel::IMAGE_DISABLED_USER, Item(view, L"support").iImage);

    // The second change fails: the first is made and shown, the last failure reported.
    LabAddFault(L"WS01", "NetUserSetInfo", ERROR_ACCESS_DENIED, 2, 1);
    DialogDriver driver({});
    Command(view, ID_VIEW_ENABLE);
    const auto boxes = driver.Stop();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Error", boxes[0].title);
    EXPECT_EQ(PlatformText(ERROR_ACCESS_DENIED, false) + L"\r\nOne or more of the selected user objects cannot be enabled.",
              boxes[0].text);
    EXPECT_EQ(vantrel::IMAGE_USER, Item(view, L"support").iImage);
    EXPECT_FALSE(LabFlags(L"support") & UF_ACCOUNTDISABLE);
    EXPECT_EQ(vantrel::IMAGE_DISABLED_USER, Item(view, L"temp").iImage);
}

TEST_F(LocalUsersView, DeleteAsksFirstAndStopsAtTheFirstFailure) {
    for (const wchar_t* name : {L"u1", L"u2", L"u3", L"u4"}) AddLabUser(name);
    HWND view = Open(vantrel::LocalUsersView(), L"WS01");
    {
        // One account, and No: nothing happens.
        DialogDriver driver({}, [](const SeenBox&) { return IDNO; });
        SelectOnly(view, {L"u1"});
        Command(view, ID_VIEW_DELETE);
        const auto boxes = driver.Stop();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(L"Local Users", boxes[0].title);
        EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"Are you sure you want to delete the user u1?"));
        EXPECT_TRUE(Exists(L"u1"));
    }
    LabAddFault(L"WS01", "NetUserDel", NERR_UserNotFound, 3, 1);
    DialogDriver driver({});
    SelectOnly(view, {L"u1", L"u2", L"u3", L"u4"});
    Command(view, ID_VIEW_DELETE);
    const auto boxes = driver.Stop();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(L"Delete Multiple Local Users", boxes[0].title);
    EXPECT_EQ(0u, boxes[0].text.find(L"Delete Multiple Local Users\r\n\r\nEach user is represented"));
    EXPECT_EQ(L"Error", boxes[1].title);
    EXPECT_NE(std::wstring::npos,
              boxes[1].text.find(L"u3 could not be deleted. The multiple delete operation will terminate."));
    EXPECT_FALSE(Exists(L"u1"));
    EXPECT_FALSE(Exists(L"u2"));
    EXPECT_TRUE(Exists(L"u3"));
    EXPECT_TRUE(Exists(L"u4"));
    const auto labels = Labels(view);
    EXPECT_EQ(labels.end(), std::find(labels.begin(), labels.end(), L"u2"));
    EXPECT_NE(labels.end(), std::find(labels.begin(), labels.end(), L"u3"));
}

TEST_F(LocalUsersView, RenameInPlace) {
    HWND view = Open(vantrel::LocalUsersView(), L"WS01");
    {
        DialogDriver driver({});
        RenameRow(view, L"temp", L"contractor");
        EXPECT_TRUE(driver.Stop().empty());
    }
    EXPECT_GE(FindRow(view, L"contractor"), 0);
    EXPECT_TRUE(Exists(L"contractor"));
    EXPECT_FALSE(Exists(L"temp"));

    DialogDriver driver({});
    RenameRow(view, L"contractor", L"a*b");
    LabAddFault(L"WS01", "NetUserSetInfo", ERROR_ACCESS_DENIED, 1, 1);
    RenameRow(view, L"contractor", L"other");
    const auto boxes = driver.Stop();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(L"Local Users and Computers", boxes[0].title);
    EXPECT_EQ(vantrel::BadNameMessage(L"a*b", vantrel::BadNameRule::Platform), boxes[0].text);
    EXPECT_EQ(L"Local Users and Groups", boxes[1].title);
    EXPECT_EQ(L"The following error occurred while attempting to rename the user contractor:\r\n\r\n" +
                  PlatformText(ERROR_ACCESS_DENIED, false),
              boxes[1].text);
    EXPECT_GE(FindRow(view, L"contractor"), 0);
}

TEST_F(LocalUsersView, SetPasswordConfirmsThenSets) {
    HWND view = Open(vantrel::LocalUsersView(), L"WS01");
    SelectOnly(view, {L"support"});
    {
        DialogDriver driver({{L"Set Password", [](HWND dialog) {
                                  SetField(dialog, IDC_USER_PASSWORD, L"N3w!");
                                  SetField(dialog, IDC_USER_CONFIRM, L"N3w");
                                  Press(dialog, IDOK);  // mismatch: the dialog stays
                                  SetField(dialog, IDC_USER_CONFIRM, L"N3w!");
                                  Press(dialog, IDOK);
                              }}});
        Command(view, ID_VIEW_SET_PASSWORD);
        const auto boxes = driver.Stop();
        ASSERT_EQ(2u, boxes.size());
        EXPECT_EQ(L"The password was not correctly confirmed. Please ensure that the password and confirmation "
                  L"match exactly.",
                  boxes[0].text);
        EXPECT_EQ(L"Local Users and Groups", boxes[1].title);
        EXPECT_EQ(L"The password has been changed.", boxes[1].text);
    }
    EXPECT_EQ(0u, Logon(L"support", L"N3w!"));

    // An empty password goes as an empty string; a refused one names the user.
    LabAddFault(L"WS01", "NetUserSetInfo", NERR_PasswordTooShort, 1, 1);
    DialogDriver driver({{L"Set Password", [](HWND dialog) { Press(dialog, IDOK); }}});
    Command(view, ID_VIEW_SET_PASSWORD);
    const auto boxes = driver.Stop();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(PlatformText(NERR_PasswordTooShort, false) + L"\r\nThe password for support could not be set.",
              boxes[0].text);
    EXPECT_EQ(0u, Logon(L"support", L"N3w!"));
    // Empty fields: the lab refuses a null password (87), so only an empty string succeeds.
    DialogDriver empty({{L"Set Password", [](HWND dialog) { Press(dialog, IDOK); }}});
    Command(view, ID_VIEW_SET_PASSWORD);
    const auto emptyBoxes = empty.Stop();
    ASSERT_EQ(1u, emptyBoxes.size());
    EXPECT_EQ(L"The password has been changed.", emptyBoxes[0].text);
    EXPECT_EQ(0u, Logon(L"support", L""));
}

TEST_F(LocalUsersView, NewUserCreatesAccountsUntilClosed) {
    HWND view = Open(vantrel::LocalUsersView(), L"WS01");
    std::vector<std::wstring> states;
    DialogDriver driver({{L"New User", [&states](HWND d) {
        // The start state.
        states.push_back(std::to_wstring(::SendDlgItemMessageW(d, IDC_USER_NAME, EM_GETLIMITTEXT, 0, 0)) + L" " +
                         (IsChecked(d, IDC_USER_MUST_CHANGE) ? L"must" : L"-") +
                         (IsEnabled(d, IDC_USER_CANNOT_CHANGE) || IsEnabled(d, IDC_USER_NEVER_EXPIRES) ? L" open" : L" greyed") +
                         (IsEnabled(d, IDC_CREATE) ? L" create" : L" no-create"));
        SetField(d, IDC_USER_NAME, L"ann");
        states.push_back(IsEnabled(d, IDC_CREATE) ? L"create" : L"no-create");
        SetField(d, IDC_USER_FULL_NAME, L"Ann Example");
        SetField(d, IDC_USER_PASSWORD, L"pw");
        SetField(d, IDC_USER_CONFIRM, L"pw");
        Press(d, IDC_CREATE);
        states.push_back(Field(d, IDC_USER_NAME).empty() && IsChecked(d, IDC_USER_MUST_CHANGE) ? L"reset" : L"kept");

        // The rule: must-change off opens the others; cannot-change on greys must-change.
        Click(d, IDC_USER_MUST_CHANGE);
        Click(d, IDC_USER_CANNOT_CHANGE);
        states.push_back(std::wstring(IsEnabled(d, IDC_USER_MUST_CHANGE) ? L"must open" : L"must greyed") +
                         (IsEnabled(d, IDC_USER_NEVER_EXPIRES) ? L", never open" : L", never greyed"));
        SetField(d, IDC_USER_NAME, L"bob");
        Click(d, IDC_USER_DISABLED);
        Press(d, IDC_CREATE);

        // A name the server refuses: the message, and the form stays.
        SetField(d, IDC_USER_NAME, L"a*b");
        Press(d, IDC_CREATE);
        states.push_back(Field(d, IDC_USER_NAME));
        // Another failure: the message, then a fresh form.
        SetField(d, IDC_USER_NAME, L"temp");
        Press(d, IDC_CREATE);
        states.push_back(Field(d, IDC_USER_NAME));
        Press(d, IDCANCEL);
    }}});
    Command(view, ID_VIEW_NEW_USER);
    const auto boxes = driver.Stop();
    EXPECT_EQ((std::vector<std::wstring>{L"20 must greyed no-create", L"create", L"reset", L"must greyed, never open",
                                         L"a*b", L""}),
              states);
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(vantrel::BadNameMessage(L"a*b", vantrel::BadNameRule::Platform), boxes[0].text);
    EXPECT_EQ(L"Local Users and Groups", boxes[1].title);
    EXPECT_EQ(PlatformText(NERR_UserExists, false), boxes[1].text);

    // ann must change her password and is in Users; bob cannot change his, and is disabled.
    EXPECT_EQ(static_cast<DWORD>(ERROR_PASSWORD_EXPIRED), Logon(L"ann", L"pw"));
    EXPECT_EQ(static_cast<DWORD>(UF_SCRIPT | UF_NORMAL_ACCOUNT), LabFlags(L"ann"));
    EXPECT_EQ(static_cast<DWORD>(UF_SCRIPT | UF_NORMAL_ACCOUNT | UF_PASSWD_CANT_CHANGE | UF_ACCOUNTDISABLE),
              LabFlags(L"bob"));
    LPBYTE buffer = nullptr;
    DWORD read = 0, total = 0;
    ASSERT_EQ(0u, plat::NetUserGetLocalGroups(L"WS01", L"ann", 0, 0, &buffer, MAX_PREFERRED_LENGTH, &read, &total));
    ASSERT_EQ(1u, read);
    EXPECT_STREQ(L"Users", reinterpret_cast<LOCALGROUP_USERS_INFO_0*>(buffer)->lgrui0_name);
    plat::NetApiBufferFree(buffer);

    // Closing refreshes the list.
    Pump(50);
    ASSERT_TRUE(WaitForEnumeration(view));
    EXPECT_GE(FindRow(view, L"ann"), 0);
    EXPECT_GE(FindRow(view, L"bob"), 0);
}

// Servers of version 4 get the local name rule before any call; newer ones
// judge the same name themselves.
TEST_F(LocalUsersView, OldServersGetTheLocalNameRule) {
    for (const wchar_t* computer : {L"NT4SRV", L"WS01"}) {
        HWND view = Open(vantrel::LocalUsersView(), computer);
        LabResetCallCounts();
        DialogDriver driver({{L"New User", [](HWND d) {
                                  SetField(d, IDC_USER_NAME, L"abcdefghijklmnopqrstu");  // 21 characters
                                  Press(d, IDC_CREATE);
                                  Press(d, IDCANCEL);
                              }}});
        Command(view, ID_VIEW_NEW_USER);
        const auto boxes = driver.Stop();
        ASSERT_EQ(1u, boxes.size()) << computer;
        if (std::wstring(computer) == L"NT4SRV") {
            EXPECT_EQ(vantrel::BadNameMessage(L"abcdefghijklmnopqrstu", vantrel::BadNameRule::Local), boxes[0].text);
            EXPECT_EQ(0u, LabCallCount(computer, "NetUserAdd"));
        } else {
            EXPECT_EQ(vantrel::BadNameMessage(L"abcdefghijklmnopqrstu", vantrel::BadNameRule::Platform), boxes[0].text);
            EXPECT_EQ(1u, LabCallCount(computer, "NetUserAdd"));
        }
    }
}

TEST_F(LocalUsersView, CommandsCheckTheirViewAndComputer) {
    struct Case {
        bool liveWindow;
        const wchar_t* computer;
        HRESULT expected;
    };
    HWND view = Open(vantrel::LocalUsersView(), L"WS01");
    HWND gone = Created(vantrel::LocalUsersView());
    ::DestroyWindow(gone);
    const Case cases[] = {{false, L"WS01", E_HANDLE}, {true, L"", E_INVALIDARG}};
    for (UINT command : {ID_VIEW_DISABLE, ID_VIEW_PROPERTIES}) {
        for (const Case& c : cases) {
            vantrel::ViewWorkerContext context;
            context.window = c.liveWindow ? view : gone;
            context.computer = c.computer;
            auto worker = vantrel::LocalUsersView().createCommand(context, command);
            ASSERT_TRUE(worker);
            ASSERT_EQ(S_OK, worker->Start(INFINITE, 0, false));
            DWORD code = 0;
            ASSERT_EQ(S_OK, worker->GetExitCode(&code));
            EXPECT_EQ(c.expected, static_cast<HRESULT>(code)) << command;
        }
    }
    // Neither reached the computer.
    EXPECT_EQ(0u, LabCallCount(nullptr, "NetUserSetInfo"));
    EXPECT_EQ(0u, LabCallCount(nullptr, "ADsGetObject"));
}

}  // namespace
