#pragma once
// Enables one privilege on the calling thread's effective token while it
// lives and then puts the token back as it was. Some calls are checked
// against an enabled privilege, not a held one (failure actions that reboot
// need the shutdown privilege), and tokens start with it disabled.
//
// A thread that impersonates has its own token, which is changed and
// restored. A thread that does not gets a copy of the process token for the
// time being (ImpersonateSelf, reverted at the end), so that neither the
// process token nor the other threads ever see the change.
#include "common/PlatHandles.h"

#include <windows.h>

namespace vantrel {

class EnabledPrivilege {
public:
    explicit EnabledPrivilege(const wchar_t* privilege) noexcept;
    EnabledPrivilege(const EnabledPrivilege&) = delete;
    EnabledPrivilege& operator=(const EnabledPrivilege&) = delete;
    ~EnabledPrivilege();

    // S_OK when the privilege is enabled now; otherwise why it is not
    // (HRESULT of ERROR_NOT_ALL_ASSIGNED: the account does not hold it). The
    // caller goes on either way and lets the checked call answer.
    HRESULT Status() const noexcept { return status_; }

private:
    UniqueToken token_;
    TOKEN_PRIVILEGES previous_{};  // what the adjustment changed, to undo it
    bool impersonating_ = false;   // the copy of the process token is ours to drop
    HRESULT status_ = E_FAIL;
};

}  // namespace vantrel
