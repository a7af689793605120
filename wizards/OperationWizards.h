#pragma once
// The four multiple-computer operations' wizards, built as the component
// asks for them: operation 1 disables guest accounts, 2 resets the local
// administrator's password, 3 manages registry entries, 4 checks DNS records.
#include "wizards/ComputerWizardSheet.h"

#include <memory>

namespace vantrel {

// The operation numbers (MuiltComputerOpEnum).
constexpr long kOperationDisableGuest = 1;
constexpr long kOperationResetAdminPassword = 2;
constexpr long kOperationValidateRegistry = 3;
constexpr long kOperationCheckDns = 4;

class ComputerListPage;

// The checked rows of the computer list, in table order, read on the master
// thread: their names and computer information.
ComputerCollector CollectorOf(const ComputerListPage& page);

// Builds the wizard of `operation` with `computers` in its computer list
// (every computer checked). E_FAIL for operation 0, E_INVALIDARG for one that
// does not exist; the computer list's failure when the value is refused; the
// progress library's failure when its page cannot be made.
HRESULT BuildOperationWizard(long operation, HWND parent, const VARIANT* computers,
                             std::unique_ptr<ComputerWizardSheet>& wizard);

}  // namespace vantrel
