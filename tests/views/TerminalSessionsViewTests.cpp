// The terminal sessions view through its real window: rows, images, the
// item popup's greying, and each command with its confirmation, its dialog
// and the failure box its worker shows.
#include "tests/views/ViewTestSupport.h"

#include "platform/TerminalServices.h"
#include "resources/ImageIndex.h"
#include "resources/ResourceViewsIds.h"
#include "views/TerminalSessionsView.h"

#include <cwctype>
#include <mutex>

namespace {

using namespace viewtest;
using testsupport::ProcessDialogWatcher;
using testsupport::SeenBox;

const std::string kScenario = AdminNetwork(R"(
    { "name": "TS1", "terminalSessions": [
        { "id": 0, "windowStation": "Console", "state": "connected", "protocol": 0 },
        { "id": 2, "windowStation": "RDP-Tcp#1", "state": "active", "protocol": 2, "user": "ann", "domain": "LAB", "client": "PC7" },
        { "id": 3, "state": "disconnected", "protocol": 2, "user": "bob" },
        { "id": 5, "windowStation": "ICA-tcp#4", "state": "idle", "protocol": 1, "user": "cid", "domain": "TS1", "client": "KIOSK" },
        { "id": 65536, "state": "listen" } ] },
    { "name": "TS2", "terminalSessions": [
        { "id": 0, "windowStation": "Console", "state": "active", "protocol": 0 },
        { "id": 65536, "windowStation": "RDP-Tcp", "state": "listen" } ] },
    { "name": "GONE", "online": false })");

// The icon a message box shows: 'E'rror, 'I'nformation, 'Q'uestion, or '?'.
char IconOf(HWND box) {
    HWND icon = nullptr;
    ::EnumChildWindows(
        box,
        [](HWND child, LPARAM found) -> BOOL {
            if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) return TRUE;
            *reinterpret_cast<HWND*>(found) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&icon));
    const HICON shown = icon ? reinterpret_cast<HICON>(::SendMessageW(icon, STM_GETICON, 0, 0)) : nullptr;
    if (shown && shown == ::LoadIconW(nullptr, IDI_HAND)) return 'E';
    if (shown && shown == ::LoadIconW(nullptr, IDI_ASTERISK)) return 'I';
    if (shown && shown == ::LoadIconW(nullptr, IDI_QUESTION)) return 'Q';
    return '?';
}

