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
#include "lab/Text.h"

#include <string>

namespace {

BOOL Fail(DWORD error) {
    ::SetLastError(error);
    return FALSE;
}

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
    // A copy of the process's token: the thread acts as the process again.
    lab::RevertToInteractiveUser();
    return TRUE;
}

BOOL WINAPI plat::RevertToSelf() {
    lab::RevertToInteractiveUser();
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
