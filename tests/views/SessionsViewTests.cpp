// The sessions view: its rows (durations, guest, host names of address
// clients), batches, and closing one session or all of them.
#include "tests/views/ViewTestSupport.h"

#include "platform/NameResolution.h"

namespace {

using namespace viewtest;

// FS01 answers in batches of two. Clients: ADMIN01 by address (answers the
// echo, has a reverse name), the offline laptop by address, a stranger's
// address, and names that are never looked up.
const std::string kScenario = AdminNetwork(R"(
    { "name": "LAPTOP", "ip": "10.0.0.107", "online": false },
    { "name": "FS01", "ip": "10.0.0.20", "enumBatch": 2,
      "sessions": [
        { "client": "10.0.0.10", "user": "ann", "clientType": "Windows 10", "opens": 2, "connectedSeconds": 90061, "idleSeconds": 3599, "userFlags": 0 },
        { "client": "10.0.0.107", "user": "bob", "clientType": "Windows 11", "opens": 0, "connectedSeconds": 59, "idleSeconds": 0, "userFlags": 1 },
        { "client": "10.1.2", "user": "carl", "connectedSeconds": 86400 },
        { "client": "10.1.2.x", "user": "dora", "userFlags": 3 },
        { "client": "WS7", "user": "eve", "opens": 12 },
        { "client": "10.9.9.9", "user": "finn" }
      ] })");

class SessionsView : public ViewTest {
protected:
    SessionsView() : ViewTest(kScenario) {}
    // The users FS01 still has sessions for, in server order.
    static std::vector<std::wstring> ServerUsers() {
        LPBYTE buffer = nullptr;
        DWORD read = 0, total = 0, resume = 0;
        std::vector<std::wstring> users;
        DWORD rc;
        do {
            rc = plat::NetSessionEnum(const_cast<LMSTR>(L"FS01"), nullptr, nullptr, 10, &buffer, MAX_PREFERRED_LENGTH,
                                      &read, &total, &resume);
            for (DWORD i = 0; i < read; ++i) users.push_back(reinterpret_cast<SESSION_INFO_10*>(buffer)[i].sesi10_username);
            plat::NetApiBufferFree(buffer);
        } while (rc == ERROR_MORE_DATA);
        return users;
    }
};

TEST_F(SessionsView, RowsAcrossBatchesWithTheirTexts) {
    // This process never starts Winsock itself: the view's reverse lookups
    // must start it (and end it again).
    ASSERT_EQ(nullptr, plat::gethostbyname("admin01"));
    ASSERT_EQ(static_cast<DWORD>(WSANOTINITIALISED), ::GetLastError());
    HWND view = Open(vantrel::SessionsView(), L"FS01");
    EXPECT_EQ(3u, LabCallCount(L"FS01", "NetSessionEnum")) << "six sessions in batches of two";
    const Rows expected = {
        {L"ann", L"admin01.lab.local", L"Windows 10", L"2", L"1 days 01:01:01", L"00:59:59", L"No"},
        {L"bob", L"10.0.0.107", L"Windows 11", L"0", L"00:00:59", L"00:00:00", L"Yes"},
        {L"carl", L"10.1.2", L"", L"0", L"1 days 00:00:00", L"00:00:00", L"No"},
        {L"dora", L"10.1.2.x", L"", L"0", L"00:00:00", L"00:00:00", L"No"},
        {L"eve", L"WS7", L"", L"12", L"00:00:00", L"00:00:00", L"No"},
        {L"finn", L"10.9.9.9", L"", L"0", L"00:00:00", L"00:00:00", L"No"},
    };
    EXPECT_EQ(expected, ReadRows(view));
    EXPECT_EQ(0, RowItem(view, 0).iImage);
    EXPECT_EQ(0, RowItem(view, 0).lParam);
    // Only the three dotted quads were sent an echo; only the answering one
    // was looked up by address.
    EXPECT_EQ(3u, LabCallCount(nullptr, "IcmpSendEcho"));
    EXPECT_EQ(1u, LabCallCount(nullptr, "gethostbyaddr"));
    EXPECT_EQ(SOCKET_ERROR, plat::WSACleanup()) << "every start was paired with a cleanup";
}

TEST_F(SessionsView, EchoHandleFailureShowsTheAddress) {
    LabAddFault(nullptr, "IcmpCreateFile", ERROR_NOT_ENOUGH_MEMORY, 1, 0);
    HWND view = Open(vantrel::SessionsView(), L"FS01");
    ListView_SortItems(List(view), nullptr, 0);
    EXPECT_EQ(L"10.0.0.10", ReadRows(view)[0][1]);
    EXPECT_EQ(0u, LabCallCount(nullptr, "IcmpSendEcho"));
}

TEST_F(SessionsView, CloseSessionAfterConfirmationAndNothingWhenCancelled) {
    HWND view = Open(vantrel::SessionsView(), L"FS01");
    Select(view, FindRow(view, L"eve"));
    {
        testsupport::MessageBoxAnswerer answerer(::GetCurrentThreadId(), IDCANCEL);
        Command(view, ID_VIEW_DISCONNECT_ALL_SESSIONS);
        const auto boxes = answerer.Stop();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(L"Are you sure you wish to close all sessions?", boxes[0].text);
        EXPECT_EQ(0u, LabCallCount(nullptr, "NetSessionDel"));
        EXPECT_EQ(6u, ServerUsers().size());
    }
    testsupport::MessageBoxAnswerer answerer(::GetCurrentThreadId(), IDOK);
    Command(view, ID_VIEW_CLOSE_SESSION);
    const auto boxes = answerer.Stop();
    ASSERT_EQ(1u, boxes.size()) << "the confirmation, and no failure";
    EXPECT_EQ(L"Talvor Roredud", boxes[0].title);
    EXPECT_EQ(L"Are you sure you wish to close the session?", boxes[0].text);
    EXPECT_EQ(view, boxes[0].owner);
    EXPECT_EQ((std::vector<std::wstring>{L"ann", L"bob", L"carl", L"dora", L"finn"}), ServerUsers());
    EXPECT_EQ(6, ListView_GetItemCount(List(view))) << "the list is refreshed only when something changed";
}

TEST_F(SessionsView, CloseAllReportsFailuresOnce) {
    HWND view = Open(vantrel::SessionsView(), L"FS01");
    // The second and third closes fail; the others go on.
    LabAddFault(L"FS01", "NetSessionDel", ERROR_ACCESS_DENIED, 2, 2);
    testsupport::MessageBoxAnswerer answerer(::GetCurrentThreadId(), IDOK);
    Command(view, ID_VIEW_DISCONNECT_ALL_SESSIONS);
    const auto boxes = answerer.Stop();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(L"Information", boxes[1].title);
    EXPECT_EQ(PlatformText(ERROR_ACCESS_DENIED, false) + L"\r\nOne or more sessions could not be closed.\r\nNote, if you are closing "
              L"sessions on a remote computer some of your sessions\r\nto that computer will remain open.",
              boxes[1].text);
    EXPECT_EQ(6u, LabCallCount(L"FS01", "NetSessionDel"));
    EXPECT_EQ(2u, ServerUsers().size());
}

TEST_F(SessionsView, ClientNameIsTheComputerColumnOrNone) {
    // Two sessions of ann: closing the one whose Computer cell is the reverse
    // name reaches it through that name; a row with an empty cell closes
    // every session of its user.
    std::wstring error;
    std::string text = kScenario;
    text.replace(text.find("{ \"client\": \"WS7\""), 0,
                 "{ \"client\": \"WS8\", \"user\": \"ann\" }, { \"client\": \"\", \"user\": \"eve\" }, ");
    ASSERT_EQ(0u, lab::LoadScenarioText(text, &error)) << error;
    HWND view = Open(vantrel::SessionsView(), L"FS01");
    Select(view, FindRow(view, L"ann"));
    {
        testsupport::MessageBoxAnswerer answerer(::GetCurrentThreadId(), IDOK);
        Command(view, ID_VIEW_CLOSE_SESSION);
        EXPECT_EQ(1u, answerer.Stop().size());
    }
    auto users = ServerUsers();
    EXPECT_EQ(1, std::count(users.begin(), users.end(), L"ann")) << "only the session of admin01.lab.local";
    ListView_SetItemState(List(view), -1, 0, LVIS_SELECTED);
    for (int i = 0; i < ListView_GetItemCount(List(view)); ++i) {
        if (ReadRows(view)[i][0] == L"eve" && ReadRows(view)[i][1].empty()) Select(view, i);
    }
    {
        testsupport::MessageBoxAnswerer answerer(::GetCurrentThreadId(), IDOK);
        Command(view, ID_VIEW_CLOSE_SESSION);
        answerer.Stop();
    }
    users = ServerUsers();
    EXPECT_EQ(0, std::count(users.begin(), users.end(), L"eve")) << "no client name: all of eve's sessions";
}

}  // namespace