struct Box {
    std::wstring title;
    std::wstring text;
    char icon;
    bool operator==(const Box&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Box& box) {
    return out << testing::PrintToString(box.title) << " " << testing::PrintToString(box.text) << " " << box.icon;
}

// Answers every box of the process: confirmations with `confirm`, the rest
// with OK; the Send Message dialog with `send` (which may fill it in).
class Boxes {
public:
    explicit Boxes(int confirm = IDOK, std::function<void(HWND)> send = {})
        : watcher_([this, confirm, send](HWND window, const SeenBox& seen) {
              if (seen.title == L"Send Message") {
                  if (send) send(window);
                  return;
              }
              {
                  std::lock_guard lock(mutex_);
                  boxes_.push_back(Box{seen.title, seen.text, IconOf(window)});
              }
              const int answer = seen.title == L"Talvor Roredud" ? confirm : IDOK;
              ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
          }) {}
    std::vector<Box> Stop() {
        watcher_.Stop();
        std::lock_guard lock(mutex_);
        return boxes_;
    }

private:
    std::mutex mutex_;
    std::vector<Box> boxes_;
    ProcessDialogWatcher watcher_;
};

const Box kConfirmClose{L"Talvor Roredud", L"Are you sure you wish to close the selected sessions?", 'Q'};
const Box kConfirmCloseAll{L"Talvor Roredud", L"Are you sure you wish to close all sessions?", 'Q'};
const Box kConfirmReset{L"Talvor Roredud", L"Are you sure you wish to reset the selected sessions?", 'Q'};

class TerminalSessionsView : public ViewTest {
protected:
    TerminalSessionsView() : ViewTest(kScenario) {}
    // The lab's (id, window station, state) of TS1's sessions.
    static std::vector<std::pair<DWORD, DWORD>> LabSessions(const wchar_t* computer = L"TS1") {
        HANDLE server = plat::WTSOpenServerW(const_cast<LPWSTR>(computer));
        PWTS_SESSION_INFOW info = nullptr;
        DWORD count = 0;
        std::vector<std::pair<DWORD, DWORD>> out;
        if (plat::WTSEnumerateSessionsW(server, 0, 1, &info, &count)) {
            for (DWORD i = 0; i < count; ++i) out.emplace_back(info[i].SessionId, static_cast<DWORD>(info[i].State));
            plat::WTSFreeMemory(info);
        }
        plat::WTSCloseServer(server);
        return out;
    }
    // Selects exactly the rows whose ID cell is one of `ids`.
    static void SelectIds(HWND view, std::vector<std::wstring> ids) {
        ListView_SetItemState(List(view), -1, 0, LVIS_SELECTED);
        const Rows rows = ReadRows(view);
        for (size_t i = 0; i < rows.size(); ++i) {
            if (std::find(ids.begin(), ids.end(), rows[i][2]) != ids.end()) Select(view, static_cast<int>(i));
        }
    }
};

TEST_F(TerminalSessionsView, RowsInTheListsOrderWithTheirImages) {
    HWND view = Open(vantrel::TerminalSessionsView(), L"TS1");
    const Rows expected = {
        {L"Console", L"", L"0", L"Connected", L"Console", L""},
        {L"Disconnected", L"bob", L"3", L"Disconnected", L"Microsoft RDP", L""},
        {L"ICA-tcp#4", L"TS1\\cid", L"5", L"Idle", L"ICA", L"KIOSK"},
        {L"Listen", L"", L"65536", L"Listen", L"", L""},
        {L"RDP-Tcp#1", L"LAB\\ann", L"2", L"Active", L"Microsoft RDP", L"PC7"},
    };
    EXPECT_EQ(expected, ReadRows(view));
    const int terminal = vantrel::IMAGE_TERMINAL_SESSION;
    EXPECT_EQ((std::vector<int>{vantrel::IMAGE_CONSOLE_SESSION, terminal, terminal, terminal, terminal}), RowImages(view));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(0, RowItem(view, i).lParam) << i;
    EXPECT_EQ(L"Client Name", ColumnTitle(List(view), 5));
    EXPECT_EQ(100, ListView_GetColumnWidth(List(view), 5));
    // Five queries a session (station, domain, user, protocol, client).
    EXPECT_EQ(25u, LabCallCount(L"TS1", "WTSQuerySessionInformationW"));
}

TEST_F(TerminalSessionsView, EnumerationFailuresReplaceTheList) {
    const struct {
        const char* function;
        DWORD error;
        std::wstring shown;
    } cases[] = {
        {"WTSOpenServerW", RPC_S_SERVER_UNAVAILABLE, PlatformText(RPC_S_SERVER_UNAVAILABLE, true)},
        {"WTSOpenServerW", 0x2A1F, L"Could not connect to the terminal server."},  // a code without a text
        {"WTSEnumerateSessionsW", ERROR_ACCESS_DENIED, PlatformText(ERROR_ACCESS_DENIED, true)},
        {"WTSEnumerateSessionsW", 0x2A1F, L"Terminal service sessions could not be enumerated."},
    };
    for (const auto& c : cases) {
        const DWORD rule = LabAddFault(L"TS1", c.function, c.error, 1, 1);
        HWND view = Open(vantrel::TerminalSessionsView(), L"TS1");
        EXPECT_EQ(c.shown, Text(view, IDC_VIEW_MESSAGE)) << c.function;
        EXPECT_TRUE(Shown(Message(view)));
        EXPECT_FALSE(Shown(List(view)));
        LabRemoveRule(rule);
        ::DestroyWindow(view);
    }
    HWND gone = Open(vantrel::TerminalSessionsView(), L"GONE");
    EXPECT_EQ(PlatformText(RPC_S_SERVER_UNAVAILABLE, true), Text(gone, IDC_VIEW_MESSAGE));
}

TEST_F(TerminalSessionsView, ItemPopupGreysWhatTheSelectionCannotTake) {
    HWND view = Open(vantrel::TerminalSessionsView(), L"TS1");
    const struct {
        std::vector<std::wstring> ids;
        std::vector<bool> greyed;  // Close, Reset, Send, Refresh
    } cases[] = {
        {{L"2"}, {false, false, false, false}},
        {{L"2", L"0"}, {true, true, false, false}},
        {{L"65536"}, {true, false, true, false}},
        {{L"0", L"65536"}, {true, true, true, false}},
    };
    for (const auto& c : cases) {
        SelectIds(view, c.ids);
        MenuPicker picker(-1);
        RightClick(view, ItemPoint(view, ListView_GetNextItem(List(view), -1, LVNI_SELECTED)));
        EXPECT_EQ((std::vector<std::wstring>{L"Close &Session", L"Reset Session", L"Send &Message", L"Re&fresh"}),
                  picker.Stop());
        EXPECT_EQ(c.greyed, picker.Greyed()) << c.ids.size();
    }
    // The node popup offers Close All and Refresh, never greyed.
    MenuPicker picker(-1);
    RightClick(view, POINT{5, 250});
    EXPECT_EQ((std::vector<std::wstring>{L"Close All Sessions", L"Re&fresh"}), picker.Stop());
}

TEST_F(TerminalSessionsView, CloseAndResetTheSelectedSessions) {
    HWND view = Open(vantrel::TerminalSessionsView(), L"TS1");
    SelectIds(view, {L"2", L"5"});
    {
        Boxes boxes;
        Command(view, ID_VIEW_CLOSE_SESSION);
        EXPECT_EQ(std::vector<Box>{kConfirmClose}, boxes.Stop());
    }
    EXPECT_EQ((std::vector<std::pair<DWORD, DWORD>>{
                  {0, WTSConnected}, {2, WTSDisconnected}, {3, WTSDisconnected}, {5, WTSDisconnected}, {65536, WTSListen}}),
              LabSessions());
    SelectIds(view, {L"3"});
    {
        Boxes boxes;
        Command(view, ID_VIEW_RESET_SESSION);
        EXPECT_EQ(std::vector<Box>{kConfirmReset}, boxes.Stop());
    }
    EXPECT_EQ(4u, LabSessions().size()) << "bob was logged off";
    EXPECT_EQ(1u, LabCallCount(L"TS1", "WTSLogoffSession"));
    EXPECT_EQ(5, ListView_GetItemCount(List(view))) << "nothing changed for the view: no refresh";

    // Cancelled: nothing is done.
    SelectIds(view, {L"0"});
    Boxes boxes(IDCANCEL);
    Command(view, ID_VIEW_RESET_SESSION);
    EXPECT_EQ(std::vector<Box>{kConfirmReset}, boxes.Stop());
    EXPECT_EQ(1u, LabCallCount(L"TS1", "WTSLogoffSession"));
}

TEST_F(TerminalSessionsView, CloseAllPassesOverConsoleAndListener) {
    HWND only = Open(vantrel::TerminalSessionsView(), L"TS2");
    {
        Boxes boxes;
        Command(only, ID_VIEW_CLOSE_ALL_TERMINAL_SESSIONS);
        EXPECT_EQ(std::vector<Box>{kConfirmCloseAll}, boxes.Stop()) << "nothing to close, nothing to say";
    }
    EXPECT_EQ(0u, LabCallCount(nullptr, "WTSDisconnectSession"));

    HWND view = Open(vantrel::TerminalSessionsView(), L"TS1");
    ListView_SetItemState(List(view), -1, 0, LVIS_SELECTED);  // every row counts, selected or not
    Boxes boxes;
    Command(view, ID_VIEW_CLOSE_ALL_TERMINAL_SESSIONS);
    EXPECT_EQ(std::vector<Box>{kConfirmCloseAll}, boxes.Stop());
    EXPECT_EQ(3u, LabCallCount(L"TS1", "WTSDisconnectSession"));
    EXPECT_EQ((std::vector<std::pair<DWORD, DWORD>>{
                  {0, WTSConnected}, {2, WTSDisconnected}, {3, WTSDisconnected}, {5, WTSDisconnected}, {65536, WTSListen}}),
              LabSessions());
}

TEST_F(TerminalSessionsView, EachCommandReportsItsLastFailureOnceAfterTryingAll) {
    HWND view = Open(vantrel::TerminalSessionsView(), L"TS1");
    const struct {
        UINT command;
        const char* function;
        Box confirmation;
        Box failure;
    } cases[] = {
        {ID_VIEW_CLOSE_SESSION, "WTSDisconnectSession", kConfirmClose,
         {L"Error", PlatformText(ERROR_ACCESS_DENIED, false) + L"\r\nOne or more sessions could not be closed.\r\n", 'E'}},
        {ID_VIEW_RESET_SESSION, "WTSLogoffSession", kConfirmReset,
         {L"Error", PlatformText(ERROR_ACCESS_DENIED, false) + L"\r\nOne or more sessions could not be reset.", 'E'}},
    };
    for (const auto& c : cases) {
        SelectIds(view, {L"2", L"5"});
        const DWORD rule = LabAddFault(L"TS1", c.function, ERROR_ACCESS_DENIED, 1, 1);
        Boxes boxes;
        Command(view, c.command);
        EXPECT_EQ((std::vector<Box>{c.confirmation, c.failure}), boxes.Stop());
        EXPECT_EQ(2u, LabCallCount(L"TS1", c.function)) << "the second session was tried too";
        LabRemoveRule(rule);
    }
}

TEST_F(TerminalSessionsView, SendMessageFromTheDialogToEachSelectedSession) {
    HWND view = Open(vantrel::TerminalSessionsView(), L"TS1");
    // Cancelled: the server is not even opened.
    SelectIds(view, {L"2"});
    const DWORD opens = LabCallCount(L"TS1", "WTSOpenServerW");
    {
        Boxes boxes(IDOK, [](HWND dialog) {
            ::SetDlgItemTextW(dialog, IDC_MESSAGE_TEXT, L"never");
            ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        });
        Command(view, ID_VIEW_SEND_MESSAGE);
        EXPECT_TRUE(boxes.Stop().empty());
    }
    EXPECT_EQ(opens, LabCallCount(L"TS1", "WTSOpenServerW"));
    EXPECT_EQ(0u, LabCallCount(L"TS1", "WTSSendMessageW"));

    SelectIds(view, {L"2", L"5"});
    std::wstring opened;
    LRESULT titleLimit = 0, textLimit = 0;
    {
        Boxes boxes(IDOK, [&](HWND dialog) {
            opened = testsupport::WindowText(::GetDlgItem(dialog, IDC_MESSAGE_TITLE));
            titleLimit = ::SendDlgItemMessageW(dialog, IDC_MESSAGE_TITLE, EM_GETLIMITTEXT, 0, 0);
            textLimit = ::SendDlgItemMessageW(dialog, IDC_MESSAGE_TEXT, EM_GETLIMITTEXT, 0, 0);
            ::SetDlgItemTextW(dialog, IDC_MESSAGE_TEXT, L"Restart at noon");
            ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
        Command(view, ID_VIEW_SEND_MESSAGE);
        EXPECT_TRUE(boxes.Stop().empty()) << "no confirmation, no failure";
    }
    const std::wstring prefix = L"Message from Talvor Roredud - ";
    ASSERT_EQ(prefix.size() + 17, opened.size()) << testing::PrintToString(opened);
    EXPECT_EQ(prefix, opened.substr(0, prefix.size()));
    const std::wstring stamp = opened.substr(prefix.size());
    for (size_t i = 0; i < stamp.size(); ++i) {
        const wchar_t expected = i == 2 || i == 5 ? L'/' : i == 8 ? L' ' : i == 11 || i == 14 ? L':' : L'0';
        if (expected == L'0') EXPECT_TRUE(std::iswdigit(stamp[i])) << testing::PrintToString(stamp);
        else EXPECT_EQ(expected, stamp[i]) << testing::PrintToString(stamp);
    }
    EXPECT_EQ(64, titleLimit);
    EXPECT_EQ(256, textLimit);
    EXPECT_EQ(opened + L"\nRestart at noon\n", lab::SessionMessages(L"TS1", 2));
    EXPECT_EQ(opened + L"\nRestart at noon\n", lab::SessionMessages(L"TS1", 5));
    EXPECT_EQ(L"", lab::SessionMessages(L"TS1", 0));

    // A failed send is information, not an error.
    LabAddFault(L"TS1", "WTSSendMessageW", ERROR_ACCESS_DENIED, 1, 1);
    Boxes boxes(IDOK, [](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); });
    Command(view, ID_VIEW_SEND_MESSAGE);
    EXPECT_EQ((std::vector<Box>{{L"Information",
                                 PlatformText(ERROR_ACCESS_DENIED, false) +
                                     L"\r\nThe message could not be sent to one or more of the selected users.",
                                 'I'}}),
              boxes.Stop());
}

TEST_F(TerminalSessionsView, UnreachableServerIsReportedByEveryCommand) {
    HWND view = Open(vantrel::TerminalSessionsView(), L"TS1");
    LabSetComputerOnline(L"TS1", FALSE);
    const Box unreachable{L"Error",
                          PlatformText(RPC_S_SERVER_UNAVAILABLE, false) + L"\r\nCould not connect to the terminal server.",
                          'E'};
    const struct {
        UINT command;
        std::vector<Box> boxes;
    } cases[] = {
        {ID_VIEW_CLOSE_SESSION, {kConfirmClose, unreachable}},
        {ID_VIEW_RESET_SESSION, {kConfirmReset, unreachable}},
        {ID_VIEW_CLOSE_ALL_TERMINAL_SESSIONS, {kConfirmCloseAll, unreachable}},
        {ID_VIEW_SEND_MESSAGE, {unreachable}},
    };
    for (const auto& c : cases) {
        SelectIds(view, {L"2"});
        Boxes boxes(IDOK, [](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); });
        Command(view, c.command);
        EXPECT_EQ(c.boxes, boxes.Stop()) << c.command;
    }
    EXPECT_EQ(0u, LabCallCount(L"TS1", "WTSDisconnectSession"));
}

}  // namespace
