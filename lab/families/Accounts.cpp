// Accounts and the local security authority: name and identifier lookups,
// account rights, and the account-domain facts of NetUserModalsGet.
#include "platform/Accounts.h"
#include "platform/NetManagement.h"

#include "lab/AccountDatabase.h"
#include "lab/Accounting.h"
#include "lab/Gate.h"
#include "lab/Memory.h"
#include "lab/Protocol.h"
#include "lab/State.h"
#include "lab/Text.h"
#include "lab/families/Accounts.h"

#include <cstring>
#include <cwchar>

namespace {

using lab::accounts::Principal;
using lab::accounts::SidBytes;

constexpr NTSTATUS kStatusSuccess = 0;
constexpr NTSTATUS kStatusInvalidHandle = static_cast<NTSTATUS>(0xC0000008);
constexpr NTSTATUS kStatusInvalidParameter = static_cast<NTSTATUS>(0xC000000D);
constexpr NTSTATUS kStatusAccessDenied = static_cast<NTSTATUS>(0xC0000022);
constexpr NTSTATUS kStatusNoSuchPrivilege = static_cast<NTSTATUS>(0xC0000060);
constexpr NTSTATUS kStatusUnsuccessful = static_cast<NTSTATUS>(0xC0000001);

// The status codes the lab's LSA answers with and the platform errors they
// stand for (LsaNtStatusToWinError; injected Win32 faults go the other way).
constexpr std::pair<DWORD, DWORD> kStatusToError[] = {
    {0xC0000022, ERROR_ACCESS_DENIED},       {0xC0020017, RPC_S_SERVER_UNAVAILABLE},
    {0xC0000008, ERROR_INVALID_HANDLE},      {0xC000000D, ERROR_INVALID_PARAMETER},
    {0xC0000017, ERROR_NOT_ENOUGH_MEMORY},   {0xC000009A, ERROR_NO_SYSTEM_RESOURCES},
    {0xC0000073, ERROR_NONE_MAPPED},         {0xC0000060, ERROR_NO_SUCH_PRIVILEGE},
    {0xC0000034, ERROR_FILE_NOT_FOUND},      {0xC00000BE, ERROR_BAD_NETPATH},
    {0xC0000078, ERROR_INVALID_SID},         {0xC0000064, ERROR_NO_SUCH_USER},
    {0xC00000DF, ERROR_NO_SUCH_DOMAIN},      {0xC0000001, ERROR_GEN_FAILURE},
    {0xC0000002, ERROR_INVALID_FUNCTION},    {0xC0000005, ERROR_NOACCESS},
};

NTSTATUS StatusFor(DWORD error) {
    if (error == 0) return kStatusSuccess;
    if (error >= 0xC0000000u) return static_cast<NTSTATUS>(error);  // injected as a status already
    for (const auto& [status, win32] : kStatusToError) {
        if (win32 == error) return static_cast<NTSTATUS>(status);
    }
    return kStatusUnsuccessful;
}

// The rights and privileges an account can be granted.
bool IsRightName(std::wstring_view name) {
    static constexpr std::wstring_view kNames[] = {
        L"SeServiceLogonRight", L"SeBatchLogonRight", L"SeInteractiveLogonRight", L"SeNetworkLogonRight",
        L"SeRemoteInteractiveLogonRight", L"SeDenyServiceLogonRight", L"SeDenyBatchLogonRight",
        L"SeDenyInteractiveLogonRight", L"SeDenyNetworkLogonRight", L"SeDenyRemoteInteractiveLogonRight",
        L"SeAssignPrimaryTokenPrivilege", L"SeAuditPrivilege", L"SeBackupPrivilege", L"SeChangeNotifyPrivilege",
        L"SeCreateGlobalPrivilege", L"SeDebugPrivilege", L"SeImpersonatePrivilege", L"SeIncreaseQuotaPrivilege",
        L"SeLoadDriverPrivilege", L"SeRestorePrivilege", L"SeSecurityPrivilege", L"SeShutdownPrivilege",
        L"SeRemoteShutdownPrivilege", L"SeSystemtimePrivilege", L"SeTakeOwnershipPrivilege",
        L"SeTcbPrivilege"};
    for (std::wstring_view n : kNames) {
        if (n == name) return true;  // right names are compared exactly, as the LSA does
    }
    return false;
}

SidBytes CopySid(PSID sid) {
    const auto* p = static_cast<const BYTE*>(sid);
    return SidBytes(p, p + ::GetLengthSid(sid));
}

// Finds `name` as LookupAccountNameW reads it: "DOMAIN\name", a UPN, or a
// bare name searched in the order the list is in.
const Principal* FindName(const lab::Network& net, const std::vector<Principal>& list, std::wstring_view text) {
    std::wstring_view domain, name = text;
    if (const size_t slash = text.find(L'\\'); slash != std::wstring_view::npos) {
        domain = text.substr(0, slash);
        name = text.substr(slash + 1);
        if (lab::EqualsNoCase(domain, net.domainDnsName)) domain = net.domainName;
    } else if (const size_t at = text.find(L'@'); at != std::wstring_view::npos) {
        const lab::Account* account = net.FindAccount(text);
        if (!account) return nullptr;
        domain = account->Domain();
        name = account->User();
    }
    if (name.empty()) return nullptr;
    const bool bare = domain.empty() && text.find(L'\\') == std::wstring_view::npos;
    for (const Principal& p : list) {
        if (!bare && !lab::EqualsNoCase(p.domain, domain)) continue;
        if (lab::EqualsNoCase(p.name, name)) return &p;
        for (const std::wstring& alias : p.aliases) {
            if (lab::EqualsNoCase(alias, name)) return &p;
        }
    }
    return nullptr;
}

struct PolicyRef {
    ACCESS_MASK access = 0;
};

}  // namespace

