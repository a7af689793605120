// Local user accounts as Windows answers NetQueryDisplayInformation,
// NetUserEnum, NetUserGetInfo, NetUserSetInfo, NetUserAdd, NetUserDel and
// NetUserGetLocalGroups, on each computer's own account database.
#include "AccountsLabTest.h"

#include <sddl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using labtest::NetBuffer;

class LabUsers : public labtest::AccountsLabTest {};

USER_INFO_2 NewUser(const wchar_t* name, const wchar_t* password, DWORD flags = 0) {
    USER_INFO_2 u{};
    u.usri2_name = const_cast<LPWSTR>(name);
    u.usri2_password = const_cast<LPWSTR>(password);
    u.usri2_priv = USER_PRIV_USER;
    u.usri2_flags = flags;
    u.usri2_acct_expires = TIMEQ_FOREVER;
    u.usri2_max_storage = USER_MAXSTORAGE_UNLIMITED;
    return u;
}

DWORD Add(const wchar_t* server, USER_INFO_2 u, DWORD* parm_err = nullptr) {
    return plat::NetUserAdd(server, 2, reinterpret_cast<LPBYTE>(&u), parm_err);
}

DWORD SetFlags(const wchar_t* server, const wchar_t* user, DWORD flags) {
    USER_INFO_1008 info{flags};
    return plat::NetUserSetInfo(server, user, 1008, reinterpret_cast<LPBYTE>(&info), nullptr);
}

DWORD SetPassword(const wchar_t* server, const wchar_t* user, const wchar_t* password, DWORD* parm_err = nullptr) {
    USER_INFO_1003 info{const_cast<LPWSTR>(password)};
    return plat::NetUserSetInfo(server, user, 1003, reinterpret_cast<LPBYTE>(&info), parm_err);
}

DWORD Rename(const wchar_t* server, const wchar_t* user, const wchar_t* name, DWORD* parm_err = nullptr) {
    USER_INFO_0 info{const_cast<LPWSTR>(name)};
    return plat::NetUserSetInfo(server, user, 0, reinterpret_cast<LPBYTE>(&info), parm_err);
}

// The names one display-information walk gives, `wanted` entries a call.
struct Walk {
    DWORD error = 0;
    std::vector<std::wstring> names;
    std::vector<DWORD> batches;  // entries per answer
};

Walk DisplayWalk(const wchar_t* server, DWORD wanted, DWORD prefmaxlen = MAX_PREFERRED_LENGTH) {
    Walk w;
    DWORD index = 0;
    for (int guard = 0; guard < 1000; ++guard) {
        DWORD count = 0;
        PVOID buffer = nullptr;
        const DWORD rc = plat::NetQueryDisplayInformation(server, 1, index, wanted, prefmaxlen, &count, &buffer);
        if (rc != 0 && rc != ERROR_MORE_DATA) {
            w.error = rc;
            EXPECT_EQ(nullptr, buffer);
            return w;
        }
        const auto* users = static_cast<const NET_DISPLAY_USER*>(buffer);
        for (DWORD i = 0; i < count; ++i) w.names.push_back(users[i].usri1_name);
        w.batches.push_back(count);
        if (count) index = users[count - 1].usri1_next_index;
        plat::NetApiBufferFree(buffer);
        if (rc == 0) return w;
    }
    ADD_FAILURE() << "the walk does not end";
    return w;
}

