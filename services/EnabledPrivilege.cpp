#include "services/EnabledPrivilege.h"

#include "common/Result.h"
#include "platform/Logon.h"

namespace vantrel {

namespace {

constexpr DWORD kTokenRights = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY;

HRESULT LastErrorOr(HRESULT fallback) {
    const DWORD error = ::GetLastError();
    return error ? HResultFromWin32(static_cast<long>(error)) : fallback;
}

}  // namespace

EnabledPrivilege::EnabledPrivilege(const wchar_t* privilege) noexcept {
    if (!plat::OpenThreadToken(::GetCurrentThread(), kTokenRights, TRUE, token_.Put())) {
        if (::GetLastError() != ERROR_NO_TOKEN) {
            status_ = LastErrorOr(E_FAIL);
            return;
        }
        if (!plat::ImpersonateSelf(SecurityImpersonation)) {
            status_ = LastErrorOr(E_FAIL);
            return;
        }
        impersonating_ = true;
        if (!plat::OpenThreadToken(::GetCurrentThread(), kTokenRights, TRUE, token_.Put())) {
            status_ = LastErrorOr(E_FAIL);
            return;
        }
    }
    TOKEN_PRIVILEGES wanted{};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!plat::LookupPrivilegeValueW(nullptr, privilege, &wanted.Privileges[0].Luid)) {
        status_ = LastErrorOr(E_FAIL);
        return;
    }
    DWORD length = 0;
    if (!plat::AdjustTokenPrivileges(token_.Get(), FALSE, &wanted, sizeof previous_, &previous_, &length)) {
        previous_.PrivilegeCount = 0;
        status_ = LastErrorOr(E_FAIL);
        return;
    }
    // Success with ERROR_NOT_ALL_ASSIGNED: the account does not hold it.
    const DWORD error = ::GetLastError();
    status_ = error == ERROR_NOT_ALL_ASSIGNED ? HResultFromWin32(static_cast<long>(error)) : S_OK;
}

EnabledPrivilege::~EnabledPrivilege() {
    if (token_ && previous_.PrivilegeCount)
        (void)plat::AdjustTokenPrivileges(token_.Get(), FALSE, &previous_, 0, nullptr, nullptr);
    token_.Reset();
    if (impersonating_) (void)plat::RevertToSelf();
}

}  // namespace vantrel
