#include "lab/Identity.h"

#include "lab/AccountDatabase.h"
#include "lab/Accounting.h"
#include "lab/Protocol.h"
#include "lab/Text.h"

#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace lab {

namespace {

// Names a thread acts as are interned for the life of the DLL, so that the
// thread-local slot is a plain pointer (nothing to destroy when threads end).
const std::wstring* Intern(std::wstring_view name) {
    static std::mutex mutex;
    static std::unordered_set<std::wstring> names;
    std::lock_guard lock(mutex);
    return &*names.emplace(name).first;
}

thread_local const std::wstring* t_identity = nullptr;

// What a fresh token has enabled: bypass traverse checking.
constexpr ULONGLONG kDefaultEnabled = 1ULL << 23;

// The process token's privileges and each impersonating thread's own
// token's, by thread. A thread that ends while impersonating leaves its
// entry; a later thread with the same identifier starts without a token and
// replaces it when it impersonates.
struct TokenStore {
    std::mutex mutex;
    std::shared_ptr<TokenPrivileges> process = std::make_shared<TokenPrivileges>(TokenPrivileges{kDefaultEnabled});
    std::unordered_map<DWORD, std::shared_ptr<TokenPrivileges>> threads;
};

TokenStore& Tokens() {
    static TokenStore store;
    return store;
}

struct Privilege {
    DWORD luid;
    const wchar_t* name;
};

constexpr Privilege kPrivileges[] = {
    {2, L"SeCreateTokenPrivilege"},         {3, L"SeAssignPrimaryTokenPrivilege"},
    {4, L"SeLockMemoryPrivilege"},          {5, L"SeIncreaseQuotaPrivilege"},
    {6, L"SeMachineAccountPrivilege"},      {7, L"SeTcbPrivilege"},
    {8, L"SeSecurityPrivilege"},            {9, L"SeTakeOwnershipPrivilege"},
    {10, L"SeLoadDriverPrivilege"},         {11, L"SeSystemProfilePrivilege"},
    {12, L"SeSystemtimePrivilege"},         {13, L"SeProfileSingleProcessPrivilege"},
    {14, L"SeIncreaseBasePriorityPrivilege"}, {15, L"SeCreatePagefilePrivilege"},
    {16, L"SeCreatePermanentPrivilege"},    {17, L"SeBackupPrivilege"},
    {18, L"SeRestorePrivilege"},            {19, L"SeShutdownPrivilege"},
    {20, L"SeDebugPrivilege"},              {21, L"SeAuditPrivilege"},
    {22, L"SeSystemEnvironmentPrivilege"},  {23, L"SeChangeNotifyPrivilege"},
    {24, L"SeRemoteShutdownPrivilege"},     {25, L"SeUndockPrivilege"},
    {26, L"SeSyncAgentPrivilege"},          {27, L"SeEnableDelegationPrivilege"},
    {28, L"SeManageVolumePrivilege"},       {29, L"SeImpersonatePrivilege"},
    {30, L"SeCreateGlobalPrivilege"},       {31, L"SeTrustedCredManAccessPrivilege"},
    {32, L"SeRelabelPrivilege"},            {33, L"SeIncreaseWorkingSetPrivilege"},
    {34, L"SeTimeZonePrivilege"},           {35, L"SeCreateSymbolicLinkPrivilege"},
};

}  // namespace

std::wstring ActingIdentity(const Network& net) { return t_identity ? *t_identity : net.interactiveUser; }

bool IsImpersonating() { return t_identity != nullptr; }

void ImpersonateAccount(std::wstring_view account, bool copyProcessToken) {
    TokenStore& store = Tokens();
    std::lock_guard lock(store.mutex);
    const ULONGLONG enabled = copyProcessToken ? store.process->enabled : kDefaultEnabled;
    store.threads[::GetCurrentThreadId()] = std::make_shared<TokenPrivileges>(TokenPrivileges{enabled});
    t_identity = Intern(account);
}

void RevertToInteractiveUser() {
    if (t_identity) {
        TokenStore& store = Tokens();
        std::lock_guard lock(store.mutex);
        store.threads.erase(::GetCurrentThreadId());
    }
    t_identity = nullptr;
}

bool MayAdminister(const Network& net, const Computer& computer, std::wstring_view identity) {
    return AccountsOf(computer).AnyIsMember(L"Administrators", IdentitySids(net, identity));
}

