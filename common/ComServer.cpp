#include "common/ComServer.h"

#include "common/ComPtr.h"

#include <oleauto.h>

namespace vantrel {
namespace {

HRESULT LoadEmbedded(wchar_t (&path)[MAX_PATH], ComPtr<ITypeLib>& library) noexcept {
    RETURN_LAST_ERROR_IF(!module::Path(path, MAX_PATH));
    return ::LoadTypeLibEx(path, REGKIND_NONE, library.Put());
}

}  // namespace

HRESULT RegisterEmbeddedTypeLibrary() noexcept {
    wchar_t path[MAX_PATH];
    ComPtr<ITypeLib> library;
    RETURN_IF_FAILED(LoadEmbedded(path, library));
    return ::RegisterTypeLib(library.Get(), path, nullptr);
}

HRESULT UnregisterEmbeddedTypeLibrary() noexcept {
    wchar_t path[MAX_PATH];
    ComPtr<ITypeLib> library;
    RETURN_IF_FAILED(LoadEmbedded(path, library));
    TLIBATTR* attributes = nullptr;
    RETURN_IF_FAILED(library->GetLibAttr(&attributes));
    const HRESULT hr = ::UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                                           attributes->lcid, attributes->syskind);
    library->ReleaseTLibAttr(attributes);
    return hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_CANTLOADLIBRARY ? S_OK : hr;
}

}  // namespace vantrel
