// The Recovery page's fields and the stored recovery actions.
#include "services/RecoveryActions.h"

#include <gtest/gtest.h>

using namespace vantrel;

namespace {

TEST(RecoveryActionsRecord, FieldsBecomeThreeActionsWithTheirDelays) {
    RecoveryFields fields;
    fields.choices = {kRestartService, kRunFile, kRebootComputer};
    fields.resetDays = 2;
    fields.restartMinutes = 5;
    fields.command = RecoveryCommand{L"C:\\a.exe", L"", true};
    fields.reboot = RebootOptions{120000, true, std::wstring(L"Going down")};
    FailureActionsRecord record(fields);
    const SERVICE_FAILURE_ACTIONSW& r = *record.Get();
    EXPECT_EQ(172800u, r.dwResetPeriod);
    ASSERT_EQ(3u, r.cActions);
    EXPECT_EQ(SC_ACTION_RESTART, r.lpsaActions[0].Type);
    EXPECT_EQ(300000u, r.lpsaActions[0].Delay);
    EXPECT_EQ(SC_ACTION_RUN_COMMAND, r.lpsaActions[1].Type);
    EXPECT_EQ(0u, r.lpsaActions[1].Delay);
    EXPECT_EQ(SC_ACTION_REBOOT, r.lpsaActions[2].Type);
    EXPECT_EQ(120000u, r.lpsaActions[2].Delay);
    EXPECT_STREQ(L"\"C:\\a.exe\" /fail=%1%", r.lpCommand);
    EXPECT_STREQ(L"Going down", r.lpRebootMsg);
}

TEST(RecoveryActionsRecord, UnusedCommandAndMessageAreLeftUnchanged) {
    RecoveryFields fields;
    fields.choices = {kRestartService, kTakeNoAction, kTakeNoAction};
    fields.command = RecoveryCommand{L"C:\\a.exe", L"", false};
    fields.reboot.message = L"kept";
    FailureActionsRecord none(fields);
    EXPECT_EQ(nullptr, none.Get()->lpCommand);
    EXPECT_EQ(nullptr, none.Get()->lpRebootMsg);
    // A run action with no file stores the empty command; a reboot without
    // the send switch stores the empty message.
    fields.choices = {kRunFile, kRebootComputer, 7};
    fields.command = RecoveryCommand{};
    fields.reboot.sendMessage = false;
    FailureActionsRecord empty(fields);
    EXPECT_STREQ(L"", empty.Get()->lpCommand);
    EXPECT_STREQ(L"", empty.Get()->lpRebootMsg);
    EXPECT_EQ(SC_ACTION_NONE, empty.Get()->lpsaActions[2].Type);  // an unknown choice is no action
}

TEST(RecoveryActionsRecord, ReadingMapsBackAndKeepsDefaults) {
    const RecoveryFields defaults = ReadRecoveryFields(SERVICE_FAILURE_ACTIONSW{});
    EXPECT_EQ((std::array<int, 3>{0, 0, 0}), defaults.choices);
    EXPECT_EQ(0u, defaults.resetDays);
    EXPECT_EQ(1u, defaults.restartMinutes);
    EXPECT_FALSE(defaults.reboot.message.has_value());

    SC_ACTION actions[4] = {{SC_ACTION_RESTART, 60000}, {SC_ACTION_REBOOT, 180000}, {SC_ACTION_RESTART, 240000},
                            {SC_ACTION_RUN_COMMAND, 0}};
    wchar_t command[] = L"\"C:\\tools\\notify.exe\" -q /fail=%1%";
    wchar_t message[] = L"Bye";
    SERVICE_FAILURE_ACTIONSW stored{3 * 86400 + 5, message, command, 4, actions};
    const RecoveryFields f = ReadRecoveryFields(stored);
    EXPECT_EQ((std::array<int, 3>{kRestartService, kRebootComputer, kRestartService}), f.choices);
    EXPECT_EQ(3u, f.resetDays);
    EXPECT_EQ(4u, f.restartMinutes);  // the last restart among the first three
    EXPECT_EQ(180000u, f.reboot.delayMs);
    EXPECT_TRUE(f.reboot.sendMessage);
    EXPECT_EQ(L"Bye", f.reboot.message.value_or(L""));
    EXPECT_EQ(L"C:\\tools\\notify.exe", f.command.file);
    EXPECT_EQ(L"-q", f.command.parameters);
    EXPECT_TRUE(f.command.appendFailCount);
    for (int choice = 0; choice < 4; ++choice) EXPECT_EQ(choice, ChoiceForActionType(ActionTypeForChoice(choice)));
}

}  // namespace
