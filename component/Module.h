#pragma once
// Vantrel.dll's module-wide pieces: the class table and the type library.
#include <windows.h>

namespace vantrel {

// LIBID, version and locale of the type library VANTRELLib.
extern const GUID kTypeLibraryId;
constexpr WORD kTypeLibraryMajor = 1;
constexpr WORD kTypeLibraryMinor = 0;
constexpr LCID kTypeLibraryLocale = 0x0409;

HRESULT RegisterModuleTypeLibrary() noexcept;
HRESULT UnregisterModuleTypeLibrary() noexcept;

}  // namespace vantrel
