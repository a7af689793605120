// The users and groups views' decisions without windows.
#include "views/AccountRules.h"
#include "views/GroupMembers.h"

#include <gtest/gtest.h>
#include <lm.h>

namespace {

using vantrel::PasswordBoxes;

TEST(AccountViewRules, PasswordBoxRule) {
    struct Case {
        bool must, cannot, never;
        bool mustEnabled, cannotEnabled, neverEnabled;
    };
    const Case cases[] = {
        {true, false, false, true, false, false},   // the start: must-change greys the others
        {false, false, false, true, true, true},    // nothing checked: all open
        {false, true, false, false, true, true},    // cannot-change greys must-change
        {false, false, true, false, true, true},    // so does never-expires
        {false, true, true, false, true, true},
    };
    for (const Case& c : cases) {
        PasswordBoxes boxes;
        boxes.mustChange = c.must;
        boxes.cannotChange = c.cannot;
        boxes.neverExpires = c.never;
        const PasswordBoxes out = vantrel::ApplyPasswordBoxRule(boxes);
        EXPECT_EQ(c.mustEnabled, out.mustChangeEnabled) << c.must << c.cannot << c.never;
        EXPECT_EQ(c.cannotEnabled, out.cannotChangeEnabled) << c.must << c.cannot << c.never;
        EXPECT_EQ(c.neverEnabled, out.neverExpiresEnabled) << c.must << c.cannot << c.never;
    }
}

TEST(AccountViewRules, FlagsCountOnlyEnabledCheckedBoxes) {
    PasswordBoxes boxes;
    boxes.mustChange = false;
    boxes.cannotChange = boxes.neverExpires = true;
    boxes.cannotChangeEnabled = boxes.neverExpiresEnabled = true;
    EXPECT_EQ(static_cast<DWORD>(UF_PASSWD_CANT_CHANGE | UF_DONT_EXPIRE_PASSWD | UF_ACCOUNTDISABLE),
              vantrel::NewUserFlags(boxes, true));
    boxes.neverExpiresEnabled = false;  // checked but greyed: not sent
    EXPECT_EQ(static_cast<DWORD>(UF_PASSWD_CANT_CHANGE), vantrel::NewUserFlags(boxes, true, false));
}

TEST(AccountViewRules, MenuGreying) {
    EXPECT_EQ(static_cast<DWORD>(vantrel::kGreyEnable), vantrel::GreyedUserCommands(1, UF_NORMAL_ACCOUNT));
    EXPECT_EQ(static_cast<DWORD>(vantrel::kGreyDisable), vantrel::GreyedUserCommands(1, UF_ACCOUNTDISABLE));
    EXPECT_EQ(static_cast<DWORD>(vantrel::kGreySetPassword | vantrel::kGreyRename | vantrel::kGreyUserProperties),
              vantrel::GreyedUserCommands(3, UF_ACCOUNTDISABLE));
    EXPECT_FALSE(vantrel::GroupCommandsGreyed(1));
    EXPECT_TRUE(vantrel::GroupCommandsGreyed(2));
}

TEST(AccountViewRules, PasswordsMatchByLengthAndText) {
    EXPECT_TRUE(vantrel::PasswordsMatch(L"", L""));
    EXPECT_TRUE(vantrel::PasswordsMatch(L"a\0b", L"a\0b"));
    EXPECT_FALSE(vantrel::PasswordsMatch(L"abc", L"abcd"));
    EXPECT_FALSE(vantrel::PasswordsMatch(L"abc", L"abC"));
}

TEST(AccountViewRules, MemberDisplayNameFromThePath) {
    struct Case {
        const wchar_t* path;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"WinNT://A/B", L"A\\B"},
        {L"WinNT://A/C/B", L"C\\B"},
        {L"WinNT://LAB/WS01/kiosk", L"WS01\\kiosk"},
        {L"LDAP://CN=ann,CN=Users,DC=lab,DC=local", L"picked"},
        {L"", L"picked"},
        {L"WinNT://A", L"picked"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, vantrel::MemberDisplayName(c.path, L"picked")) << c.path;
}

TEST(AccountViewRules, MemberListKeepsNoDuplicates) {
    vantrel::MemberList list;
    vantrel::GroupMember ann{L"LAB\\ann", L"S-1-5-21-1-2-3-1001", SidTypeUser, L"WS01"};
    EXPECT_TRUE(list.Add(ann));
    // Same identifier under another name: the same member.
    vantrel::GroupMember renamed{L"LAB\\anna", L"S-1-5-21-1-2-3-1001", SidTypeUser, L"WS02"};
    EXPECT_FALSE(list.Add(renamed));
    // Without identifiers: computer and name, without case.
    vantrel::GroupMember noSid{L"LAB\\bob", L"", SidTypeUser, L"WS01"};
    EXPECT_TRUE(list.Add(noSid));
    EXPECT_FALSE(list.Add({L"lab\\BOB", L"", SidTypeUser, L"ws01"}));
    EXPECT_TRUE(list.Add({L"LAB\\bob", L"", SidTypeUser, L"WS02"}));
    // One identifier missing: compared by name.
    EXPECT_FALSE(list.Add({L"LAB\\ann", L"", SidTypeUser, L"WS01"}));
    EXPECT_EQ(3u, list.Entries().size());
    list.RemoveAt(0);
    EXPECT_TRUE(list.Add(ann));  // removed, then added again
    EXPECT_EQ(L"LAB\\ann", list.Entries().back().displayName);
}

}  // namespace
