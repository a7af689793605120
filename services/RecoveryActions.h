#pragma once
// The stored recovery actions of a service and the fields of the Recovery
// page that edit them: three actions (first, second, subsequent failures), the
// reset period in days, the restart delay in minutes, the "Run a File"
// command and the reboot options.
#include "services/RecoveryCommand.h"
#include "services/RestartOptionsDialog.h"

#include <windows.h>
#include <winsvc.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>

namespace vantrel {

constexpr int kRecoveryActionCount = 3;

// Combo order: "Take No Action", "Restart the Service", "Run a File",
// "Reboot the Computer".
enum RecoveryChoice : int { kTakeNoAction = 0, kRestartService = 1, kRunFile = 2, kRebootComputer = 3 };

SC_ACTION_TYPE ActionTypeForChoice(int choice);
int ChoiceForActionType(SC_ACTION_TYPE type);

struct RecoveryFields {
    std::array<int, kRecoveryActionCount> choices{kTakeNoAction, kTakeNoAction, kTakeNoAction};
    DWORD resetDays = 0;
    DWORD restartMinutes = 1;
    RecoveryCommand command;
    RebootOptions reboot;

    bool Any(int choice) const;
};

// The page's fields from a stored record (the defaults where it says nothing).
RecoveryFields ReadRecoveryFields(const SERVICE_FAILURE_ACTIONSW& stored);

// A record to store, built from the page's fields; it points into itself, so
// keep it alive until it is written.
class FailureActionsRecord {
public:
    explicit FailureActionsRecord(const RecoveryFields& fields);
    FailureActionsRecord(const FailureActionsRecord&) = delete;
    FailureActionsRecord& operator=(const FailureActionsRecord&) = delete;

    SERVICE_FAILURE_ACTIONSW* Get() { return &record_; }

private:
    SERVICE_FAILURE_ACTIONSW record_{};
    std::array<SC_ACTION, kRecoveryActionCount> actions_{};
    std::optional<std::wstring> command_;
    std::optional<std::wstring> message_;
};

}  // namespace vantrel