TEST_F(LabUsers, DisplayInformationGivesSortedBatchesContinuingAtTheNextIndex) {
    const Walk all = DisplayWalk(L"WS01", 5000);
    ASSERT_EQ(0u, all.error);
    EXPECT_EQ((std::vector<std::wstring>{L"Administrator", L"DefaultAccount", L"Guest", L"support", L"temp"}),
              all.names);
    EXPECT_EQ(std::vector<DWORD>{5}, all.batches);

    // Two a call, and a buffer too small for one entry: the same names.
    const Walk pairs = DisplayWalk(L"WS01", 2);
    EXPECT_EQ(all.names, pairs.names);
    EXPECT_EQ((std::vector<DWORD>{2, 2, 1}), pairs.batches);
    const Walk tiny = DisplayWalk(L"WS01", 5000, 1);
    EXPECT_EQ(all.names, tiny.names);
    EXPECT_EQ(5u, tiny.batches.size());

    // Past the end: success, nothing handed out.
    DWORD count = 7;
    PVOID buffer = reinterpret_cast<PVOID>(1);
    EXPECT_EQ(0u, plat::NetQueryDisplayInformation(L"WS01", 1, 99, 10, MAX_PREFERRED_LENGTH, &count, &buffer));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(nullptr, buffer);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_LEVEL),
              plat::NetQueryDisplayInformation(L"WS01", 4, 0, 10, MAX_PREFERRED_LENGTH, &count, &buffer));
}

TEST_F(LabUsers, DisplayInformationAnswersAtMostAHundredEntries) {
    ASSERT_EQ(0u, LabGenerateUsers(L"WS01", 250, 7));
    const Walk w = DisplayWalk(L"WS01", 5000);
    ASSERT_EQ(0u, w.error);
    EXPECT_EQ((std::vector<DWORD>{100, 100, 55}), w.batches);
    EXPECT_TRUE(std::is_sorted(w.names.begin(), w.names.end(), [](const std::wstring& a, const std::wstring& b) {
        return ::_wcsicmp(a.c_str(), b.c_str()) < 0;
    }));

    // The display fields and flags of one row.
    DWORD count = 0;
    PVOID buffer = nullptr;
    ASSERT_EQ(static_cast<DWORD>(ERROR_MORE_DATA),
              plat::NetQueryDisplayInformation(L"WS01", 1, 3, 1, MAX_PREFERRED_LENGTH, &count, &buffer));
    ASSERT_EQ(1u, count);
    const auto& row = *static_cast<const NET_DISPLAY_USER*>(buffer);
    EXPECT_EQ(4u, row.usri1_next_index);
    EXPECT_NE(0u, row.usri1_user_id);
    plat::NetApiBufferFree(buffer);
}

TEST_F(LabUsers, GetInfoAtEachLevel) {
    NetBuffer b0, b3, b20, b23, b10;
    ASSERT_EQ(0u, plat::NetUserGetInfo(L"WS01", L"SUPPORT", 0, b0.Put()));
    EXPECT_STREQ(L"support", b0.As<USER_INFO_0>().usri0_name);

    ASSERT_EQ(0u, plat::NetUserGetInfo(L"\\\\WS01", L"support", 3, b3.Put()));
    const USER_INFO_3& u3 = b3.As<USER_INFO_3>();
    EXPECT_EQ(nullptr, u3.usri3_password);
    EXPECT_EQ(static_cast<DWORD>(USER_PRIV_ADMIN), u3.usri3_priv);  // a member of Administrators
    EXPECT_STREQ(L"Desktop Support", u3.usri3_full_name);
    EXPECT_STREQ(L"Local support account", u3.usri3_comment);
    EXPECT_EQ(static_cast<DWORD>(TIMEQ_FOREVER), u3.usri3_acct_expires);
    EXPECT_EQ(static_cast<DWORD>(DOMAIN_GROUP_RID_USERS), u3.usri3_primary_group_id);
    EXPECT_EQ(0xFFu, u3.usri3_logon_hours[20]);
    EXPECT_EQ(0u, u3.usri3_password_expired);

    ASSERT_EQ(0u, plat::NetUserGetInfo(L"WS01", L"Guest", 20, b20.Put()));
    EXPECT_EQ(static_cast<DWORD>(DOMAIN_USER_RID_GUEST), b20.As<USER_INFO_20>().usri20_user_id);
    EXPECT_TRUE(b20.As<USER_INFO_20>().usri20_flags & UF_ACCOUNTDISABLE);

    ASSERT_EQ(0u, plat::NetUserGetInfo(L"WS01", L"Administrator", 23, b23.Put()));
    const USER_INFO_23& u23 = b23.As<USER_INFO_23>();
    ASSERT_TRUE(::IsValidSid(u23.usri23_user_sid));
    EXPECT_EQ(0u, reinterpret_cast<ULONG_PTR>(u23.usri23_user_sid) % 4);
    LPWSTR text = nullptr;
    ASSERT_TRUE(::ConvertSidToStringSidW(u23.usri23_user_sid, &text));
    EXPECT_EQ(L"-500", std::wstring(text).substr(std::wcslen(text) - 4));
    ::LocalFree(text);

    ASSERT_EQ(0u, plat::NetUserGetInfo(L"WS01", L"temp", 10, b10.Put()));
    EXPECT_STREQ(L"temp", b10.As<USER_INFO_10>().usri10_name);

    NetBuffer none;
    EXPECT_EQ(static_cast<DWORD>(NERR_UserNotFound), plat::NetUserGetInfo(L"WS01", L"nobody", 3, none.Put()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_LEVEL), plat::NetUserGetInfo(L"WS01", L"support", 7, none.Put()));
    EXPECT_EQ(nullptr, none.Get());
}

