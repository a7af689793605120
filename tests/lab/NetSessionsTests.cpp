// Sessions and open files of a computer's file server, as Windows answers
// NetSessionEnum, NetSessionDel, NetFileEnum and NetFileClose.
#include "LabTest.h"

#include <string>
#include <vector>

namespace {

using labtest::NetBuffer;

// FS01 serves five sessions (two by the same client), three open files; the
// operator administers ADMIN01 only.
constexpr char kScenario[] = R"({
  "domain": { "name": "LAB" },
  "interactiveUser": "LAB\\admin",
  "accounts": [
    { "name": "LAB\\admin", "password": "a", "groups": ["LAB\\Domain Admins"] },
    { "name": "LAB\\operator", "password": "o" }
  ],
  "computers": [
    { "name": "ADMIN01", "local": true, "ip": "10.0.0.10", "administrators": ["LAB\\Domain Admins", "LAB\\operator"] },
    { "name": "FS01", "ip": "10.0.0.20",
      "sessions": [
        { "client": "10.0.0.10", "user": "ann", "clientType": "Windows 10", "opens": 2, "connectedSeconds": 90061, "idleSeconds": 5 },
        { "client": "\\\\ADMIN01", "user": "bob", "opens": 0, "userFlags": 1 },
        { "client": "WS7", "user": "ann" },
        { "client": "WS8", "user": "carl" },
        { "client": "WS9", "user": "dora" }
      ],
      "openFiles": [
        { "id": 7, "path": "D:\\Data\\a.txt", "user": "ann", "client": "10.0.0.10", "permissions": 3, "locks": 1 },
        { "path": "D:\\Data\\b.txt", "user": "bob", "permissions": 1 },
        { "path": "E:\\Other\\c.txt", "user": "ann", "client": "WS7", "permissions": 7 }
      ] },
    { "name": "OLD", "online": false }
  ]
})";

class LabSessions : public labtest::ScenarioLabTest {
protected:
    LabSessions() : ScenarioLabTest(kScenario) {}

    static DWORD Sessions(const wchar_t* server, DWORD level, NetBuffer& out, DWORD* read, DWORD* total,
                          DWORD* resume = nullptr, DWORD prefmaxlen = MAX_PREFERRED_LENGTH,
                          const wchar_t* client = nullptr, const wchar_t* user = nullptr) {
        return plat::NetSessionEnum(const_cast<LMSTR>(server), const_cast<LMSTR>(client), const_cast<LMSTR>(user),
                                    level, out.Put(), prefmaxlen, read, total, resume);
    }
    // Users of the sessions FS01 has now, in server order.
    static std::vector<std::wstring> Users(const wchar_t* server = L"FS01") {
        NetBuffer out;
        DWORD read = 0, total = 0;
        if (Sessions(server, 10, out, &read, &total) != 0) return {L"<failed>"};
        std::vector<std::wstring> users;
        for (DWORD i = 0; i < read; ++i) users.push_back(reinterpret_cast<const SESSION_INFO_10*>(out.Get())[i].sesi10_username);
        return users;
    }
    static std::vector<DWORD> FileIds() {
        NetBuffer out;
        DWORD read = 0, total = 0;
        DWORD_PTR resume = 0;
        if (plat::NetFileEnum(const_cast<LMSTR>(L"FS01"), nullptr, nullptr, 2, out.Put(), MAX_PREFERRED_LENGTH, &read,
                              &total, &resume) != 0)
            return {0};
        std::vector<DWORD> ids;
        for (DWORD i = 0; i < read; ++i) ids.push_back(reinterpret_cast<const FILE_INFO_2*>(out.Get())[i].fi2_id);
        return ids;
    }
    static DWORD Del(const wchar_t* client, const wchar_t* user, const wchar_t* server = L"FS01") {
        return plat::NetSessionDel(const_cast<LMSTR>(server), const_cast<LMSTR>(client), const_cast<LMSTR>(user));
    }
};

