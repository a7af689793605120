#pragma once
// "Stop Other Services": asks before the active dependents of a service are
// stopped with it.
#include <windows.h>

#include <string>
#include <vector>

namespace vantrel {

// Shows the dialog modally; 1 ("&Yes") or 2 ("&No"), or -1 when it could not
// be shown.
INT_PTR AskStopOtherServices(HWND owner, const std::wstring& serviceDisplayName,
                             const std::vector<std::wstring>& dependentDisplayNames);

}  // namespace vantrel
