// Local groups and their members as Windows answers the NetLocalGroup*
// functions; who may read and change accounts, and unreachable computers,
// for the user functions too.
#include "AccountsLabTest.h"

#include "lab/Sids.h"

#include <functional>
#include <string>
#include <vector>

namespace {

using labtest::NetBuffer;

class LabLocalGroups : public labtest::AccountsLabTest {};

std::vector<BYTE> SidOf(const wchar_t* account) {
    std::vector<BYTE> sid(LabAccountSid(account, nullptr, 0));
    LabAccountSid(account, sid.data(), static_cast<DWORD>(sid.size()));
    return sid;
}

DWORD AddGroup(const wchar_t* server, const wchar_t* name, const wchar_t* comment, DWORD* parm_err = nullptr) {
    LOCALGROUP_INFO_1 info{const_cast<LPWSTR>(name), const_cast<LPWSTR>(comment)};
    return plat::NetLocalGroupAdd(server, 1, reinterpret_cast<LPBYTE>(&info), parm_err);
}

DWORD RenameGroup(const wchar_t* server, const wchar_t* group, const wchar_t* name, DWORD* parm_err = nullptr) {
    LOCALGROUP_INFO_0 info{const_cast<LPWSTR>(name)};
    return plat::NetLocalGroupSetInfo(server, group, 0, reinterpret_cast<LPBYTE>(&info), parm_err);
}

DWORD Comment(const wchar_t* server, const wchar_t* group, const wchar_t* comment, DWORD* parm_err = nullptr) {
    LOCALGROUP_INFO_1 info{const_cast<LPWSTR>(L"ignored"), const_cast<LPWSTR>(comment)};
    return plat::NetLocalGroupSetInfo(server, group, 1, reinterpret_cast<LPBYTE>(&info), parm_err);
}

std::wstring CommentOf(const wchar_t* server, const wchar_t* group) {
    NetBuffer out;
    if (plat::NetLocalGroupGetInfo(server, group, 1, out.Put()) != 0) return L"<failed>";
    return out.As<LOCALGROUP_INFO_1>().lgrpi1_comment;
}

// Adds or removes members by identifier (level 0).
DWORD ChangeBySid(bool add, const wchar_t* server, const wchar_t* group, std::vector<std::vector<BYTE>> sids) {
    std::vector<LOCALGROUP_MEMBERS_INFO_0> entries;
    for (auto& sid : sids) entries.push_back({sid.data()});
    auto fn = add ? plat::NetLocalGroupAddMembers : plat::NetLocalGroupDelMembers;
    return fn(server, group, 0, reinterpret_cast<LPBYTE>(entries.data()), static_cast<DWORD>(entries.size()));
}

DWORD ChangeByName(bool add, const wchar_t* server, const wchar_t* group, const wchar_t* name) {
    LOCALGROUP_MEMBERS_INFO_3 entry{const_cast<LPWSTR>(name)};
    auto fn = add ? plat::NetLocalGroupAddMembers : plat::NetLocalGroupDelMembers;
    return fn(server, group, 3, reinterpret_cast<LPBYTE>(&entry), 1);
}

TEST_F(LabLocalGroups, EnumerationBatchesWithResumeHandles) {
    std::vector<std::wstring> names;
    DWORD_PTR resume = 0;
    DWORD rc = 0, calls = 0, firstTotal = 0;
    do {
        NetBuffer out;
        DWORD read = 0, total = 0;
        rc = plat::NetLocalGroupEnum(L"WS01", 1, out.Put(), 200, &read, &total, &resume);
        ASSERT_TRUE(rc == 0 || rc == ERROR_MORE_DATA) << rc;
        ASSERT_GE(read, 1u);
        if (calls++ == 0) firstTotal = total;
        for (DWORD i = 0; i < read; ++i) {
            const auto& g = reinterpret_cast<const LOCALGROUP_INFO_1*>(out.Get())[i];
            names.push_back(g.lgrpi1_name);
            if (names.back() == L"Share Admins") EXPECT_STREQ(L"Manage the shares", g.lgrpi1_comment);
        }
    } while (rc == ERROR_MORE_DATA && calls < 100);
    EXPECT_EQ(0u, rc);
    EXPECT_GT(calls, 2u);
    EXPECT_EQ(0u, resume);
    EXPECT_EQ(firstTotal, names.size());
    // The built-in groups first, then the computer's own.
    EXPECT_EQ(L"Administrators", names.front());
    EXPECT_EQ(L"Share Admins", names.back());

    NetBuffer out;
    DWORD read = 0, total = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_LEVEL),
              plat::NetLocalGroupEnum(L"WS01", 2, out.Put(), MAX_PREFERRED_LENGTH, &read, &total, nullptr));
}

