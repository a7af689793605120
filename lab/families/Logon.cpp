// Logon, impersonation and the caller's names. Identities are per thread:
// ImpersonateLoggedOnUser makes the thread act as the token's account for
// every later call of any family; RevertToSelf and ImpersonateSelf bring it
// back to the process's own identity (the network's interactive user).
// Everything here is local, so the gate is opened on the local computer
// (faults can still be injected by function name).
#include "platform/Logon.h"

#include "lab/Accounting.h"
#include "lab/Gate.h"
#include "lab/Identity.h"
#include "lab/Protocol.h"
#include "lab/Text.h"

#include <cstddef>
#include <string>
#include <vector>

using lab::Fail;

namespace {

// The account `name` stands for in `format`, or null.
const lab::Account* AccountByName(const lab::Network& net, const wchar_t* name, EXTENDED_NAME_FORMAT format) {
    if (!name || !*name) return nullptr;
    switch (format) {
        case NameSamCompatible:
        case NameUserPrincipal:
            return net.FindAccount(name);
        case NameCanonical: {
            // "lab.local/Users/alice": the domain's DNS name, a container, the user.
            const std::wstring_view text(name);
            const size_t slash = text.rfind(L'/');
            if (slash == std::wstring_view::npos) return nullptr;
            const std::wstring_view user = text.substr(slash + 1);
            const std::wstring_view dns = text.substr(0, text.find(L'/'));
            if (!lab::EqualsNoCase(dns, net.domainDnsName)) return nullptr;
            return net.FindAccount(net.domainName + L"\\" + std::wstring(user));
        }
        default:
            return nullptr;
    }
}

std::wstring NameIn(const lab::Network& net, const lab::Account& account, EXTENDED_NAME_FORMAT format) {
    switch (format) {
        case NameSamCompatible: return account.name;
        case NameUserPrincipal: return account.upn;
        case NameCanonical: return net.domainDnsName + L"/Users/" + std::wstring(account.User());
        default: return {};
    }
}

// Copies `text` out with the size protocol of the name functions: the size
// in characters with the terminator when it does not fit (`tooSmall` as the
// error), without it when it does.
BOOLEAN CopyName(const std::wstring& text, LPWSTR buffer, PULONG size, DWORD tooSmall) {
    const ULONG needed = static_cast<ULONG>(text.size() + 1);
    if (!buffer || *size < needed) {
        *size = needed;
        ::SetLastError(tooSmall);
        return FALSE;
    }
    text.copy(buffer, text.size());
    buffer[text.size()] = L'\0';
    *size = needed - 1;
    return TRUE;
}

}  // namespace

BOOL WINAPI plat::LogonUserW(LPCWSTR lpszUsername, LPCWSTR lpszDomain, LPCWSTR lpszPassword, DWORD dwLogonType,
                             DWORD dwLogonProvider, PHANDLE phToken) {
    if (!phToken) return Fail(ERROR_INVALID_PARAMETER);
    *phToken = nullptr;
    lab::Gate gate(nullptr, lab::Family::Logon, "LogonUserW");
    if (gate.Error()) return Fail(gate.Error());
    if (dwLogonType < LOGON32_LOGON_INTERACTIVE || dwLogonType > LOGON32_LOGON_NEW_CREDENTIALS ||
        dwLogonProvider > LOGON32_PROVIDER_WINNT50)
        return Fail(ERROR_INVALID_PARAMETER);
    std::wstring account;
    if (const DWORD error = lab::CheckCredentials(gate.Net(), lpszUsername, lpszDomain, lpszPassword, account))
        return Fail(error);
    *phToken = lab::CreateToken(account, gate.Target().name, "LogonUserW");
    return TRUE;
}

BOOL WINAPI plat::ImpersonateLoggedOnUser(HANDLE hToken) {
    lab::Gate gate(nullptr, lab::Family::Logon, "ImpersonateLoggedOnUser");
    if (gate.Error()) return Fail(gate.Error());
    std::wstring account;
    if (!lab::TokenAccount(hToken, account)) return Fail(ERROR_INVALID_HANDLE);
    lab::ImpersonateAccount(account);
    return TRUE;
}