BOOL WINAPI plat::LookupAccountNameW(LPCWSTR lpSystemName, LPCWSTR lpAccountName, PSID Sid, LPDWORD cbSid,
                                     LPWSTR ReferencedDomainName, LPDWORD cchReferencedDomainName,
                                     PSID_NAME_USE peUse) {
    if (!lpAccountName || !cbSid || !cchReferencedDomainName || !peUse) return lab::Fail(ERROR_INVALID_PARAMETER);
    lab::Gate gate(lpSystemName, lab::Family::Accounts, "LookupAccountNameW");
    if (gate.Error()) return lab::Fail(gate.Error());
    const std::vector<Principal> visible = lab::accounts::Visible(gate.Net(), gate.Target());
    const Principal* found = FindName(gate.Net(), visible, lpAccountName);
    if (!found) return lab::Fail(ERROR_NONE_MAPPED);
    const DWORD sidBytes = static_cast<DWORD>(found->sid.size());
    const DWORD domainChars = static_cast<DWORD>(found->domain.size() + 1);
    if (!Sid || *cbSid < sidBytes || !ReferencedDomainName || *cchReferencedDomainName < domainChars) {
        *cbSid = sidBytes;
        *cchReferencedDomainName = domainChars;
        return lab::Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(Sid, found->sid.data(), sidBytes);
    std::memcpy(ReferencedDomainName, found->domain.c_str(), domainChars * sizeof(wchar_t));
    *cbSid = sidBytes;
    *cchReferencedDomainName = domainChars - 1;
    *peUse = found->use;
    return TRUE;
}

BOOL WINAPI plat::LookupAccountSidW(LPCWSTR lpSystemName, PSID Sid, LPWSTR Name, LPDWORD cchName,
                                    LPWSTR ReferencedDomainName, LPDWORD cchReferencedDomainName,
                                    PSID_NAME_USE peUse) {
    if (!Sid || !cchName || !cchReferencedDomainName || !peUse) return lab::Fail(ERROR_INVALID_PARAMETER);
    if (!::IsValidSid(Sid)) return lab::Fail(ERROR_INVALID_SID);
    lab::Gate gate(lpSystemName, lab::Family::Accounts, "LookupAccountSidW");
    if (gate.Error()) return lab::Fail(gate.Error());
    const SidBytes wanted = CopySid(Sid);
    const std::vector<Principal> visible = lab::accounts::Visible(gate.Net(), gate.Target());
    const Principal* found = nullptr;
    for (const Principal& p : visible) {
        if (p.sid == wanted) {
            found = &p;
            break;
        }
    }
    if (!found) return lab::Fail(ERROR_NONE_MAPPED);
    const DWORD nameChars = static_cast<DWORD>(found->name.size() + 1);
    const DWORD domainChars = static_cast<DWORD>(found->domain.size() + 1);
    if (!Name || *cchName < nameChars || !ReferencedDomainName || *cchReferencedDomainName < domainChars) {
        *cchName = nameChars;
        *cchReferencedDomainName = domainChars;
        return lab::Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(Name, found->name.c_str(), nameChars * sizeof(wchar_t));
    std::memcpy(ReferencedDomainName, found->domain.c_str(), domainChars * sizeof(wchar_t));
    *cchName = nameChars - 1;
    *cchReferencedDomainName = domainChars - 1;
    *peUse = found->use;
    return TRUE;
}

NTSTATUS NTAPI plat::LsaOpenPolicy(PLSA_UNICODE_STRING SystemName, PLSA_OBJECT_ATTRIBUTES ObjectAttributes,
                                   ACCESS_MASK DesiredAccess, PLSA_HANDLE PolicyHandle) {
    if (!ObjectAttributes || !PolicyHandle) return kStatusInvalidParameter;
    *PolicyHandle = nullptr;
    // The name is counted, not terminated.
    std::wstring system;
    if (SystemName && SystemName->Buffer) system.assign(SystemName->Buffer, SystemName->Length / sizeof(wchar_t));
    lab::Gate gate(system.c_str(), lab::Family::Accounts, "LsaOpenPolicy");
    if (gate.Error()) return StatusFor(gate.Error());
    const bool admin = gate.RequireAdmin() == 0;
    constexpr ACCESS_MASK kOpenToAll = POLICY_VIEW_LOCAL_INFORMATION | POLICY_LOOKUP_NAMES | READ_CONTROL;
    ACCESS_MASK access = DesiredAccess & ~MAXIMUM_ALLOWED;
    if (DesiredAccess & MAXIMUM_ALLOWED) access |= admin ? POLICY_ALL_ACCESS : kOpenToAll;
    if ((access & ~kOpenToAll) && !admin) return kStatusAccessDenied;
    auto ref = std::make_shared<PolicyRef>(PolicyRef{access});
    *PolicyHandle = lab::Accounting::Get().IssueHandle(LAB_KIND_LSA_HANDLE, gate.Target().name, "LsaOpenPolicy",
                                                       std::move(ref));
    return kStatusSuccess;
}

NTSTATUS NTAPI plat::LsaAddAccountRights(LSA_HANDLE PolicyHandle, PSID AccountSid, PLSA_UNICODE_STRING UserRights,
                                         ULONG CountOfRights) {
    const lab::HandleOf<PolicyRef> policy(PolicyHandle, LAB_KIND_LSA_HANDLE);
    if (!policy) return kStatusInvalidHandle;
    if (!AccountSid || !::IsValidSid(AccountSid) || !UserRights || CountOfRights == 0) return kStatusInvalidParameter;
    std::vector<std::wstring> rights;
    for (ULONG i = 0; i < CountOfRights; ++i) {
        if (!UserRights[i].Buffer) return kStatusInvalidParameter;
        rights.emplace_back(UserRights[i].Buffer, UserRights[i].Length / sizeof(wchar_t));
        if (!IsRightName(rights.back())) return kStatusNoSuchPrivilege;
    }
    lab::Gate gate(policy.Computer(), lab::Family::Accounts, "LsaAddAccountRights");
    if (gate.Error()) return StatusFor(gate.Error());
    const ACCESS_MASK access = policy.Payload().access;
    lab::AccountDatabase& db = lab::AccountsOf(gate.Target());
    const std::wstring sid = lab::accounts::SidText(CopySid(AccountSid));
    // An account the policy does not know yet is created, which needs the
    // create right on the handle.
    const ACCESS_MASK needed = POLICY_LOOKUP_NAMES | (db.HasRightsEntry(sid) ? 0 : POLICY_CREATE_ACCOUNT);
    if ((access & needed) != needed) return kStatusAccessDenied;
    for (const std::wstring& right : rights) db.Grant(sid, right);
    return kStatusSuccess;
}

NTSTATUS NTAPI plat::LsaClose(LSA_HANDLE ObjectHandle) {
    if (!ObjectHandle) return kStatusInvalidHandle;
    return lab::Accounting::Get().Release(LAB_KIND_LSA_HANDLE, ObjectHandle, "LsaClose") ? kStatusSuccess
                                                                                          : kStatusInvalidHandle;
}

NTSTATUS NTAPI plat::LsaFreeMemory(PVOID Buffer) {
    if (!Buffer) return kStatusSuccess;
    return lab::ReleaseBlock(LAB_KIND_LSA_MEMORY, Buffer, "LsaFreeMemory") ? kStatusSuccess : kStatusInvalidParameter;
}

ULONG NTAPI plat::LsaNtStatusToWinError(NTSTATUS Status) {
    if (Status == kStatusSuccess) return ERROR_SUCCESS;
    for (const auto& [status, win32] : kStatusToError) {
        if (static_cast<DWORD>(Status) == status) return win32;
    }
    return ERROR_MR_MID_NOT_FOUND;  // as the platform answers a status it has no error for
}

NET_API_STATUS WINAPI plat::NetUserModalsGet(LPCWSTR servername, DWORD level, LPBYTE* bufptr) {
    if (!bufptr) return ERROR_INVALID_PARAMETER;
    *bufptr = nullptr;
    lab::Gate gate(servername, lab::Family::NetManagement, "NetUserModalsGet");
    if (gate.Error()) return gate.Error();
    const lab::Network& net = gate.Net();
    const lab::Computer& c = gate.Target();
    const bool dc = c.os.role == lab::Role::DomainController;
    switch (level) {
        case 0: {
            lab::RecordBuffer<USER_MODALS_INFO_0> out(1, 0);
            if (!out) return ERROR_NOT_ENOUGH_MEMORY;
            out[0].usrmod0_min_passwd_len = lab::AccountsOf(c).minPasswordLength;
            out[0].usrmod0_max_passwd_age = 42 * 86400;
            out[0].usrmod0_min_passwd_age = dc ? 86400 : 0;
            out[0].usrmod0_force_logoff = TIMEQ_FOREVER;
            out[0].usrmod0_password_hist_len = dc ? 24 : 0;
            *bufptr = static_cast<LPBYTE>(out.Hand(LAB_KIND_NET_BUFFER, c.name, "NetUserModalsGet"));
            return NERR_Success;
        }
        case 1: {
            const std::wstring primary = c.domain == net.domainName && !dc ? L"" : c.name;
            lab::RecordBuffer<USER_MODALS_INFO_1> out(1, lab::Chars(primary));
            if (!out) return ERROR_NOT_ENOUGH_MEMORY;
            out[0].usrmod1_role = dc ? UAS_ROLE_PRIMARY : UAS_ROLE_MEMBER;
            out[0].usrmod1_primary = out.Put(primary);
            *bufptr = static_cast<LPBYTE>(out.Hand(LAB_KIND_NET_BUFFER, c.name, "NetUserModalsGet"));
            return NERR_Success;
        }
        case 2: {
            const SidBytes sid = lab::accounts::MachineSid(net, c);
            const std::wstring domain = lab::accounts::AccountDomainName(net, c);
            // The identifier goes first in the string area (its length is a
            // multiple of 4, so it stays aligned), then the name.
            const size_t sidChars = sid.size() / sizeof(wchar_t);
            lab::RecordBuffer<USER_MODALS_INFO_2> out(1, sidChars + 1 + lab::Chars(domain));
            if (!out) return ERROR_NOT_ENOUGH_MEMORY;
            out[0].usrmod2_domain_id = out.Put(std::wstring_view(reinterpret_cast<const wchar_t*>(sid.data()), sidChars));
            out[0].usrmod2_domain_name = out.Put(domain);
            *bufptr = static_cast<LPBYTE>(out.Hand(LAB_KIND_NET_BUFFER, c.name, "NetUserModalsGet"));
            return NERR_Success;
        }
        case 3: {
            lab::RecordBuffer<USER_MODALS_INFO_3> out(1, 0);
            if (!out) return ERROR_NOT_ENOUGH_MEMORY;
            out[0].usrmod3_lockout_duration = 1800;
            out[0].usrmod3_lockout_observation_window = 1800;
            out[0].usrmod3_lockout_threshold = 0;
            *bufptr = static_cast<LPBYTE>(out.Hand(LAB_KIND_NET_BUFFER, c.name, "NetUserModalsGet"));
            return NERR_Success;
        }
        default:
            return ERROR_INVALID_LEVEL;
    }
}

DWORD LabAccountRights(const wchar_t* computer, const wchar_t* sid, wchar_t* buffer, DWORD chars) {
    if (!sid) return 0;
    const lab::LockedComputer c(computer);
    if (!c) return 0;
    std::wstring text;
    if (const auto* rights = lab::AccountsOf(*c).RightsOf(sid)) {
        for (const std::wstring& right : *rights) text += (text.empty() ? L"" : L"\n") + right;
    }
    return lab::CopyOut(text, buffer, chars);
}
