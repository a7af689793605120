#include "services/ServiceControlManager.h"

#include "common/Result.h"
#include "services/TvServiceEnum.h"

#include <new>

namespace vantrel {

HRESULT ServiceControlManager::Connect(const wchar_t* computer, ComPtr<ServiceControlManager>& out) noexcept {
    out.Reset();
    try {
        out = ComPtr<ServiceControlManager>(new ServiceControlManager(computer ? computer : L""));
    } catch (const std::bad_alloc&) {
        RETURN_HR(E_OUTOFMEMORY);
    }
    return S_OK;
}

HRESULT ServiceControlManager::Open(const wchar_t* database) {
    handle_.Reset();
    handle_.Reset(plat::OpenSCManagerW(computer_.c_str(), database, access_));
    RETURN_LAST_ERROR_IF(!handle_);
    return S_OK;
}

HRESULT ServiceControlManager::EnumServices(ComPtr<TvServiceEnum>& out) {
    RETURN_IF_FAILED(TvServiceEnum::Create(out));
    DWORD needed = 0;
    DWORD returned = 0;
    DWORD resume = 0;
    if (plat::EnumServicesStatusExW(handle_.Get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL, nullptr,
                                    0, &needed, &returned, &resume, nullptr)) {
        return S_OK;  // nothing to list
    }
    const DWORD error = ::GetLastError();
    // An enumeration that failed without an error is reported as an empty
    // success here, by this call's own contract.
    if (error != ERROR_MORE_DATA) RETURN_HR(HResultFromWin32(static_cast<long>(error)));
    if (needed == 0) return S_FALSE;

    std::vector<BYTE> buffer;
    try {
        buffer.resize(needed);
    } catch (const std::bad_alloc&) {
        RETURN_HR(E_OUTOFMEMORY);
    }
    resume = 0;
    if (!plat::EnumServicesStatusExW(handle_.Get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL,
                                     buffer.data(), needed, &needed, &returned, &resume, nullptr)) {
        // Whatever went wrong, the caller sees "more data": the list changed
        // or the second call could not be served.
        RETURN_WIN32(ERROR_MORE_DATA);
    }
    const auto* entries = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i) out->Append(ServiceRef(entries[i].lpServiceName, this));
    return S_OK;
}

}  // namespace vantrel
