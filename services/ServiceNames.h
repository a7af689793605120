#pragma once
// Display texts of service states, startup types and log-on accounts.
#include <windows.h>

#include <string>

namespace vantrel {

// String ids (ServicesIds.h) of a dwCurrentState and a dwStartType.
UINT ServiceStateTextId(DWORD state) noexcept;
UINT StartTypeTextId(DWORD startType) noexcept;

std::wstring ServiceStateText(DWORD state);
// `configRead` false: the configuration could not be read ("Unknown").
std::wstring StartTypeText(DWORD startType, bool configRead = true);
// lpServiceStartName as shown: null is the local system account, the two
// built-in service accounts get their names, anything else stays as stored.
std::wstring AccountText(const wchar_t* account, bool configRead = true);

}  // namespace vantrel
