#include "common/ModuleLibrary.h"

namespace vantrel {

DWORD ModuleLibrary::Load(const wchar_t* name) noexcept {
    Free();
    if (!name || !*name) return ERROR_INVALID_NAME;
    module_.Reset(::LoadLibraryW(name));
    return module_ ? 0 : ::GetLastError();
}

void ModuleLibrary::Free() noexcept { module_.Reset(); }

}  // namespace vantrel
