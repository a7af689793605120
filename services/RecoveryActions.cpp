#include "services/RecoveryActions.h"

namespace vantrel {

namespace {
constexpr DWORD kSecondsPerDay = 86400;
constexpr DWORD kMsPerMinute = 60000;
}  // namespace

SC_ACTION_TYPE ActionTypeForChoice(int choice) {
    switch (choice) {
        case kRestartService: return SC_ACTION_RESTART;
        case kRunFile: return SC_ACTION_RUN_COMMAND;
        case kRebootComputer: return SC_ACTION_REBOOT;
        default: return SC_ACTION_NONE;
    }
}

int ChoiceForActionType(SC_ACTION_TYPE type) {
    switch (type) {
        case SC_ACTION_RESTART: return kRestartService;
        case SC_ACTION_RUN_COMMAND: return kRunFile;
        case SC_ACTION_REBOOT: return kRebootComputer;
        default: return kTakeNoAction;
    }
}

bool RecoveryFields::Any(int choice) const {
    for (int c : choices) {
        if (c == choice) return true;
    }
    return false;
}

RecoveryFields ReadRecoveryFields(const SERVICE_FAILURE_ACTIONSW& stored) {
    RecoveryFields fields;
    fields.resetDays = stored.dwResetPeriod / kSecondsPerDay;
    const DWORD count = stored.lpsaActions ? std::min<DWORD>(stored.cActions, kRecoveryActionCount) : 0;
    for (DWORD i = 0; i < count; ++i) {
        const SC_ACTION& action = stored.lpsaActions[i];
        fields.choices[i] = ChoiceForActionType(action.Type);
        // The last restart and reboot actions among the first three give the delays.
        if (action.Type == SC_ACTION_RESTART) fields.restartMinutes = action.Delay / kMsPerMinute;
        if (action.Type == SC_ACTION_REBOOT) fields.reboot.delayMs = action.Delay;
    }
    if (stored.lpCommand && *stored.lpCommand) fields.command = ParseRecoveryCommand(stored.lpCommand);
    if (stored.lpRebootMsg && *stored.lpRebootMsg) {
        fields.reboot.message = std::wstring(stored.lpRebootMsg);
        fields.reboot.sendMessage = true;
    }
    return fields;
}

FailureActionsRecord::FailureActionsRecord(const RecoveryFields& fields) {
    for (int i = 0; i < kRecoveryActionCount; ++i) {
        SC_ACTION& action = actions_[static_cast<size_t>(i)];
        action.Type = ActionTypeForChoice(fields.choices[static_cast<size_t>(i)]);
        action.Delay = action.Type == SC_ACTION_RESTART  ? fields.restartMinutes * kMsPerMinute
                       : action.Type == SC_ACTION_REBOOT ? fields.reboot.delayMs
                                                         : 0;
    }
    // The command and the message are passed only when an action uses them;
    // otherwise (null) the stored ones stay as they are.
    if (fields.Any(kRunFile)) {
        std::wstring command;
        ComposeRecoveryCommand(fields.command, command);
        command_ = std::move(command);
    }
    if (fields.Any(kRebootComputer))
        message_ = fields.reboot.sendMessage && fields.reboot.message ? *fields.reboot.message : std::wstring();
    record_.dwResetPeriod = fields.resetDays * kSecondsPerDay;
    record_.lpRebootMsg = message_ ? message_->data() : nullptr;
    record_.lpCommand = command_ ? command_->data() : nullptr;
    record_.cActions = kRecoveryActionCount;
    record_.lpsaActions = actions_.data();
}

}  // namespace vantrel
