// The decisions behind the service's General and Log On pages.
#include "resources/ServicesIds.h"
#include "services/editor/EditorRules.h"

#include <gtest/gtest.h>

using namespace vantrel;

namespace {

constexpr DWORD kStopAndPause = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE;

TEST(StatusBlockRules, EachStateShowsItsNameAndOffersOnlyItsControls) {
    struct Row {
        DWORD state;
        UINT text;
        bool start, stop, pause, resume, parameters;
    };
    const Row rows[] = {
        {SERVICE_STOPPED, IDS_STATE_STOPPED, true, false, false, false, true},
        {SERVICE_START_PENDING, IDS_STATE_STARTING, false, false, false, false, false},
        {SERVICE_CONTINUE_PENDING, IDS_STATE_STARTING, false, false, false, false, false},
        {SERVICE_STOP_PENDING, IDS_STATE_STOPPING, false, false, false, false, false},
        {SERVICE_RUNNING, IDS_STATE_STARTED, false, true, true, false, false},
        {SERVICE_PAUSE_PENDING, IDS_STATE_PAUSING, false, false, false, false, false},
        {SERVICE_PAUSED, IDS_STATE_PAUSED, false, false, false, true, false},
    };
    for (const Row& row : rows) {
        const StatusBlock block = StatusBlockFor(row.state, kStopAndPause);
        EXPECT_EQ(row.text, block.textId) << row.state;
        EXPECT_EQ(row.start, block.start.value_or(!row.start)) << row.state;
        EXPECT_EQ(row.stop, block.stop.value_or(!row.stop)) << row.state;
        EXPECT_EQ(row.pause, block.pause.value_or(!row.pause)) << row.state;
        EXPECT_EQ(row.resume, block.resume.value_or(!row.resume)) << row.state;
        EXPECT_EQ(row.parameters, block.parameters) << row.state;
    }
}

TEST(StatusBlockRules, RefusedControlsAreNeverOfferedAndUnknownStatesKeepTheRest) {
    const StatusBlock running = StatusBlockFor(SERVICE_RUNNING, 0);
    EXPECT_FALSE(running.stop.value_or(true));
    EXPECT_FALSE(running.pause.value_or(true));
    const StatusBlock paused = StatusBlockFor(SERVICE_PAUSED, SERVICE_ACCEPT_STOP);
    EXPECT_FALSE(paused.resume.value_or(true));

    const StatusBlock odd = StatusBlockFor(9, kStopAndPause);
    EXPECT_EQ(static_cast<UINT>(IDS_STATE_BLANK), odd.textId);
    EXPECT_FALSE(odd.start.has_value());
    EXPECT_FALSE(odd.stop.has_value());
    EXPECT_FALSE(odd.resume.has_value());
    EXPECT_FALSE(odd.parameters);
    // ...but a refused control is switched off even then.
    EXPECT_FALSE(StatusBlockFor(9, SERVICE_ACCEPT_PAUSE_CONTINUE).stop.value_or(true));
}

TEST(StartParameterRules, EveryBlankSplitsWithoutQuoting) {
    using Args = std::vector<std::wstring>;
    EXPECT_EQ((Args{L"-a", L"", L"-b"}), SplitStartParameters(L"-a  -b"));
    EXPECT_EQ((Args{L"\"two", L"words\""}), SplitStartParameters(L"\"two words\""));
    EXPECT_EQ((Args{L"", L"x"}), SplitStartParameters(L" x"));
    EXPECT_EQ((Args{L"x"}), SplitStartParameters(L"x "));
    EXPECT_EQ(Args{}, SplitStartParameters(L""));
}

TEST(AccountRules, LocalSystemAndComputerAccounts) {
    EXPECT_TRUE(IsLocalSystemAccount(nullptr));
    EXPECT_TRUE(IsLocalSystemAccount(L""));
    EXPECT_TRUE(IsLocalSystemAccount(L"localsystem"));
    EXPECT_FALSE(IsLocalSystemAccount(L".\\LocalSystem"));
    EXPECT_FALSE(IsLocalSystemAccount(L"NT AUTHORITY\\LocalService"));

    EXPECT_EQ(L".\\svcuser", RewriteComputerAccount(L"\\\\SRV\\svcuser"));
    EXPECT_EQ(L".\\svcuser", RewriteComputerAccount(L"\\\\SRV\\DOM\\svcuser"));
    EXPECT_EQ(L"LAB\\svcuser", RewriteComputerAccount(L"LAB\\svcuser"));

    EXPECT_EQ(L"LAB\\ann", DownlevelNameFromPath(L"WinNT://LAB/ann").value_or(L"-"));
    EXPECT_EQ(L"SRV1\\svcuser", DownlevelNameFromPath(L"WinNT://LAB/SRV1/svcuser").value_or(L"-"));
    EXPECT_FALSE(DownlevelNameFromPath(L"LDAP://CN=ann,DC=lab").has_value());
    EXPECT_FALSE(DownlevelNameFromPath(L"WinNT://ann").has_value());
    EXPECT_FALSE(DownlevelNameFromPath(L"").has_value());
}

LogOnEntry Typed(std::wstring account, std::wstring password, std::wstring confirm,
                 std::wstring lastApplied = L"LAB\\old") {
    LogOnEntry entry;
    entry.account = std::move(account);
    entry.password = std::move(password);
    entry.confirm = std::move(confirm);
    entry.lastApplied = std::move(lastApplied);
    return entry;
}

TEST(PasswordRules, WhatIsRefusedAndWhy) {
    // Lengths differ: refused at once, whatever else.
    EXPECT_EQ(PasswordVerdict::Mismatch, CheckPasswords(Typed(L"LAB\\old", L"12345", L"123456")));
    // A new account with the placeholders untouched has no password yet.
    EXPECT_EQ(PasswordVerdict::NeedPassword,
              CheckPasswords(Typed(L"LAB\\new", kPasswordPlaceholder, kConfirmPlaceholder)));
    // Same length, both typed, different text.
    EXPECT_EQ(PasswordVerdict::Mismatch, CheckPasswords(Typed(L"LAB\\new", L"secret", L"secreT")));
    EXPECT_EQ(PasswordVerdict::Accept, CheckPasswords(Typed(L"LAB\\new", L"secret", L"secret")));
    // Only the password field typed over, of the placeholder's length: the
    // confirmation still shows its placeholder, so nothing counts as changed.
    EXPECT_EQ(PasswordVerdict::NeedPassword,
              CheckPasswords(Typed(L"LAB\\new", L"abcdefghijklmn", kConfirmPlaceholder)));
    // Empty passwords are allowed.
    EXPECT_EQ(PasswordVerdict::Accept, CheckPasswords(Typed(L"LAB\\new", L"", L"")));
}

TEST(PasswordRules, NoCheckForTheLocalSystemOrWhenLeavingIt) {
    LogOnEntry local = Typed(L"", L"1", L"12");
    local.localSystem = true;
    EXPECT_EQ(PasswordVerdict::Accept, CheckPasswords(local));
    EXPECT_EQ(PasswordVerdict::Accept, CheckPasswords(Typed(L"LAB\\new", L"1", L"12", kLocalSystem)));
    // An empty account field gets the check.
    EXPECT_EQ(PasswordVerdict::Mismatch, CheckPasswords(Typed(L"", L"1", L"12", kLocalSystem)));
}

}  // namespace
