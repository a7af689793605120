#pragma once
// Logon, impersonation and the caller's names. Identities are per thread:
// whatever a thread impersonates decides what the other seam calls on that
// thread may do on a computer. Tokens are closed with plat::CloseHandle.
#include "platform/PlatApi.h"
#include "platform/KernelHandles.h"
#ifndef SECURITY_WIN32
#define SECURITY_WIN32
#endif
#include <security.h>

namespace plat {
PLAT_API BOOL WINAPI LogonUserW(LPCWSTR lpszUsername, LPCWSTR lpszDomain, LPCWSTR lpszPassword, DWORD dwLogonType, DWORD dwLogonProvider, PHANDLE phToken);
PLAT_API BOOL WINAPI ImpersonateLoggedOnUser(HANDLE hToken);
PLAT_API BOOL WINAPI ImpersonateSelf(SECURITY_IMPERSONATION_LEVEL ImpersonationLevel);
PLAT_API BOOL WINAPI RevertToSelf();
// Privileges of the effective token (the thread's when it impersonates, else
// the process's); tokens are closed with plat::CloseHandle.
PLAT_API BOOL WINAPI OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle);
PLAT_API BOOL WINAPI OpenThreadToken(HANDLE ThreadHandle, DWORD DesiredAccess, BOOL OpenAsSelf, PHANDLE TokenHandle);
PLAT_API BOOL WINAPI LookupPrivilegeValueW(LPCWSTR lpSystemName, LPCWSTR lpName, PLUID lpLuid);
PLAT_API BOOL WINAPI AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges, PTOKEN_PRIVILEGES NewState, DWORD BufferLength, PTOKEN_PRIVILEGES PreviousState, PDWORD ReturnLength);
PLAT_API BOOLEAN SEC_ENTRY TranslateNameW(LPCWSTR lpAccountName, EXTENDED_NAME_FORMAT AccountNameFormat, EXTENDED_NAME_FORMAT DesiredNameFormat, LPWSTR lpTranslatedName, PULONG nSize);
PLAT_API BOOLEAN SEC_ENTRY GetUserNameExW(EXTENDED_NAME_FORMAT NameFormat, LPWSTR lpNameBuffer, PULONG nSize);
}  // namespace plat
