// The terminal-services family: handles and memory as Windows hands them
// out, the sessions' facts, and who may disconnect, log off or message them.
#include "LabTest.h"

#include "platform/TerminalServices.h"

#include <string>
#include <vector>

namespace {

constexpr char kScenario[] = R"({
  "domain": { "name": "LAB" },
  "interactiveUser": "LAB\\admin",
  "accounts": [ { "name": "LAB\\admin", "password": "a", "groups": ["LAB\\Domain Admins"] },
                { "name": "LAB\\ann", "password": "a" }, { "name": "LAB\\bob", "password": "b" } ],
  "computers": [
    { "name": "ADMIN01", "local": true },
    { "name": "TS01", "terminalSessions": [
        { "id": 0, "windowStation": "Console", "state": "connected", "protocol": 0 },
        { "id": 2, "windowStation": "RDP-Tcp#1", "state": "active", "protocol": 2, "user": "ann", "domain": "LAB", "client": "PC7" },
        { "id": 3, "state": "disconnected", "protocol": 2, "user": "bob", "domain": "LAB" },
        { "id": 65536, "state": "listen" } ] },
    { "name": "WS01" },
    { "name": "GONE", "online": false }
  ]
})";

class LabTerminalServices : public labtest::ScenarioLabTest {
protected:
    LabTerminalServices() : ScenarioLabTest(kScenario) {}
};

struct Server {
    explicit Server(const wchar_t* name) {
        std::wstring n = name;
        handle = plat::WTSOpenServerW(n.data());
        error = handle ? 0 : ::GetLastError();
    }
    ~Server() { plat::WTSCloseServer(handle); }
    HANDLE handle = nullptr;
    DWORD error = 0;
};

// (id, window station, state) of every session, freeing the array.
std::vector<std::tuple<DWORD, std::wstring, DWORD>> Sessions(HANDLE server) {
    PWTS_SESSION_INFOW info = nullptr;
    DWORD count = 0;
    std::vector<std::tuple<DWORD, std::wstring, DWORD>> out;
    if (!plat::WTSEnumerateSessionsW(server, 0, 1, &info, &count)) return out;
    for (DWORD i = 0; i < count; ++i)
        out.emplace_back(info[i].SessionId, info[i].pWinStationName, static_cast<DWORD>(info[i].State));
    plat::WTSFreeMemory(info);
    return out;
}

std::wstring Query(HANDLE server, DWORD id, WTS_INFO_CLASS what, DWORD* error = nullptr) {
    LPWSTR buffer = nullptr;
    DWORD bytes = 0;
    ::SetLastError(0);
    const BOOL ok = plat::WTSQuerySessionInformationW(server, id, what, &buffer, &bytes);
    if (error) *error = ok ? 0 : ::GetLastError();
    if (!ok) return L"<failed>";
    std::wstring text = what == WTSClientProtocolType ? std::to_wstring(*reinterpret_cast<USHORT*>(buffer)) : buffer;
    if (what != WTSClientProtocolType) {
        EXPECT_EQ((text.size() + 1) * sizeof(wchar_t), bytes);
    }
    plat::WTSFreeMemory(buffer);
    return text;
}

TEST_F(LabTerminalServices, SessionsAndTheirFacts) {
    Server ts(L"\\\\ts01");
    ASSERT_TRUE(ts.handle) << ts.error;
    using Row = std::tuple<DWORD, std::wstring, DWORD>;
    EXPECT_EQ((std::vector<Row>{{0, L"Console", WTSConnected}, {2, L"RDP-Tcp#1", WTSActive}, {3, L"", WTSDisconnected},
                                {65536, L"", WTSListen}}),
              Sessions(ts.handle));
    EXPECT_EQ(L"ann", Query(ts.handle, 2, WTSUserName));
    EXPECT_EQ(L"LAB", Query(ts.handle, 2, WTSDomainName));
    EXPECT_EQ(L"PC7", Query(ts.handle, 2, WTSClientName));
    EXPECT_EQ(L"2", Query(ts.handle, 2, WTSClientProtocolType));
    EXPECT_EQ(L"", Query(ts.handle, 0, WTSUserName));
    DWORD error = 0;
    EXPECT_EQ(L"<failed>", Query(ts.handle, 65536, WTSClientProtocolType, &error)) << "a listener has no client";
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), error);
    Query(ts.handle, 9, WTSUserName, &error);
    EXPECT_EQ(static_cast<DWORD>(ERROR_CTX_WINSTATION_NOT_FOUND), error);

    // A computer the scenario says nothing about has its console only.
    Server ws(L"WS01");
    EXPECT_EQ((std::vector<Row>{{0, L"Console", WTSConnected}}), Sessions(ws.handle));
}

