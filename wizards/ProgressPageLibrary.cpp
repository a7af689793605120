#include "wizards/ProgressPageLibrary.h"

#include "common/ModuleState.h"
#include "common/Result.h"

namespace vantrel {

std::wstring ModuleFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(module::Instance(), &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

HRESULT ProgressPageLibrary::Load() noexcept {
    if (factory_) return S_OK;
    const std::wstring path = ModuleFolder() + kFileName;
    const DWORD error = library_.Load(path.c_str());
    if (error != 0) RETURN_WIN32(error);
    factory_ = reinterpret_cast<ProgressPageFactory>(
        reinterpret_cast<void*>(::GetProcAddress(library_.Handle(), MAKEINTRESOURCEA(kFactoryOrdinal))));
    if (!factory_) {
        const DWORD missing = ::GetLastError();
        library_.Free();
        RETURN_WIN32(missing ? missing : ERROR_PROC_NOT_FOUND);
    }
    return S_OK;
}

HRESULT ProgressPageLibrary::CreatePage(HPROPSHEETPAGE* page, IProgressPage** progress) noexcept {
    RETURN_IF_FAILED(Load());
    return factory_(page, progress);
}

}  // namespace vantrel