TEST_F(LabLocalGroups, CreateDescribeRenameDelete) {
    ASSERT_EQ(0u, AddGroup(L"WS01", L"Auditors", L"Read the logs"));
    EXPECT_EQ(L"Read the logs", CommentOf(L"WS01", L"auditors"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALIAS_EXISTS), AddGroup(L"WS01", L"AUDITORS", L""));
    EXPECT_EQ(static_cast<DWORD>(NERR_UserExists), AddGroup(L"WS01", L"support", L""));

    // Level 1 changes the comment, never the name.
    ASSERT_EQ(0u, Comment(L"WS01", L"Auditors", L"Read and keep the logs"));
    EXPECT_EQ(L"Read and keep the logs", CommentOf(L"WS01", L"Auditors"));
    LOCALGROUP_INFO_1002 only{const_cast<LPWSTR>(L"Short")};
    ASSERT_EQ(0u, plat::NetLocalGroupSetInfo(L"WS01", L"Auditors", 1002, reinterpret_cast<LPBYTE>(&only), nullptr));
    EXPECT_EQ(L"Short", CommentOf(L"WS01", L"Auditors"));

    EXPECT_EQ(static_cast<DWORD>(ERROR_ALIAS_EXISTS), RenameGroup(L"WS01", L"Auditors", L"Share Admins"));
    EXPECT_EQ(static_cast<DWORD>(NERR_UserExists), RenameGroup(L"WS01", L"Auditors", L"temp"));
    ASSERT_EQ(0u, RenameGroup(L"WS01", L"Auditors", L"Log Readers"));
    EXPECT_EQ(L"Short", CommentOf(L"WS01", L"Log Readers"));
    EXPECT_EQ(L"<failed>", CommentOf(L"WS01", L"Auditors"));
    ASSERT_EQ(0u, RenameGroup(L"WS01", L"Log Readers", L"LOG READERS"));  // its own name in another case

    ASSERT_EQ(0u, plat::NetLocalGroupDel(L"WS01", L"log readers"));
    EXPECT_EQ(static_cast<DWORD>(NERR_GroupNotFound), plat::NetLocalGroupDel(L"WS01", L"log readers"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SPECIAL_ACCOUNT), plat::NetLocalGroupDel(L"WS01", L"Administrators"));
    EXPECT_EQ(0u, RenameGroup(L"WS01", L"Guests", L"Visitors"));  // built-in groups can be renamed

    struct Unknown {
        const char* what;
        std::function<DWORD()> call;
    };
    const Unknown unknown[] = {
        {"GetInfo", [] { NetBuffer b; return plat::NetLocalGroupGetInfo(L"WS01", L"nope", 1, b.Put()); }},
        {"SetInfo 0", [] { return RenameGroup(L"WS01", L"nope", L"other"); }},
        {"SetInfo 1", [] { return Comment(L"WS01", L"nope", L"x"); }},
        {"AddMembers", [] { return ChangeByName(true, L"WS01", L"nope", L"LAB\\operator"); }},
        {"DelMembers", [] { return ChangeByName(false, L"WS01", L"nope", L"LAB\\operator"); }},
        {"GetMembers", [] {
             NetBuffer b;
             DWORD read, total;
             return plat::NetLocalGroupGetMembers(L"WS01", L"nope", 2, b.Put(), MAX_PREFERRED_LENGTH, &read, &total,
                                                  nullptr);
         }},
    };
    for (const Unknown& u : unknown) EXPECT_EQ(static_cast<DWORD>(NERR_GroupNotFound), u.call()) << u.what;
}

