#pragma once
// Account rights granted through a computer's local security authority; the
// service pages grant "SeServiceLogonRight" to the account a service runs as.
#include <windows.h>

namespace vantrel {

// Grants `right` to `account` ("DOMAIN\name"; only the name after the first
// backslash is looked up on the computer). E_POINTER for an empty computer or
// account, E_INVALIDARG for an account without a backslash (the computer is
// not contacted then); platform failures as HRESULTs.
HRESULT GrantLogonRight(const wchar_t* computer, const wchar_t* account, const wchar_t* right);

}  // namespace vantrel
