#pragma once
// Accounts of a computer by name and identifier, and its local security
// authority (account rights). The identifier helpers (AllocateAndInitializeSid,
// EqualSid, ...) only compute and are not part of the seam.
#include "platform/PlatApi.h"
#include <ntsecapi.h>

namespace plat {
PLAT_API BOOL WINAPI LookupAccountNameW(LPCWSTR lpSystemName, LPCWSTR lpAccountName, PSID Sid, LPDWORD cbSid, LPWSTR ReferencedDomainName, LPDWORD cchReferencedDomainName, PSID_NAME_USE peUse);
PLAT_API BOOL WINAPI LookupAccountSidW(LPCWSTR lpSystemName, PSID Sid, LPWSTR Name, LPDWORD cchName, LPWSTR ReferencedDomainName, LPDWORD cchReferencedDomainName, PSID_NAME_USE peUse);

PLAT_API NTSTATUS NTAPI LsaOpenPolicy(PLSA_UNICODE_STRING SystemName, PLSA_OBJECT_ATTRIBUTES ObjectAttributes, ACCESS_MASK DesiredAccess, PLSA_HANDLE PolicyHandle);
PLAT_API NTSTATUS NTAPI LsaAddAccountRights(LSA_HANDLE PolicyHandle, PSID AccountSid, PLSA_UNICODE_STRING UserRights, ULONG CountOfRights);
PLAT_API NTSTATUS NTAPI LsaClose(LSA_HANDLE ObjectHandle);
PLAT_API NTSTATUS NTAPI LsaFreeMemory(PVOID Buffer);
// A pure mapping, kept with its family so that the lab's status codes and the
// conversion the callers rely on come from one side of the seam.
PLAT_API ULONG NTAPI LsaNtStatusToWinError(NTSTATUS Status);
}  // namespace plat
