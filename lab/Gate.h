#pragma once
// The gate every platform call of a family passes first:
//
//   lab::Gate gate(servername, lab::Family::NetManagement, "NetServerGetInfo");
//   if (gate.Error()) return gate.Error();
//   if (DWORD denied = gate.RequireAdmin()) return denied;   // where Windows checks
//   lab::Computer& c = gate.Target();                        // state is locked
//
// It resolves the server name (null or empty: the local computer; "\\NAME",
// "NAME", the DNS name or the address, in any case), counts the call, waits
// out the injected latency (without the lock), applies the fault rules, and
// answers for an unknown or offline computer as the family does on Windows.
// While the gate lives it holds the network's mutex: build the result and
// return; never call another plat function (or the control API) meanwhile.
#include "lab/Family.h"
#include "lab/Model.h"

#include <mutex>
#include <string>

namespace lab {

class Gate {
public:
    Gate(const wchar_t* server, Family family, const char* function);
    Gate(const Gate&) = delete;
    Gate& operator=(const Gate&) = delete;
    ~Gate();

    // 0 when the call may go on; else what the function returns (in the
    // family's form: a Win32 code, or an HRESULT for HRESULT families).
    DWORD Error() const noexcept { return error_; }
    // The error in HRESULT form, for the HRESULT parts of mixed families.
    HRESULT ErrorAsHResult() const noexcept;

    // The computer the call reached. Valid when Error() is 0 (for families
    // whose offline error is 0, it may be offline).
    Computer& Target() const noexcept { return *target_; }
    Network& Net() const noexcept { return *net_; }
    const FamilyInfo& Info() const noexcept { return info_; }

    // 0 when the calling thread's identity may administer the target, else
    // the family's access-denied error.
    DWORD RequireAdmin() const;
    std::wstring Identity() const;

private:
    const FamilyInfo& info_;
    std::unique_lock<std::mutex> lock_;
    Network* net_ = nullptr;
    Computer* target_ = nullptr;
    DWORD error_ = 0;
};

// Win32 codes (1..0xFFFF) become 0x8007xxxx; anything else passes unchanged.
constexpr HRESULT ToHResult(DWORD code) {
    return code > 0 && code <= 0xFFFF ? static_cast<HRESULT>(0x80070000u | code) : static_cast<HRESULT>(code);
}

}  // namespace lab