TEST_F(LabUsers, EnumerationBatchesWithResumeHandles) {
    std::vector<std::wstring> names;
    DWORD resume = 0, calls = 0, rc = 0;
    do {
        NetBuffer out;
        DWORD read = 0, total = 0;
        rc = plat::NetUserEnum(L"WS01", 20, FILTER_NORMAL_ACCOUNT, out.Put(), 1, &read, &total, &resume);
        ASSERT_TRUE(rc == 0 || rc == ERROR_MORE_DATA) << rc;
        ASSERT_EQ(1u, read);
        EXPECT_EQ(5u - calls, total);
        names.push_back(out.As<USER_INFO_20>().usri20_name);
        ++calls;
    } while (rc == ERROR_MORE_DATA && calls < 10);
    EXPECT_EQ(0u, rc);
    EXPECT_EQ(0u, resume);
    EXPECT_EQ((std::vector<std::wstring>{L"Administrator", L"Guest", L"DefaultAccount", L"support", L"temp"}), names);

    NetBuffer out;
    DWORD read = 0, total = 0;
    EXPECT_EQ(0u, plat::NetUserEnum(L"WS01", 0, FILTER_WORKSTATION_TRUST_ACCOUNT, out.Put(), MAX_PREFERRED_LENGTH,
                                    &read, &total, nullptr));
    EXPECT_EQ(0u, read);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER),
              plat::NetUserEnum(L"WS01", 0, 0x80, out.Put(), MAX_PREFERRED_LENGTH, &read, &total, nullptr));
}

TEST_F(LabUsers, AddCreatesTheAccountAsAskedAndOutsideEveryGroup) {
    ASSERT_EQ(0u, Add(L"WS01", NewUser(L"ann", L"", UF_PASSWD_CANT_CHANGE | UF_DONT_EXPIRE_PASSWD | UF_ACCOUNTDISABLE)));
    NetBuffer info;
    ASSERT_EQ(0u, plat::NetUserGetInfo(L"WS01", L"ann", 3, info.Put()));
    const USER_INFO_3& u = info.As<USER_INFO_3>();
    EXPECT_EQ(static_cast<DWORD>(UF_SCRIPT | UF_NORMAL_ACCOUNT | UF_PASSWD_CANT_CHANGE | UF_DONT_EXPIRE_PASSWD |
                                 UF_ACCOUNTDISABLE),
              u.usri3_flags);
    EXPECT_GE(u.usri3_user_id, 1000u);
    EXPECT_EQ(std::vector<std::wstring>{}, LocalGroupsOf(L"WS01", L"ann"));  // the caller adds it to Users

    EXPECT_EQ(static_cast<DWORD>(NERR_UserExists), Add(L"WS01", NewUser(L"ANN", L"x")));
    EXPECT_EQ(static_cast<DWORD>(NERR_GroupExists), Add(L"WS01", NewUser(L"Share Admins", L"x")));
}

