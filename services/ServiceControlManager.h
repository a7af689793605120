#pragma once
// A connection to the service control manager of one computer, shared by the
// service references and collections made from it.
#include "common/ComPtr.h"
#include "common/PlatHandles.h"
#include "common/RefCounted.h"

#include <string>

namespace vantrel {

class TvServiceEnum;

class ServiceControlManager final : public RefCounted {
public:
    static constexpr DWORD kAllAccess = SC_MANAGER_ALL_ACCESS;  // 0xF003F
    static constexpr DWORD kBatchAccess = SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE;  // 0x5

    // A new connection object (one reference, in `out`) for `computer`, kept
    // exactly as given; nothing is opened yet.
    static HRESULT Connect(const wchar_t* computer, ComPtr<ServiceControlManager>& out) noexcept;

    // Opens the computer's service control manager (database, access mask). The held handle is
    // closed first, whatever the outcome.
    HRESULT Open(const wchar_t* database);

    std::wstring ComputerName() const { return computer_; }
    DWORD AccessMask() const noexcept { return access_; }
    void SetAccessMask(DWORD access) noexcept { access_ = access; }
    SC_HANDLE Handle() const noexcept { return handle_.Get(); }

    // Every Win32 service of the computer, in the order the platform lists
    // them. `out` receives the collection whatever the result: S_OK, S_FALSE
    // (no services), the platform's error, or 0x800700EA when the second call
    // fails.
    HRESULT EnumServices(ComPtr<TvServiceEnum>& out);

private:
    explicit ServiceControlManager(std::wstring computer) : computer_(std::move(computer)) {}

    std::wstring computer_;
    DWORD access_ = kAllAccess;
    UniqueScHandle handle_;
};

}  // namespace vantrel
