#include "services/ServiceControlManager.h"

#include "common/Result.h"
#include "common/SizeQuery.h"
#include "services/TvServiceEnum.h"

#include <new>

namespace vantrel {

HRESULT ServiceControlManager::Connect(const wchar_t* computer, ComPtr<ServiceControlManager>& out) noexcept {
    out.Reset();
    try {
        out = ComPtr<ServiceControlManager>(new ServiceControlManager(computer ? computer : L""));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
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
    DWORD returned = 0;
    bool filling = false;
    bool nothingListed = false;
    auto query = [&](BYTE* buffer, DWORD size, DWORD* needed) {
        filling = buffer != nullptr;
        DWORD resume = 0;  // the whole list in one buffer
        const BOOL ok = plat::EnumServicesStatusExW(handle_.Get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32,
                                                    SERVICE_STATE_ALL, buffer, size, needed, &returned, &resume,
                                                    nullptr);
        nothingListed = ok && !filling;
        return ok;
    };
    UniqueCoTaskMem block;
    const HRESULT hr = QueryWithSize(query, block);
    // Whatever went wrong with the second call, the caller sees "more data":
    // the list changed or could not be served.
    if (FAILED(hr)) return filling ? HResultFromWin32(ERROR_MORE_DATA) : hr;
    if (hr == S_FALSE) return nothingListed ? S_OK : S_FALSE;  // S_FALSE: "more data" of no size at all
    const auto* entries = static_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(block.Get());
    for (DWORD i = 0; i < returned; ++i) out->Append(ServiceRef(entries[i].lpServiceName, this));
    return S_OK;
}

}  // namespace vantrel
