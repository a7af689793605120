#include "platform/Logon.h"

BOOL WINAPI plat::LogonUserW(LPCWSTR lpszUsername, LPCWSTR lpszDomain, LPCWSTR lpszPassword, DWORD dwLogonType, DWORD dwLogonProvider, PHANDLE phToken) { return ::LogonUserW(lpszUsername, lpszDomain, lpszPassword, dwLogonType, dwLogonProvider, phToken); }
BOOL WINAPI plat::ImpersonateLoggedOnUser(HANDLE hToken) { return ::ImpersonateLoggedOnUser(hToken); }
BOOL WINAPI plat::ImpersonateSelf(SECURITY_IMPERSONATION_LEVEL ImpersonationLevel) { return ::ImpersonateSelf(ImpersonationLevel); }
BOOL WINAPI plat::RevertToSelf() { return ::RevertToSelf(); }
BOOL WINAPI plat::OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle) { return ::OpenProcessToken(ProcessHandle, DesiredAccess, TokenHandle); }
BOOL WINAPI plat::OpenThreadToken(HANDLE ThreadHandle, DWORD DesiredAccess, BOOL OpenAsSelf, PHANDLE TokenHandle) { return ::OpenThreadToken(ThreadHandle, DesiredAccess, OpenAsSelf, TokenHandle); }
BOOL WINAPI plat::LookupPrivilegeValueW(LPCWSTR lpSystemName, LPCWSTR lpName, PLUID lpLuid) { return ::LookupPrivilegeValueW(lpSystemName, lpName, lpLuid); }
BOOL WINAPI plat::AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges, PTOKEN_PRIVILEGES NewState, DWORD BufferLength, PTOKEN_PRIVILEGES PreviousState, PDWORD ReturnLength) { return ::AdjustTokenPrivileges(TokenHandle, DisableAllPrivileges, NewState, BufferLength, PreviousState, ReturnLength); }
BOOLEAN SEC_ENTRY plat::TranslateNameW(LPCWSTR lpAccountName, EXTENDED_NAME_FORMAT AccountNameFormat, EXTENDED_NAME_FORMAT DesiredNameFormat, LPWSTR lpTranslatedName, PULONG nSize) { return ::TranslateNameW(lpAccountName, AccountNameFormat, DesiredNameFormat, lpTranslatedName, nSize); }
BOOLEAN SEC_ENTRY plat::GetUserNameExW(EXTENDED_NAME_FORMAT NameFormat, LPWSTR lpNameBuffer, PULONG nSize) { return ::GetUserNameExW(NameFormat, lpNameBuffer, nSize); }
