#include "platform/Accounts.h"

BOOL WINAPI plat::LookupAccountNameW(LPCWSTR lpSystemName, LPCWSTR lpAccountName, PSID Sid, LPDWORD cbSid, LPWSTR ReferencedDomainName, LPDWORD cchReferencedDomainName, PSID_NAME_USE peUse) { return ::LookupAccountNameW(lpSystemName, lpAccountName, Sid, cbSid, ReferencedDomainName, cchReferencedDomainName, peUse); }
BOOL WINAPI plat::LookupAccountSidW(LPCWSTR lpSystemName, PSID Sid, LPWSTR Name, LPDWORD cchName, LPWSTR ReferencedDomainName, LPDWORD cchReferencedDomainName, PSID_NAME_USE peUse) { return ::LookupAccountSidW(lpSystemName, Sid, Name, cchName, ReferencedDomainName, cchReferencedDomainName, peUse); }

NTSTATUS NTAPI plat::LsaOpenPolicy(PLSA_UNICODE_STRING SystemName, PLSA_OBJECT_ATTRIBUTES ObjectAttributes, ACCESS_MASK DesiredAccess, PLSA_HANDLE PolicyHandle) { return ::LsaOpenPolicy(SystemName, ObjectAttributes, DesiredAccess, PolicyHandle); }
NTSTATUS NTAPI plat::LsaAddAccountRights(LSA_HANDLE PolicyHandle, PSID AccountSid, PLSA_UNICODE_STRING UserRights, ULONG CountOfRights) { return ::LsaAddAccountRights(PolicyHandle, AccountSid, UserRights, CountOfRights); }
NTSTATUS NTAPI plat::LsaClose(LSA_HANDLE ObjectHandle) { return ::LsaClose(ObjectHandle); }
NTSTATUS NTAPI plat::LsaFreeMemory(PVOID Buffer) { return ::LsaFreeMemory(Buffer); }
ULONG NTAPI plat::LsaNtStatusToWinError(NTSTATUS Status) { return ::LsaNtStatusToWinError(Status); }