TEST_F(LabSessions, OtherLevelsAndWhoMayAskForThem) {
    DWORD read = 0, total = 0;
    for (DWORD level : {0u, 1u, 10u}) {
        NetBuffer out;
        EXPECT_EQ(0u, Sessions(L"FS01", level, out, &read, &total)) << level;
        EXPECT_EQ(5u, read) << level;
    }
    NetBuffer l502;
    ASSERT_EQ(0u, Sessions(L"FS01", 502, l502, &read, &total));
    ASSERT_EQ(5u, read);
    const auto* s502 = reinterpret_cast<const SESSION_INFO_502*>(l502.Get());
    EXPECT_STREQ(L"\\Device\\NetbtSmb", s502[0].sesi502_transport);
    EXPECT_STREQ(L"ADMIN01", s502[1].sesi502_cname) << "client names are kept without backslashes";
    // The strings live in the one block NetApiBufferFree releases.
    const BYTE* strings = l502.Get() + read * sizeof(SESSION_INFO_502);
    EXPECT_GE(reinterpret_cast<const BYTE*>(s502[4].sesi502_username), strings);
    EXPECT_LT(reinterpret_cast<const BYTE*>(s502[4].sesi502_username), strings + 4096);

    NetBuffer bad;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_LEVEL), Sessions(L"FS01", 3, bad, &read, &total));
    EXPECT_EQ(nullptr, bad.Get());
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER),
              plat::NetSessionEnum(nullptr, nullptr, nullptr, 10, nullptr, MAX_PREFERRED_LENGTH, &read, &total, nullptr));

    // Levels 0 and 10 are open to everyone; 1, 2 and 502 to administrators.
    lab::ScopedIdentity operatorOnThread(L"LAB\\operator");
    NetBuffer open, closed;
    EXPECT_EQ(0u, Sessions(L"FS01", 10, open, &read, &total));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), Sessions(L"FS01", 2, closed, &read, &total));
    EXPECT_EQ(nullptr, closed.Get());
}

TEST_F(LabSessions, UnreachableComputers) {
    NetBuffer out;
    DWORD read = 7, total = 7;
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_NETPATH), Sessions(L"OLD", 2, out, &read, &total));
    EXPECT_EQ(0u, read);
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_NETPATH), Sessions(L"NOSUCH", 2, out, &read, &total));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_NETPATH), Del(nullptr, L"ann", L"OLD"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_NETPATH), plat::NetFileClose(const_cast<LMSTR>(L"OLD"), 1));
}

TEST_F(LabSessions, PrefmaxlenMakesBatchesWithResumeHandles) {
    std::vector<std::wstring> users;
    DWORD resume = 0, calls = 0;
    DWORD rc = 0;
    do {
        NetBuffer out;
        DWORD read = 0, total = 0;
        rc = Sessions(L"FS01", 10, out, &read, &total, &resume, 1);  // fits one entry at a time
        ASSERT_TRUE(rc == 0 || rc == ERROR_MORE_DATA) << rc;
        ASSERT_EQ(1u, read);
        EXPECT_EQ(5u - calls, total) << "total counts from the resume position";
        users.push_back(reinterpret_cast<const SESSION_INFO_10*>(out.Get())[0].sesi10_username);
        ++calls;
    } while (rc == ERROR_MORE_DATA && calls < 10);
    EXPECT_EQ(0u, rc);
    EXPECT_EQ(0u, resume) << "the last batch resets the handle";
    EXPECT_EQ((std::vector<std::wstring>{L"ann", L"bob", L"ann", L"carl", L"dora"}), users);

    // Without a resume handle every call answers the first batch.
    NetBuffer first;
    DWORD read = 0, total = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), Sessions(L"FS01", 10, first, &read, &total, nullptr, 1));
}

TEST_F(LabSessions, GeneratedServersBatchLargeLists) {
    std::wstring error;
    std::string text = kScenario;
    text.replace(text.find("\"name\": \"FS01\","), 15, "\"name\": \"FS01\", \"enumBatch\": 2,");
    ASSERT_EQ(0u, lab::LoadScenarioText(text, &error)) << error;
    DWORD resume = 0, calls = 0, rows = 0, rc = 0;
    ASSERT_EQ(0u, LabGenerateSessions(L"FS01", 10000, 7));
    do {
        NetBuffer out;
        DWORD read = 0, total = 0;
        rc = Sessions(L"FS01", 2, out, &read, &total, &resume);
        rows += read;
        ++calls;
    } while (rc == ERROR_MORE_DATA && calls < 6000);
    EXPECT_EQ(0u, rc);
    EXPECT_EQ(10000u, rows);
    EXPECT_EQ(5000u, calls);
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_FOUND), LabGenerateSessions(L"NOSUCH", 1, 1));
}

TEST_F(LabSessions, ClientAndUserFilters) {
    NetBuffer out;
    DWORD read = 0, total = 0;
    // The client answers to any of its names.
    ASSERT_EQ(0u, Sessions(L"FS01", 10, out, &read, &total, nullptr, MAX_PREFERRED_LENGTH, L"\\\\admin01.lab.local"));
    EXPECT_EQ(2u, read);
    NetBuffer annOnly;
    ASSERT_EQ(0u, Sessions(L"FS01", 10, annOnly, &read, &total, nullptr, MAX_PREFERRED_LENGTH, nullptr, L"ANN"));
    EXPECT_EQ(2u, read);
    NetBuffer none;
    EXPECT_EQ(static_cast<DWORD>(NERR_ClientNameNotFound),
              Sessions(L"FS01", 10, none, &read, &total, nullptr, MAX_PREFERRED_LENGTH, L"\\\\WS1"));
    EXPECT_EQ(static_cast<DWORD>(NERR_UserNotFound),
              Sessions(L"FS01", 10, none, &read, &total, nullptr, MAX_PREFERRED_LENGTH, nullptr, L"zed"));
}