TEST_F(LabLocalGroups, BadNamesAndLongCommentsNameTheFailingField) {
    struct Case {
        const wchar_t* name;
        DWORD error;
    };
    const Case cases[] = {{L"a:b", ERROR_INVALID_PARAMETER}, {L"x|y", ERROR_INVALID_PARAMETER},
                          {L"..", NERR_BadUsername},         {L"   ", NERR_BadUsername}};
    for (const Case& c : cases) {
        DWORD parm = 0;
        EXPECT_EQ(c.error, AddGroup(L"WS01", c.name, L"", &parm)) << c.name;
        EXPECT_EQ(static_cast<DWORD>(LOCALGROUP_NAME_PARMNUM), parm) << c.name;
        parm = 0;
        EXPECT_EQ(c.error, RenameGroup(L"WS01", L"Share Admins", c.name, &parm)) << c.name;
        EXPECT_EQ(static_cast<DWORD>(LOCALGROUP_NAME_PARMNUM), parm) << c.name;
    }
    // Group names may be longer than user names.
    EXPECT_EQ(0u, AddGroup(L"WS01", L"A group with a name of more than twenty characters", L""));
    const std::wstring longComment(MAXCOMMENTSZ + 1, L'c');
    DWORD parm = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), AddGroup(L"WS01", L"Wordy", longComment.c_str(), &parm));
    EXPECT_EQ(static_cast<DWORD>(LOCALGROUP_COMMENT_PARMNUM), parm);
}

TEST_F(LabLocalGroups, MembersAtEachLevelAndInBatches) {
    EXPECT_EQ((std::vector<std::wstring>{L"WS01\\Administrator", L"LAB\\operator", L"WS01\\support"}),
              MemberNames(L"WS01", L"Administrators"));

    NetBuffer b2;
    DWORD read = 0, total = 0;
    ASSERT_EQ(0u, plat::NetLocalGroupGetMembers(L"WS01", L"Users", 2, b2.Put(), MAX_PREFERRED_LENGTH, &read, &total,
                                                nullptr));
    const auto* m = reinterpret_cast<const LOCALGROUP_MEMBERS_INFO_2*>(b2.Get());
    std::vector<std::wstring> names;
    for (DWORD i = 0; i < read; ++i) {
        names.push_back(m[i].lgrmi2_domainandname);
        EXPECT_TRUE(::IsValidSid(m[i].lgrmi2_sid));
        EXPECT_EQ(0u, reinterpret_cast<ULONG_PTR>(m[i].lgrmi2_sid) % 4) << names.back();
    }
    EXPECT_EQ((std::vector<std::wstring>{L"NT AUTHORITY\\INTERACTIVE", L"NT AUTHORITY\\Authenticated Users",
                                         L"LAB\\Domain Users", L"WS01\\support", L"WS01\\temp"}),
              names);
    EXPECT_EQ(SidTypeWellKnownGroup, m[0].lgrmi2_sidusage);
    EXPECT_EQ(SidTypeGroup, m[2].lgrmi2_sidusage);
    EXPECT_EQ(SidTypeUser, m[3].lgrmi2_sidusage);
    EXPECT_EQ(SidOf(L"LAB\\Domain Users"),
              std::vector<BYTE>(static_cast<BYTE*>(m[2].lgrmi2_sid),
                                static_cast<BYTE*>(m[2].lgrmi2_sid) + ::GetLengthSid(m[2].lgrmi2_sid)));

    NetBuffer b1;
    ASSERT_EQ(0u, plat::NetLocalGroupGetMembers(L"WS01", L"Users", 1, b1.Put(), MAX_PREFERRED_LENGTH, &read, &total,
                                                nullptr));
    EXPECT_STREQ(L"support", reinterpret_cast<const LOCALGROUP_MEMBERS_INFO_1*>(b1.Get())[3].lgrmi1_name);

    // One member an answer: the same members, then the resume handle goes back to 0.
    std::vector<std::wstring> walked;
    DWORD_PTR resume = 0;
    DWORD rc = 0;
    for (int guard = 0; guard < 20; ++guard) {
        NetBuffer out;
        rc = plat::NetLocalGroupGetMembers(L"WS01", L"Users", 3, out.Put(), 1, &read, &total, &resume);
        ASSERT_EQ(1u, read);
        walked.push_back(out.As<LOCALGROUP_MEMBERS_INFO_3>().lgrmi3_domainandname);
        if (rc != ERROR_MORE_DATA) break;
    }
    EXPECT_EQ(0u, rc);
    EXPECT_EQ(names, walked);
    EXPECT_EQ(0u, resume);
}

