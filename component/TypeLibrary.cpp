#include "Vantrel_h.h"
#include "common/ComPtr.h"
#include "common/Dispatch.h"
#include "common/ModuleState.h"
#include "common/Result.h"
#include "component/Module.h"

#include <string>

namespace vantrel {

const GUID kTypeLibraryId = LIBID_VANTRELLib;

HRESULT RegisterModuleTypeLibrary() noexcept {
    wchar_t path[MAX_PATH];
    RETURN_LAST_ERROR_IF(!module::Path(path, MAX_PATH));
    ComPtr<ITypeLib> library;
    HRESULT hr = ::LoadTypeLibEx(path, REGKIND_NONE, library.Put());
    if (FAILED(hr)) {
        // A module without the embedded library: try the .tlb beside it.
        std::wstring tlb(path);
        const size_t dot = tlb.find_last_of(L'.');
        const size_t slash = tlb.find_last_of(L"\\/");
        if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) tlb.erase(dot);
        tlb += L".tlb";
        hr = ::LoadTypeLibEx(tlb.c_str(), REGKIND_NONE, library.Put());
        RETURN_IF_FAILED(hr);
        return ::RegisterTypeLib(library.Get(), const_cast<OLECHAR*>(tlb.c_str()), nullptr);
    }
    return ::RegisterTypeLib(library.Get(), path, nullptr);
}

HRESULT UnregisterModuleTypeLibrary() noexcept {
    // Looked up by name, as on systems whose oleaut32 may lack it.
    HMODULE oleaut = ::LoadLibraryW(L"oleaut32.dll");
    if (!oleaut) return S_OK;
    using UnRegisterFn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
    auto unregister = reinterpret_cast<UnRegisterFn>(::GetProcAddress(oleaut, "UnRegisterTypeLib"));
    if (unregister) unregister(kTypeLibraryId, kTypeLibraryMajor, kTypeLibraryMinor, kTypeLibraryLocale, SYS_WIN64);
    ::FreeLibrary(oleaut);
    return S_OK;
}

}  // namespace vantrel
