#include "common/ModuleLibrary.h"

namespace vantrel {

DWORD ModuleLibrary::Load(const wchar_t* name) noexcept {
    Free();
    if (!name || !*name) return ERROR_INVALID_NAME;
    module_ = ::LoadLibraryW(name);
    if (!module_) return ::GetLastError();
    mustFree_ = true;
    return 0;
}

void ModuleLibrary::Free() noexcept {
    if (mustFree_ && module_) ::FreeLibrary(module_);
    module_ = nullptr;
    mustFree_ = false;
}

}  // namespace vantrel