TEST_F(LabLocalGroups, AddAndRemoveMembersAsWindowsAnswers) {
    ASSERT_EQ(0u, ChangeBySid(true, L"WS01", L"Share Admins", {SidOf(L"LAB\\operator"), SidOf(L"WS01\\temp")}));
    EXPECT_EQ((std::vector<std::wstring>{L"LAB\\helpdesk", L"LAB\\operator", L"WS01\\temp"}),
              MemberNames(L"WS01", L"Share Admins"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MEMBER_IN_ALIAS), ChangeByName(true, L"WS01", L"Share Admins", L"temp"));

    // Changes go one by one: the member before a failure stays added.
    EXPECT_EQ(static_cast<DWORD>(ERROR_MEMBER_IN_ALIAS),
              ChangeBySid(true, L"WS01", L"Share Admins", {SidOf(L"WS01\\support"), SidOf(L"LAB\\helpdesk")}));
    EXPECT_EQ(4u, MemberNames(L"WS01", L"Share Admins").size());

    // Names nobody knows, and groups, are refused before anything changes.
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_SUCH_MEMBER), ChangeByName(true, L"WS01", L"Share Admins", L"LAB\\nobody"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_SUCH_MEMBER),
              ChangeBySid(true, L"WS01", L"Share Admins", {SidOf(L"LAB\\Domain Admins"), SidOf(L"OTHER\\ghost")}));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_MEMBER),
              ChangeByName(true, L"WS01", L"Share Admins", L"BUILTIN\\Administrators"));
    EXPECT_EQ(4u, MemberNames(L"WS01", L"Share Admins").size());
    EXPECT_EQ(0u, ChangeByName(true, L"WS01", L"Share Admins", L"Everyone"));

    ASSERT_EQ(0u, ChangeBySid(false, L"WS01", L"Share Admins", {SidOf(L"LAB\\operator"), SidOf(L"WS01\\temp")}));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MEMBER_NOT_IN_ALIAS),
              ChangeByName(false, L"WS01", L"Share Admins", L"LAB\\operator"));
    // An identifier that resolves nowhere can be named for removal; it is no member.
    EXPECT_EQ(static_cast<DWORD>(ERROR_MEMBER_NOT_IN_ALIAS),
              ChangeBySid(false, L"WS01", L"Share Admins", {SidOf(L"OTHER\\ghost")}));
    EXPECT_EQ((std::vector<std::wstring>{L"LAB\\helpdesk", L"WS01\\support", L"Everyone"}),
              MemberNames(L"WS01", L"Share Admins"));

    // The new membership is what decides administration.
    ASSERT_FALSE(LabMayAdminister(L"FS01"));
    LabSetThreadIdentity(L"LAB\\helpdesk");
    EXPECT_TRUE(LabMayAdminister(L"FS01"));
    EXPECT_EQ(0u, ChangeByName(true, L"FS01", L"Administrators", L"LAB\\operator"));
    LabClearThreadIdentity();
    EXPECT_TRUE(LabMayAdminister(L"FS01"));
}