DWORD PrivilegeLuid(std::wstring_view name) {
    for (const Privilege& p : kPrivileges) {
        if (EqualsNoCase(p.name, name)) return p.luid;
    }
    return 0;
}

std::wstring PrivilegeName(DWORD luid) {
    for (const Privilege& p : kPrivileges) {
        if (p.luid == luid) return p.name;
    }
    return {};
}

std::shared_ptr<TokenPrivileges> EffectiveToken() {
    TokenStore& store = Tokens();
    std::lock_guard lock(store.mutex);
    if (t_identity) {
        const auto it = store.threads.find(::GetCurrentThreadId());
        if (it != store.threads.end()) return it->second;
    }
    return store.process;
}

std::shared_ptr<TokenPrivileges> ProcessToken() {
    TokenStore& store = Tokens();
    std::lock_guard lock(store.mutex);
    return store.process;
}

bool HoldsPrivilege(const Network& net, std::wstring_view account, std::wstring_view name) {
    return AccountsOf(net.Local()).Holds(IdentitySids(net, account), name);
}

bool PrivilegeEnabled(std::wstring_view name) {
    const DWORD luid = PrivilegeLuid(name);
    return luid && (EffectiveToken()->enabled & (1ULL << luid)) != 0;
}

void ResetProcessToken() {
    TokenStore& store = Tokens();
    std::lock_guard lock(store.mutex);
    store.process->enabled = kDefaultEnabled;
}

DWORD CheckCredentials(const Network& net, const wchar_t* user, const wchar_t* domain, const wchar_t* password,
                       std::wstring& account) {
    if (!user || !*user) return ERROR_INVALID_PARAMETER;
    std::wstring name = user;
    if (domain && *domain) {
        const std::wstring d = std::wstring_view(domain) == L"." ? net.Local().name : std::wstring(domain);
        name = d + L"\\" + name;
    }
    // A computer's own accounts are in its database.
    if (const size_t slash = name.find(L'\\'); slash != std::wstring::npos) {
        const Computer* computer = net.Find(name.substr(0, slash));
        if (computer && computer->os.role != Role::DomainController &&
            EqualsNoCase(AccountsOf(*computer).domainName, name.substr(0, slash))) {
            const LocalUser* user = AccountsOf(*computer).FindUser(name.substr(slash + 1));
            if (!user || user->password != (password ? password : L"")) return ERROR_LOGON_FAILURE;
            if (user->Disabled()) return ERROR_ACCOUNT_DISABLED;
            if (user->passwordExpired) return ERROR_PASSWORD_EXPIRED;
            account = AccountsOf(*computer).domainName + L"\\" + user->name;
            return 0;
        }
    }
    const Account* found = net.FindAccount(name);
    if (!found || found->password != (password ? password : L"")) return ERROR_LOGON_FAILURE;
    account = found->name;
    return 0;
}

ACCESS_MASK MapTokenAccess(ACCESS_MASK access) {
    if (access & (GENERIC_ALL | MAXIMUM_ALLOWED)) access |= TOKEN_ALL_ACCESS;
    if (access & GENERIC_READ) access |= TOKEN_READ;
    if (access & GENERIC_WRITE) access |= TOKEN_WRITE;
    if (access & GENERIC_EXECUTE) access |= TOKEN_EXECUTE;
    return access & ~(GENERIC_ALL | GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | MAXIMUM_ALLOWED);
}

HANDLE CreateToken(std::wstring_view account, std::wstring_view computer, const char* function,
                   std::shared_ptr<TokenPrivileges> privileges, ACCESS_MASK access) {
    if (!privileges) privileges = std::make_shared<TokenPrivileges>(TokenPrivileges{kDefaultEnabled});
    auto data = std::make_shared<TokenData>(TokenData{std::wstring(account), access, std::move(privileges)});
    return Accounting::Get().IssueHandle(LAB_KIND_TOKEN, computer, function, std::move(data));
}

std::shared_ptr<const TokenData> FindToken(HANDLE token) { return HandleOf<TokenData>(token, LAB_KIND_TOKEN).Shared(); }

bool TokenAccount(HANDLE token, std::wstring& account) {
    const std::shared_ptr<const TokenData> data = FindToken(token);
    if (!data) return false;
    account = data->account;
    return true;
}

}  // namespace lab
