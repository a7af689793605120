#include "lab/Identity.h"

#include "lab/Accounting.h"
#include "lab/Text.h"

#include <mutex>
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

struct TokenData {
    std::wstring account;
};

}  // namespace

std::wstring ActingIdentity(const Network& net) { return t_identity ? *t_identity : net.interactiveUser; }

bool IsImpersonating() { return t_identity != nullptr; }

void ImpersonateAccount(std::wstring_view account) { t_identity = Intern(account); }

void RevertToInteractiveUser() { t_identity = nullptr; }

bool MayAdminister(const Network& net, const Computer& computer, std::wstring_view identity) {
    const Account* account = net.FindAccount(identity);
    for (const std::wstring& admin : computer.administrators) {
        if (EqualsNoCase(admin, identity)) return true;
        if (!account) continue;
        for (const std::wstring& group : account->groups) {
            if (EqualsNoCase(admin, group)) return true;
        }
    }
    return false;
}

DWORD CheckCredentials(const Network& net, const wchar_t* user, const wchar_t* domain, const wchar_t* password,
                       std::wstring& account) {
    if (!user || !*user) return ERROR_INVALID_PARAMETER;
    std::wstring name = user;
    if (domain && *domain) {
        const std::wstring d = std::wstring_view(domain) == L"." ? net.Local().name : std::wstring(domain);
        name = d + L"\\" + name;
    }
    const Account* found = net.FindAccount(name);
    if (!found || found->password != (password ? password : L"")) return ERROR_LOGON_FAILURE;
    account = found->name;
    return 0;
}

HANDLE CreateToken(std::wstring_view account, std::wstring_view computer, const char* function) {
    auto data = std::make_shared<TokenData>(TokenData{std::wstring(account)});
    return Accounting::Get().IssueHandle(LAB_KIND_TOKEN, computer, function, std::move(data));
}

bool TokenAccount(HANDLE token, std::wstring& account) {
    AccountedObject record;
    if (!Accounting::Get().Find(LAB_KIND_TOKEN, token, &record)) return false;
    account = static_cast<const TokenData*>(record.payload.get())->account;
    return true;
}

}  // namespace lab
