#include "common/Dispatch.h"

#include "common/ModuleState.h"
#include "common/Result.h"

namespace vantrel {

HRESULT LoadModuleTypeLibrary(ITypeLib** library) noexcept {
    wchar_t path[MAX_PATH];
    if (!module::Path(path, MAX_PATH)) RETURN_HR(E_FAIL);
    return ::LoadTypeLibEx(path, REGKIND_NONE, library);
}

HRESULT DispatchHelper::Load() noexcept {
    if (info_) return S_OK;
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadModuleTypeLibrary(library.Put());
    if (FAILED(hr)) return hr;
    return library->GetTypeInfoOfGuid(iid_, info_.Put());
}

HRESULT DispatchHelper::GetTypeInfoCount(UINT* count) noexcept {
    if (!count) RETURN_HR(E_POINTER);
    *count = 1;
    return S_OK;
}

HRESULT DispatchHelper::GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept {
    if (!info) RETURN_HR(E_POINTER);
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    HRESULT hr = Load();
    if (FAILED(hr)) return hr;
    return info_.CopyTo(info);
}

HRESULT DispatchHelper::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    HRESULT hr = Load();
    if (FAILED(hr)) return hr;
    return ::DispGetIDsOfNames(info_.Get(), names, count, ids);
}

HRESULT DispatchHelper::Invoke(void* self, DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* exception, UINT* argError) noexcept {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    HRESULT hr = Load();
    if (FAILED(hr)) return hr;
    return info_->Invoke(self, id, flags, params, result, exception, argError);
}

}  // namespace vantrel
