#pragma once
// Who a thread acts as, and what that identity may do. Each thread acts as the
// network's interactive user until it impersonates an account (the control
// API, or the logon family's ImpersonateLoggedOnUser); the access decision of
// every family is taken against that identity.
#include "lab/Model.h"

#include <memory>
#include <string>
#include <string_view>

namespace lab {

// The account the calling thread acts as.
std::wstring ActingIdentity(const Network& net);
// Whether the thread has a token of its own (it impersonates).
bool IsImpersonating();
// `account` is the canonical account name ("LAB\alice"). The thread gets a
// token of its own whose privileges are all disabled, or, with
// `copyProcessToken`, as enabled as the process token's (ImpersonateSelf).
void ImpersonateAccount(std::wstring_view account, bool copyProcessToken = false);
void RevertToInteractiveUser();

// Whether `identity` (its own identifier, or one of its groups') is a member
// of the computer's Administrators group.
bool MayAdminister(const Network& net, const Computer& computer, std::wstring_view identity);

// --- Privileges ------------------------------------------------------------
// A token's privileges are enabled or disabled one by one; which ones a token
// may enable is what its account holds on the local computer (the account
// database's rights). The process token is shared by the threads that do not
// impersonate; each impersonating thread has its own.

// The locally unique identifier Windows gives a privilege name (0: none).
DWORD PrivilegeLuid(std::wstring_view name);
std::wstring PrivilegeName(DWORD luid);

struct TokenPrivileges {
    ULONGLONG enabled = 0;  // bit n: the privilege whose identifier is n
};

// The calling thread's effective token: its own, or the process's.
std::shared_ptr<TokenPrivileges> EffectiveToken();
std::shared_ptr<TokenPrivileges> ProcessToken();
// Whether `account` may enable the privilege: it holds it on the local computer.
bool HoldsPrivilege(const Network& net, std::wstring_view account, std::wstring_view name);
// Whether the calling thread's effective token has the privilege enabled.
bool PrivilegeEnabled(std::wstring_view name);
// Back to the state a process starts with (LabReset).
void ResetProcessToken();

// Checks a logon against the network's accounts: user and domain, user
// "DOMAIN\name" without domain, or a UPN without domain; domain "." stands
// for the local computer. Returns 0 and the canonical account name, or
// ERROR_LOGON_FAILURE (unknown account or wrong password), or
// ERROR_INVALID_PARAMETER without a user name.
DWORD CheckCredentials(const Network& net, const wchar_t* user, const wchar_t* domain, const wchar_t* password,
                       std::wstring& account);

// Tokens are lab handles (LAB_KIND_TOKEN) that carry their account; they are
// released with Accounting::Release(LAB_KIND_TOKEN, ...). Logon tokens have
// a privilege state of their own; the handles OpenProcessToken and
// OpenThreadToken give share the process's or the thread's.
struct TokenData {
    std::wstring account;
    ACCESS_MASK access = TOKEN_ALL_ACCESS;
    std::shared_ptr<TokenPrivileges> privileges;
};
// The specific rights the generic ones stand for on a token.
ACCESS_MASK MapTokenAccess(ACCESS_MASK access);
HANDLE CreateToken(std::wstring_view account, std::wstring_view computer, const char* function,
                   std::shared_ptr<TokenPrivileges> privileges = nullptr, ACCESS_MASK access = TOKEN_ALL_ACCESS);
bool TokenAccount(HANDLE token, std::wstring& account);
// The token's record, or null when the handle is not a live token.
std::shared_ptr<const TokenData> FindToken(HANDLE token);

}  // namespace lab