BOOL WINAPI plat::ImpersonateSelf(SECURITY_IMPERSONATION_LEVEL ImpersonationLevel) {
    lab::Gate gate(nullptr, lab::Family::Logon, "ImpersonateSelf");
    if (gate.Error()) return Fail(gate.Error());
    if (ImpersonationLevel < SecurityAnonymous || ImpersonationLevel > SecurityDelegation)
        return Fail(ERROR_INVALID_PARAMETER);
    // A copy of the process's token: the thread acts as the process again,
    // with the process token's privileges as they are now.
    lab::ImpersonateAccount(gate.Net().interactiveUser, true);
    return TRUE;
}

BOOL WINAPI plat::RevertToSelf() {
    lab::RevertToInteractiveUser();
    return TRUE;
}

BOOL WINAPI plat::OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle) {
    if (!TokenHandle) return Fail(ERROR_NOACCESS);
    lab::Gate gate(nullptr, lab::Family::Logon, "OpenProcessToken");
    if (gate.Error()) return Fail(gate.Error());
    // The process's own token only: other processes are not part of the lab.
    if (ProcessHandle != ::GetCurrentProcess() && ::GetProcessId(ProcessHandle) != ::GetCurrentProcessId())
        return Fail(ERROR_INVALID_HANDLE);
    *TokenHandle = lab::CreateToken(gate.Net().interactiveUser, gate.Target().name, "OpenProcessToken",
                                    lab::ProcessToken(), lab::MapTokenAccess(DesiredAccess));
    return TRUE;
}

BOOL WINAPI plat::OpenThreadToken(HANDLE ThreadHandle, DWORD DesiredAccess, BOOL OpenAsSelf, PHANDLE TokenHandle) {
    (void)OpenAsSelf;  // the lab checks no access to the token object itself
    if (!TokenHandle) return Fail(ERROR_NOACCESS);
    *TokenHandle = nullptr;
    lab::Gate gate(nullptr, lab::Family::Logon, "OpenThreadToken");
    if (gate.Error()) return Fail(gate.Error());
    // The calling thread's token only.
    if (ThreadHandle != ::GetCurrentThread() && ::GetThreadId(ThreadHandle) != ::GetCurrentThreadId())
        return Fail(ERROR_INVALID_HANDLE);
    if (!lab::IsImpersonating()) return Fail(ERROR_NO_TOKEN);
    *TokenHandle = lab::CreateToken(lab::ActingIdentity(gate.Net()), gate.Target().name, "OpenThreadToken",
                                    lab::EffectiveToken(), lab::MapTokenAccess(DesiredAccess));
    return TRUE;
}

BOOL WINAPI plat::LookupPrivilegeValueW(LPCWSTR lpSystemName, LPCWSTR lpName, PLUID lpLuid) {
    if (!lpName || !lpLuid) return Fail(ERROR_INVALID_PARAMETER);
    lab::Gate gate(lpSystemName, lab::Family::Accounts, "LookupPrivilegeValueW");
    if (gate.Error()) return Fail(gate.Error());
    const DWORD luid = lab::PrivilegeLuid(lpName);
    if (!luid) return Fail(ERROR_NO_SUCH_PRIVILEGE);
    *lpLuid = LUID{luid, 0};
    return TRUE;
}

