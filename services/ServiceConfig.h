#pragma once
// Changes to what the service control manager stores about one service, on a
// handle opened with full access. The service references of the service layer
// open the handle and call these.
#include "common/Handles.h"

#include <windows.h>
#include <winsvc.h>

namespace vantrel {

// Start type 0..4; service type and error control stay as they are.
HRESULT ChangeStartType(SC_HANDLE service, DWORD startType);
// Only the display name; an absent one is written as the empty text.
HRESULT ChangeDisplayName(SC_HANDLE service, const wchar_t* displayName);
// An absent or empty description removes it.
HRESULT ChangeDescription(SC_HANDLE service, const wchar_t* description);
// Runs the service as LocalSystem with the empty password, interacting with
// the desktop or not; `currentType` is the service type it has now.
HRESULT ChangeToLocalSystem(SC_HANDLE service, DWORD currentType, bool interact);
// Runs the service as `account` with `password`; the desktop bit is cleared.
HRESULT ChangeAccount(SC_HANDLE service, DWORD currentType, const wchar_t* account, const wchar_t* password);

// The stored recovery actions in one block from the COM task allocator, which
// the caller frees.
HRESULT QueryFailureActions(SC_HANDLE service, UniqueCoTaskMem& block);
HRESULT ChangeFailureActions(SC_HANDLE service, SERVICE_FAILURE_ACTIONSW* actions);

}  // namespace vantrel