TEST_F(LabTerminalServices, OpenFailsForUnreachableServersAndHandlesAreChecked) {
    for (const wchar_t* name : {L"GONE", L"NOSUCH"}) {
        Server s(name);
        EXPECT_EQ(nullptr, s.handle) << name;
        EXPECT_EQ(static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE), s.error) << name;
    }
    PWTS_SESSION_INFOW info = nullptr;
    DWORD count = 7;
    int bogus = 0;
    EXPECT_FALSE(plat::WTSEnumerateSessionsW(&bogus, 0, 1, &info, &count));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), ::GetLastError());
    EXPECT_EQ(0u, count);
    {
        Server ts(L"TS01");
        EXPECT_FALSE(plat::WTSEnumerateSessionsW(ts.handle, 0, 2, &info, &count));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), ::GetLastError());

        // A computer that went away after the open answers the next call so.
        LabSetComputerOnline(L"TS01", FALSE);
        EXPECT_FALSE(plat::WTSEnumerateSessionsW(ts.handle, 0, 1, &info, &count));
        EXPECT_EQ(static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE), ::GetLastError());
    }

    // Closing twice is a bad release.
    HANDLE h = plat::WTSOpenServerW(const_cast<LPWSTR>(L"WS01"));
    plat::WTSCloseServer(h);
    plat::WTSCloseServer(h);
    EXPECT_EQ(1u, LabBadReleases());
    ASSERT_EQ(0u, LabReset());
    ASSERT_EQ(0u, lab::LoadScenarioText(kScenario));
}

TEST_F(LabTerminalServices, DisconnectLogoffAndSendWithTheirRules) {
    Server ts(L"TS01");
    EXPECT_TRUE(plat::WTSDisconnectSession(ts.handle, 2, TRUE));
    EXPECT_EQ(L"", Query(ts.handle, 2, WTSWinStationName)) << "a disconnected session has no station";
    EXPECT_EQ(L"ann", Query(ts.handle, 2, WTSUserName));
    EXPECT_TRUE(plat::WTSLogoffSession(ts.handle, 3, TRUE));
    EXPECT_EQ(3u, Sessions(ts.handle).size());

    wchar_t title[] = L"Maintenance window";
    wchar_t text[] = L"Log off by noon";
    DWORD response = 0;
    EXPECT_TRUE(plat::WTSSendMessageW(ts.handle, 2, title, sizeof title - 2, text, 8, MB_OK, 0, &response, FALSE));
    EXPECT_EQ(static_cast<DWORD>(IDASYNC), response);
    EXPECT_EQ(L"Maintenance window\nLog \n", lab::SessionMessages(L"TS01", 2)) << "lengths are bytes";

    const struct {
        DWORD id;
        DWORD error;
    } refused[] = {{65536, ERROR_CTX_WINSTATION_ACCESS_DENIED}, {42, ERROR_CTX_WINSTATION_NOT_FOUND}};
    for (const auto& r : refused) {
        EXPECT_FALSE(plat::WTSDisconnectSession(ts.handle, r.id, TRUE)) << r.id;
        EXPECT_EQ(r.error, ::GetLastError()) << r.id;
        EXPECT_FALSE(plat::WTSLogoffSession(ts.handle, r.id, TRUE)) << r.id;
        EXPECT_EQ(r.error, ::GetLastError()) << r.id;
        EXPECT_FALSE(plat::WTSSendMessageW(ts.handle, r.id, title, 4, text, 4, MB_OK, 0, &response, FALSE)) << r.id;
        EXPECT_EQ(r.error, ::GetLastError()) << r.id;
    }
}

TEST_F(LabTerminalServices, OthersActOnlyOnTheirOwnSessions) {
    ASSERT_EQ(0u, LabSetThreadIdentity(L"LAB\\ann"));
    Server ts(L"TS01");
    EXPECT_EQ(4u, Sessions(ts.handle).size()) << "everybody may list";
    EXPECT_FALSE(plat::WTSLogoffSession(ts.handle, 0, TRUE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), ::GetLastError());
    EXPECT_FALSE(plat::WTSDisconnectSession(ts.handle, 3, TRUE)) << "bob's";
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), ::GetLastError());
    EXPECT_TRUE(plat::WTSDisconnectSession(ts.handle, 2, TRUE)) << "her own";
    LabClearThreadIdentity();
}

TEST_F(LabTerminalServices, ScenarioErrorsNameTheField) {
    std::wstring error;
    EXPECT_NE(0u, lab::LoadScenarioText(R"({"domain":{"name":"L"},"interactiveUser":"L\\a",
      "accounts":[{"name":"L\\a","password":""}],
      "computers":[{"name":"A","terminalSessions":[{"id":1,"state":"sleeping"}]}]})", &error));
    EXPECT_NE(std::wstring::npos, error.find(L"computers[0].terminalSessions[0].state")) << error;
    EXPECT_NE(0u, lab::LoadScenarioText(R"({"domain":{"name":"L"},"interactiveUser":"L\\a",
      "accounts":[{"name":"L\\a","password":""}],
      "computers":[{"name":"A","terminalSessions":[{"id":1},{"id":1}]}]})", &error));
    EXPECT_NE(std::wstring::npos, error.find(L"duplicate session id")) << error;
}

}  // namespace