BOOL WINAPI plat::AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges, PTOKEN_PRIVILEGES NewState,
                                        DWORD BufferLength, PTOKEN_PRIVILEGES PreviousState, PDWORD ReturnLength) {
    lab::Gate gate(nullptr, lab::Family::Logon, "AdjustTokenPrivileges");
    if (gate.Error()) return Fail(gate.Error());
    const std::shared_ptr<const lab::TokenData> token = lab::FindToken(TokenHandle);
    if (!token) return Fail(ERROR_INVALID_HANDLE);
    if (!(token->access & TOKEN_ADJUST_PRIVILEGES) || (PreviousState && !(token->access & TOKEN_QUERY)))
        return Fail(ERROR_ACCESS_DENIED);
    if ((!DisableAllPrivileges && !NewState) || (PreviousState && !ReturnLength)) return Fail(ERROR_NOACCESS);

    // Work out the new state and what changed before changing anything: a
    // short previous-state buffer leaves the token as it was.
    ULONGLONG enabled = token->privileges->enabled;
    std::vector<LUID_AND_ATTRIBUTES> changed;
    bool notAll = false;
    auto set = [&](DWORD luid, bool on) {
        const ULONGLONG bit = 1ULL << luid;
        if (((enabled & bit) != 0) == on) return;
        changed.push_back(LUID_AND_ATTRIBUTES{LUID{luid, 0}, on ? 0u : static_cast<DWORD>(SE_PRIVILEGE_ENABLED)});
        enabled ^= bit;
    };
    if (DisableAllPrivileges) {
        for (DWORD luid = 0; luid < 64; ++luid) set(luid, false);
    } else {
        for (DWORD i = 0; i < NewState->PrivilegeCount; ++i) {
            const LUID_AND_ATTRIBUTES& p = NewState->Privileges[i];
            const std::wstring name = p.Luid.HighPart ? std::wstring() : lab::PrivilegeName(p.Luid.LowPart);
            if (name.empty() || !lab::HoldsPrivilege(gate.Net(), token->account, name)) {
                notAll = true;
                continue;
            }
            set(p.Luid.LowPart, (p.Attributes & SE_PRIVILEGE_ENABLED) != 0);
        }
    }
    if (PreviousState) {
        const DWORD needed = static_cast<DWORD>(offsetof(TOKEN_PRIVILEGES, Privileges) +
                                                changed.size() * sizeof(LUID_AND_ATTRIBUTES));
        *ReturnLength = needed;
        if (BufferLength < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
        PreviousState->PrivilegeCount = static_cast<DWORD>(changed.size());
        for (size_t i = 0; i < changed.size(); ++i) PreviousState->Privileges[i] = changed[i];
    }
    token->privileges->enabled = enabled;
    ::SetLastError(notAll ? ERROR_NOT_ALL_ASSIGNED : ERROR_SUCCESS);
    return TRUE;
}

BOOLEAN SEC_ENTRY plat::TranslateNameW(LPCWSTR lpAccountName, EXTENDED_NAME_FORMAT AccountNameFormat,
                                       EXTENDED_NAME_FORMAT DesiredNameFormat, LPWSTR lpTranslatedName,
                                       PULONG nSize) {
    if (!lpAccountName || !nSize) return Fail(ERROR_INVALID_PARAMETER);
    lab::Gate gate(nullptr, lab::Family::Logon, "TranslateNameW");
    if (gate.Error()) return Fail(gate.Error());
    const lab::Account* account = AccountByName(gate.Net(), lpAccountName, AccountNameFormat);
    if (!account) return Fail(ERROR_NONE_MAPPED);
    const std::wstring text = NameIn(gate.Net(), *account, DesiredNameFormat);
    if (text.empty()) return Fail(ERROR_NONE_MAPPED);
    return CopyName(text, lpTranslatedName, nSize, ERROR_INSUFFICIENT_BUFFER);
}

BOOLEAN SEC_ENTRY plat::GetUserNameExW(EXTENDED_NAME_FORMAT NameFormat, LPWSTR lpNameBuffer, PULONG nSize) {
    if (!nSize) return Fail(ERROR_INVALID_PARAMETER);
    lab::Gate gate(nullptr, lab::Family::Logon, "GetUserNameExW");
    if (gate.Error()) return Fail(gate.Error());
    const lab::Network& net = gate.Net();
    const lab::Account* account = net.FindAccount(lab::ActingIdentity(net));
    if (!account) return Fail(ERROR_NONE_MAPPED);
    const std::wstring text = NameIn(net, *account, NameFormat);
    if (text.empty()) return Fail(ERROR_NONE_MAPPED);
    return CopyName(text, lpNameBuffer, nSize, ERROR_MORE_DATA);
}

BOOL WINAPI plat::CloseHandle(HANDLE hObject) {
    if (!lab::Accounting::IsLabHandle(hObject)) return ::CloseHandle(hObject);  // seam: local
    // Files on a share and tokens are the lab's; a value of neither (closed
    // already, never issued) is noted as a bad token release.
    lab::Accounting& accounting = lab::Accounting::Get();
    const LabKind kind = accounting.Find(LAB_KIND_FILE_HANDLE, hObject) ? LAB_KIND_FILE_HANDLE : LAB_KIND_TOKEN;
    return accounting.Release(kind, hObject, "CloseHandle") ? TRUE : Fail(ERROR_INVALID_HANDLE);
}
