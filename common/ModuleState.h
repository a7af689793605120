#pragma once
// The state one loaded module (Vantrel.dll, a companion DLL) keeps: its
// instance handle and its lock count. Every live object adds one to the
// lock, as does each LockServer(TRUE); the module can unload at 0.
#include <windows.h>

namespace vantrel::module {

void SetInstance(HINSTANCE instance) noexcept;
// The module's own instance (set by DllMain); the program's when the code is
// linked into an executable, as in tests.
HINSTANCE Instance() noexcept;
// Full path of the module.
bool Path(wchar_t* buffer, DWORD size) noexcept;

LONG Lock() noexcept;
LONG Unlock() noexcept;
LONG LockCount() noexcept;

}  // namespace vantrel::module