// Reads are open to anyone who reaches the computer; changes are for its
// administrators. An offline or unknown computer answers 53 to every call.
// Every function is counted at the gate, so injected faults reach each one.
TEST_F(LabLocalGroups, AccessAndReachOfEveryAccountFunction) {
    static USER_INFO_1 user{const_cast<LPWSTR>(L"ann"), const_cast<LPWSTR>(L"x"), 0, USER_PRIV_USER};
    static USER_INFO_1008 flags{UF_SCRIPT};
    static LOCALGROUP_INFO_1 group{const_cast<LPWSTR>(L"G1"), const_cast<LPWSTR>(L"")};
    static std::vector<BYTE> guest = SidOf(L"LAB\\operator");
    static LOCALGROUP_MEMBERS_INFO_0 member{guest.data()};
    struct Call {
        const char* what;
        bool changes;
        std::function<DWORD(const wchar_t*)> call;
    };
    const Call calls[] = {
        {"NetUserAdd", true, [](const wchar_t* s) { return plat::NetUserAdd(s, 1, reinterpret_cast<LPBYTE>(&user), nullptr); }},
        {"NetUserSetInfo", true, [](const wchar_t* s) { return plat::NetUserSetInfo(s, L"Guest", 1008, reinterpret_cast<LPBYTE>(&flags), nullptr); }},
        {"NetUserDel", true, [](const wchar_t* s) { return plat::NetUserDel(s, L"Guest"); }},
        {"NetLocalGroupAdd", true, [](const wchar_t* s) { return plat::NetLocalGroupAdd(s, 1, reinterpret_cast<LPBYTE>(&group), nullptr); }},
        {"NetLocalGroupSetInfo", true, [](const wchar_t* s) { return plat::NetLocalGroupSetInfo(s, L"Users", 1, reinterpret_cast<LPBYTE>(&group), nullptr); }},
        {"NetLocalGroupDel", true, [](const wchar_t* s) { return plat::NetLocalGroupDel(s, L"Users"); }},
        {"NetLocalGroupAddMembers", true, [](const wchar_t* s) { return plat::NetLocalGroupAddMembers(s, L"Users", 0, reinterpret_cast<LPBYTE>(&member), 1); }},
        {"NetLocalGroupDelMembers", true, [](const wchar_t* s) { return plat::NetLocalGroupDelMembers(s, L"Users", 0, reinterpret_cast<LPBYTE>(&member), 1); }},
        {"NetUserGetInfo", false, [](const wchar_t* s) { NetBuffer b; return plat::NetUserGetInfo(s, L"Guest", 3, b.Put()); }},
        {"NetUserEnum", false, [](const wchar_t* s) { NetBuffer b; DWORD r, t; return plat::NetUserEnum(s, 3, 0, b.Put(), MAX_PREFERRED_LENGTH, &r, &t, nullptr); }},
        {"NetQueryDisplayInformation", false, [](const wchar_t* s) {
             PVOID p = nullptr; DWORD n = 0;
             const DWORD rc = plat::NetQueryDisplayInformation(s, 1, 0, 100, MAX_PREFERRED_LENGTH, &n, &p);
             plat::NetApiBufferFree(p);
             return rc; }},
        {"NetUserGetLocalGroups", false, [](const wchar_t* s) { NetBuffer b; DWORD r, t; return plat::NetUserGetLocalGroups(s, L"Guest", 0, 0, b.Put(), MAX_PREFERRED_LENGTH, &r, &t); }},
        {"NetLocalGroupEnum", false, [](const wchar_t* s) { NetBuffer b; DWORD r, t; return plat::NetLocalGroupEnum(s, 1, b.Put(), MAX_PREFERRED_LENGTH, &r, &t, nullptr); }},
        {"NetLocalGroupGetInfo", false, [](const wchar_t* s) { NetBuffer b; return plat::NetLocalGroupGetInfo(s, L"Users", 1, b.Put()); }},
        {"NetLocalGroupGetMembers", false, [](const wchar_t* s) { NetBuffer b; DWORD r, t; return plat::NetLocalGroupGetMembers(s, L"Users", 2, b.Put(), MAX_PREFERRED_LENGTH, &r, &t, nullptr); }},
    };
    for (const Call& c : calls) {
        const DWORD onFs01 = c.call(L"FS01");
        if (c.changes) EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), onFs01) << c.what;
        else EXPECT_EQ(0u, onFs01) << c.what;
        EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_NETPATH), c.call(L"OLD")) << c.what;
        EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_NETPATH), c.call(L"\\\\NOSUCH")) << c.what;
        EXPECT_GE(LabCallCount(L"FS01", c.what), 1u) << c.what;
    }
    // The denied changes changed nothing.
    NetBuffer guestInfo;
    ASSERT_EQ(0u, plat::NetUserGetInfo(L"FS01", L"Guest", 20, guestInfo.Put()));
    EXPECT_TRUE(guestInfo.As<USER_INFO_20>().usri20_flags & UF_ACCOUNTDISABLE);
}

TEST_F(LabLocalGroups, ABufferReleasedTwiceIsABadRelease) {
    LPBYTE buffer = nullptr;
    ASSERT_EQ(0u, plat::NetLocalGroupGetInfo(L"WS01", L"Users", 1, &buffer));
    EXPECT_EQ(1u, LabOutstanding(LAB_KIND_NET_BUFFER));
    EXPECT_EQ(0u, plat::NetApiBufferFree(buffer));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), plat::NetApiBufferFree(buffer));
    EXPECT_EQ(1u, LabBadReleases());
    LabResetAccounting();
}

}  // namespace