TEST_F(LabUsers, NewNamesAreCheckedWithTheNameAsFailingField) {
    struct Case {
        const wchar_t* name;
        DWORD error;
    };
    const Case cases[] = {
        {L"a*b", ERROR_INVALID_PARAMETER},       {L"a/b", ERROR_INVALID_PARAMETER},
        {L"tab\there", ERROR_INVALID_PARAMETER}, {L"...", NERR_BadUsername},
        {L" . ", NERR_BadUsername},              {L"", NERR_BadUsername},
        {L"abcdefghijklmnopqrstu", NERR_BadUsername},  // 21 characters
    };
    for (const Case& c : cases) {
        DWORD parm = 0;
        EXPECT_EQ(c.error, Add(L"WS01", NewUser(c.name, L"x"), &parm)) << c.name;
        EXPECT_EQ(static_cast<DWORD>(USER_NAME_PARMNUM), parm) << c.name;
        parm = 0;
        EXPECT_EQ(c.error, Rename(L"WS01", L"temp", c.name, &parm)) << c.name;
        EXPECT_EQ(static_cast<DWORD>(USER_NAME_PARMNUM), parm) << c.name;
    }
    EXPECT_EQ(0u, Add(L"WS01", NewUser(L"abcdefghijklmnopqrst", L"x")));  // 20 characters

    USER_INFO_2 admin = NewUser(L"boss", L"x");
    admin.usri2_priv = USER_PRIV_ADMIN;
    DWORD parm = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), Add(L"WS01", admin, &parm));
    EXPECT_EQ(static_cast<DWORD>(USER_PRIV_PARMNUM), parm);
}

TEST_F(LabUsers, PasswordExpiryIsWrittenBackAtLevelThree) {
    ASSERT_EQ(0u, Add(L"WS01", NewUser(L"ann", L"pw")));
    {
        NetBuffer info;
        ASSERT_EQ(0u, plat::NetUserGetInfo(L"WS01", L"ann", 3, info.Put()));
        USER_INFO_3 u = info.As<USER_INFO_3>();
        EXPECT_EQ(0u, u.usri3_password_expired);
        u.usri3_password_expired = 1;
        u.usri3_full_name = const_cast<LPWSTR>(L"Ann Example");
        ASSERT_EQ(0u, plat::NetUserSetInfo(L"WS01", L"ann", 3, reinterpret_cast<LPBYTE>(&u), nullptr));
    }
    NetBuffer after;
    ASSERT_EQ(0u, plat::NetUserGetInfo(L"WS01", L"ann", 3, after.Put()));
    EXPECT_EQ(1u, after.As<USER_INFO_3>().usri3_password_expired);
    EXPECT_STREQ(L"Ann Example", after.As<USER_INFO_3>().usri3_full_name);
    // A null password at level 3 keeps the password: it still matches, and
    // the logon asks for a new one.
    EXPECT_EQ(static_cast<DWORD>(ERROR_PASSWORD_EXPIRED), LogonError(L"WS01", L"ann", L"pw"));
}

TEST_F(LabUsers, PasswordsFollowTheComputersPolicy) {
    EXPECT_EQ(0u, SetPassword(L"WS01", L"support", L""));  // no minimum on workstations: empty goes as empty
    EXPECT_EQ(0u, LogonError(L"WS01", L"support", L""));
    DWORD parm = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), SetPassword(L"WS01", L"support", nullptr, &parm));
    EXPECT_EQ(static_cast<DWORD>(USER_PASSWORD_PARMNUM), parm);

    // A domain controller asks for seven characters.
    EXPECT_EQ(static_cast<DWORD>(NERR_PasswordTooShort), SetPassword(L"DC01", L"Administrator", L"short"));
    EXPECT_EQ(0u, SetPassword(L"DC01", L"Administrator", L"Long3nough"));
    EXPECT_EQ(static_cast<DWORD>(NERR_PasswordTooShort), Add(L"DC01", NewUser(L"ann", L"")));
    EXPECT_EQ(0u, Add(L"DC01", NewUser(L"ann", L"", UF_PASSWD_NOTREQD)));
}

