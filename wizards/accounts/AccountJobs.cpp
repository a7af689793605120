#include "wizards/accounts/AccountJobs.h"

#include "common/AccountNames.h"
#include "common/PlatHandles.h"
#include "common/Result.h"
#include "credentials/Credentials.h"
#include "platform/NetManagement.h"

#include <lm.h>

#include <string>

namespace vantrel {

HRESULT AccountJob::RunOn(DWORD rid) {
    // The manager's workers are single-threaded apartments: this start is
    // refused there and then must not be undone; where it succeeds it is.
    ComApartment apartment(COINIT_MULTITHREADED);
    if (!computerName || !*computerName.Get()) {
        status = HRESULT_FROM_WIN32(ERROR_INVALID_COMPUTERNAME);
        return status;
    }
    const std::wstring server = std::wstring(L"\\\\") + computerName.Get();

    AlternateCredentials credentials;
    RecallCredentials(credentials);

    std::wstring account;
    status = AccountNameForRid(server.c_str(), rid, account);
    if (SUCCEEDED(status)) status = Change(server.c_str(), account.c_str());
    return status;
}

HRESULT SetAccountDisabled(const wchar_t* server, const wchar_t* account, bool disable) {
    UniqueNetBuffer buffer;
    NET_API_STATUS error = plat::NetUserGetInfo(server, account, 20, PutNetBuffer(buffer));
    if (error != NERR_Success) RETURN_WIN32(error);
    const DWORD flags = reinterpret_cast<const USER_INFO_20*>(buffer.Get())->usri20_flags;
    if (((flags & UF_ACCOUNTDISABLE) != 0) == disable) return S_OK;
    USER_INFO_1008 change{disable ? (flags | UF_ACCOUNTDISABLE) : (flags & ~static_cast<DWORD>(UF_ACCOUNTDISABLE))};
    error = plat::NetUserSetInfo(server, account, 1008, reinterpret_cast<LPBYTE>(&change), nullptr);
    if (error != NERR_Success) RETURN_WIN32(error);
    return S_OK;
}

HRESULT GuestAccountJob::Execute() {
    RunOn(kGuestRid);
    AdvanceProgress();
    return status;
}

HRESULT GuestAccountJob::Change(const wchar_t* server, const wchar_t* account) {
    return SetAccountDisabled(server, account, true);
}

AdminPasswordJob::AdminPasswordJob(const AdminPasswordJob& other) noexcept : AccountJob(other) {
    password.Reset(CopyBstr(other.password.Get()));
}

AdminPasswordJob& AdminPasswordJob::operator=(const AdminPasswordJob& other) noexcept {
    if (this != &other) {
        AccountJob::operator=(other);
        password.Reset(CopyBstr(other.password.Get()));
    }
    return *this;
}

HRESULT AdminPasswordJob::Execute() {
    RunOn(kAdministratorRid);
    AdvanceProgress();
    return status;
}

HRESULT AdminPasswordJob::Change(const wchar_t* server, const wchar_t* account) {
    wchar_t empty[] = L"";
    USER_INFO_1003 change{password && *password.Get() ? password.Get() : empty};
    const NET_API_STATUS error =
        plat::NetUserSetInfo(server, account, 1003, reinterpret_cast<LPBYTE>(&change), nullptr);
    if (error != NERR_Success) RETURN_WIN32(error);
    return S_OK;
}

}  // namespace vantrel