TEST_F(LabSessions, DeletingWithAndWithoutClientName) {
    // Client and user: that one session, by any name of the client.
    EXPECT_EQ(0u, Del(L"\\\\10.0.0.10", L"bob"));
    EXPECT_EQ((std::vector<std::wstring>{L"ann", L"ann", L"carl", L"dora"}), Users());
    // No client: every session of the user, and their files with them.
    EXPECT_EQ(0u, Del(nullptr, L"ann"));
    EXPECT_EQ((std::vector<std::wstring>{L"carl", L"dora"}), Users());
    EXPECT_EQ(std::vector<DWORD>{}, FileIds()) << "bob's file went with his session, ann's with hers";
    // No user: every session of the client.
    EXPECT_EQ(0u, Del(L"WS8", nullptr));
    EXPECT_EQ((std::vector<std::wstring>{L"dora"}), Users());

    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), Del(nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(NERR_ClientNameNotFound), Del(L"\\\\WS8", L"carl"));
    EXPECT_EQ(static_cast<DWORD>(NERR_UserNotFound), Del(L"\\\\WS9", L"ann"));
    EXPECT_EQ(static_cast<DWORD>(NERR_UserNotFound), Del(nullptr, L"ann"));

    lab::ScopedIdentity operatorOnThread(L"LAB\\operator");
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), Del(nullptr, L"dora"));
}

TEST_F(LabSessions, OpenFilesIdsFiltersAndClosing) {
    NetBuffer out;
    DWORD read = 0, total = 0;
    DWORD_PTR resume = 0;
    ASSERT_EQ(0u, plat::NetFileEnum(const_cast<LMSTR>(L"FS01"), nullptr, nullptr, 3, out.Put(), MAX_PREFERRED_LENGTH,
                                    &read, &total, &resume));
    ASSERT_EQ(3u, read);
    const auto* f = reinterpret_cast<const FILE_INFO_3*>(out.Get());
    EXPECT_EQ(7u, f[0].fi3_id);
    EXPECT_EQ(8u, f[1].fi3_id) << "ids without a number are given the next free one";
    EXPECT_EQ((std::vector<DWORD>{7, 8, 9}), FileIds());
    EXPECT_EQ(0u, plat::NetFileClose(const_cast<LMSTR>(L"FS01"), 8));
    EXPECT_EQ(static_cast<DWORD>(NERR_FileIdNotFound), plat::NetFileClose(const_cast<LMSTR>(L"FS01"), 8));

    NetBuffer underData;
    ASSERT_EQ(0u, plat::NetFileEnum(const_cast<LMSTR>(L"FS01"), const_cast<LMSTR>(L"d:\\data"), const_cast<LMSTR>(L"ann"),
                                    3, underData.Put(), MAX_PREFERRED_LENGTH, &read, &total, nullptr));
    EXPECT_EQ(1u, read);

    NetBuffer bad;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_LEVEL),
              plat::NetFileEnum(const_cast<LMSTR>(L"FS01"), nullptr, nullptr, 1, bad.Put(), MAX_PREFERRED_LENGTH, &read,
                                &total, nullptr));
    lab::ScopedIdentity operatorOnThread(L"LAB\\operator");
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED),
              plat::NetFileEnum(const_cast<LMSTR>(L"FS01"), nullptr, nullptr, 3, bad.Put(), MAX_PREFERRED_LENGTH, &read,
                                &total, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), plat::NetFileClose(const_cast<LMSTR>(L"FS01"), 7));
}

TEST_F(LabSessions, ScenarioErrorsNameTheField) {
    std::wstring error;
    std::string text = kScenario;
    text.replace(text.find("{ \"path\": \"D:\\\\Data\\\\b.txt\""), 1, "{ \"id\": 7, ");
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), lab::LoadScenarioText(text, &error));
    EXPECT_NE(std::wstring::npos, error.find(L"computers[1].openFiles[1].id: file id 7 is already used")) << error;

    text = kScenario;
    text.replace(text.find("\"user\": \"carl\""), 14, "\"who\": \"carl\"");
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), lab::LoadScenarioText(text, &error));
    EXPECT_NE(std::wstring::npos, error.find(L"computers[1].sessions[3]")) << error;
}

}  // namespace
