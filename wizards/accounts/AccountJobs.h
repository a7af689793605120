#pragma once
// The jobs of the two account wizards: disable the built-in guest account,
// and set a new password on the built-in administrator account. Both find the
// account by its well-known relative identifier, so renamed accounts are found.
#include "common/Handles.h"
#include "wizards/ComputerJob.h"

namespace vantrel {

constexpr DWORD kAdministratorRid = 500;
constexpr DWORD kGuestRid = 501;

// What both jobs do before their own step: the server name, the computer's
// alternate credentials recalled on this thread, the account's name. A
// failure is the job's result.
class AccountJob : public ComputerJob {
protected:
    // Runs the common start and then `Change` for the named account; writes
    // and returns `status`.
    HRESULT RunOn(DWORD rid);
    virtual HRESULT Change(const wchar_t* server, const wchar_t* account) = 0;
};

class GuestAccountJob final : public AccountJob {
public:
    HRESULT Execute() override;

protected:
    HRESULT Change(const wchar_t* server, const wchar_t* account) override;
};

class AdminPasswordJob final : public AccountJob {
public:
    AdminPasswordJob() noexcept = default;
    AdminPasswordJob(const AdminPasswordJob& other) noexcept;
    AdminPasswordJob& operator=(const AdminPasswordJob& other) noexcept;

    HRESULT Execute() override;
    // The same password for every computer; null or empty sets an empty one.
    UniqueSecretBstr password;

protected:
    HRESULT Change(const wchar_t* server, const wchar_t* account) override;
};

// Sets (disable) or clears UF_ACCOUNTDISABLE on `account`: no write when the
// flag is already as wanted. Platform errors as HRESULTs.
HRESULT SetAccountDisabled(const wchar_t* server, const wchar_t* account, bool disable);

}  // namespace vantrel
