#pragma once
// Who a thread acts as, and what that identity may do. Each thread acts as the
// network's interactive user until it impersonates an account (the control
// API, or the logon family's ImpersonateLoggedOnUser); the access decision of
// every family is taken against that identity.
#include "lab/Model.h"

#include <string>
#include <string_view>

namespace lab {

// The account the calling thread acts as.
std::wstring ActingIdentity(const Network& net);
bool IsImpersonating();
// `account` is the canonical account name ("LAB\alice").
void ImpersonateAccount(std::wstring_view account);
void RevertToInteractiveUser();

// Whether `identity`, or one of the groups of its account, is among the
// computer's administrators.
bool MayAdminister(const Network& net, const Computer& computer, std::wstring_view identity);

// Checks a logon against the network's accounts: user and domain, user
// "DOMAIN\name" without domain, or a UPN without domain; domain "." stands
// for the local computer. Returns 0 and the canonical account name, or
// ERROR_LOGON_FAILURE (unknown account or wrong password), or
// ERROR_INVALID_PARAMETER without a user name.
DWORD CheckCredentials(const Network& net, const wchar_t* user, const wchar_t* domain, const wchar_t* password,
                       std::wstring& account);

// Tokens are lab handles (LAB_KIND_TOKEN) that carry their account; they are
// released with Accounting::Release(LAB_KIND_TOKEN, ...).
HANDLE CreateToken(std::wstring_view account, std::wstring_view computer, const char* function);
bool TokenAccount(HANDLE token, std::wstring& account);

}  // namespace lab