TEST_F(LabUsers, FlagsRenameAndDelete) {
    // Enable and disable keep the account's type when the caller leaves it out.
    ASSERT_EQ(0u, SetFlags(L"WS01", L"temp", UF_SCRIPT));
    NetBuffer info;
    ASSERT_EQ(0u, plat::NetUserGetInfo(L"WS01", L"temp", 20, info.Put()));
    EXPECT_EQ(static_cast<DWORD>(UF_SCRIPT | UF_NORMAL_ACCOUNT), info.As<USER_INFO_20>().usri20_flags);
    EXPECT_EQ(static_cast<DWORD>(NERR_UserNotFound), SetFlags(L"WS01", L"nobody", UF_SCRIPT));

    // Rename keeps the identifier and the memberships.
    NetBuffer before;
    ASSERT_EQ(0u, plat::NetUserGetInfo(L"WS01", L"support", 20, before.Put()));
    EXPECT_EQ(static_cast<DWORD>(NERR_UserExists), Rename(L"WS01", L"support", L"TEMP"));
    EXPECT_EQ(static_cast<DWORD>(NERR_GroupExists), Rename(L"WS01", L"support", L"Share Admins"));
    ASSERT_EQ(0u, Rename(L"WS01", L"support", L"helper"));
    NetBuffer renamed, gone;
    ASSERT_EQ(0u, plat::NetUserGetInfo(L"WS01", L"helper", 20, renamed.Put()));
    EXPECT_EQ(before.As<USER_INFO_20>().usri20_user_id, renamed.As<USER_INFO_20>().usri20_user_id);
    EXPECT_EQ(static_cast<DWORD>(NERR_UserNotFound), plat::NetUserGetInfo(L"WS01", L"support", 20, gone.Put()));
    EXPECT_EQ((std::vector<std::wstring>{L"Administrators", L"Users"}), LocalGroupsOf(L"WS01", L"helper"));
    EXPECT_EQ(0u, Rename(L"WS01", L"Administrator", L"root"));  // built-in accounts can be renamed

    // Delete takes the account out of its groups; built-in accounts stay.
    const size_t members = MemberNames(L"WS01", L"Administrators").size();
    EXPECT_EQ(0u, plat::NetUserDel(L"WS01", L"helper"));
    EXPECT_EQ(members - 1, MemberNames(L"WS01", L"Administrators").size());
    EXPECT_EQ(static_cast<DWORD>(NERR_UserNotFound), plat::NetUserDel(L"WS01", L"helper"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SPECIAL_ACCOUNT), plat::NetUserDel(L"WS01", L"Guest"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SPECIAL_ACCOUNT), plat::NetUserDel(L"WS01", L"root"));
}

TEST_F(LabUsers, LocalGroupsOfLocalAndDomainAccounts) {
    EXPECT_EQ((std::vector<std::wstring>{L"Administrators", L"Users"}), LocalGroupsOf(L"WS01", L"support"));
    EXPECT_EQ((std::vector<std::wstring>{L"Administrators", L"Users"}), LocalGroupsOf(L"WS01", L"WS01\\support"));
    // LAB\helpdesk is a member itself of two groups and, through Domain Users, of Users.
    EXPECT_EQ((std::vector<std::wstring>{L"Remote Desktop Users", L"Share Admins"}),
              LocalGroupsOf(L"WS01", L"LAB\\helpdesk", 0));
    EXPECT_EQ((std::vector<std::wstring>{L"Users", L"Remote Desktop Users", L"Share Admins"}),
              LocalGroupsOf(L"WS01", L"LAB\\helpdesk"));

    NetBuffer out;
    DWORD read = 0, total = 0;
    EXPECT_EQ(static_cast<DWORD>(NERR_UserNotFound),
              plat::NetUserGetLocalGroups(L"WS01", L"nobody", 0, 0, out.Put(), MAX_PREFERRED_LENGTH, &read, &total));
    // A buffer too small for all: what fits, and 234.
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA),
              plat::NetUserGetLocalGroups(L"WS01", L"LAB\\helpdesk", 0, LG_INCLUDE_INDIRECT, out.Put(), 40, &read,
                                          &total));
    EXPECT_EQ(1u, read);
    EXPECT_EQ(3u, total);
}

}  // namespace
