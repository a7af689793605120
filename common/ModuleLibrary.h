#pragma once
// Owner of one module loaded only as a source of message texts.
#include "common/Handles.h"

#include <windows.h>

namespace vantrel {

class ModuleLibrary {
public:
    ModuleLibrary() noexcept = default;
    ModuleLibrary(const ModuleLibrary&) = delete;
    ModuleLibrary& operator=(const ModuleLibrary&) = delete;

    // Loads `name` with LoadLibraryW. A null or empty name is refused with
    // ERROR_INVALID_NAME without a call. Returns 0 or the platform error.
    DWORD Load(const wchar_t* name) noexcept;

    // Frees the module if this object loaded it; safe to call repeatedly.
    void Free() noexcept;

    HMODULE Handle() const noexcept { return module_.Get(); }

private:
    UniqueModule module_;
};

}  // namespace vantrel
