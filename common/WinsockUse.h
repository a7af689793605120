#pragma once
// Winsock has to be started by every process that resolves names; the console
// that hosts us may never have started it, and then every lookup fails with
// WSANOTINITIALISED. The platform counts starts, so each owner pairs its one
// start with one cleanup and owners may nest or overlap freely.
#include "common/Result.h"
#include "platform/Plat.h"

namespace vantrel {

class WinsockUse {
public:
    WinsockUse() noexcept {
        WSADATA data{};
        const int error = plat::WSAStartup(MAKEWORD(2, 2), &data);
        status_ = error == 0 ? S_OK : HResultFromFailure(static_cast<DWORD>(error));
    }
    ~WinsockUse() {
        if (SUCCEEDED(status_)) plat::WSACleanup();
    }
    WinsockUse(const WinsockUse&) = delete;
    WinsockUse& operator=(const WinsockUse&) = delete;

    // S_OK when Winsock was started; lookups fail otherwise.
    HRESULT Status() const noexcept { return status_; }

private:
    HRESULT status_ = E_FAIL;
};

}  // namespace vantrel
