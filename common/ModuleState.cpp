#include "common/ModuleState.h"

namespace vantrel::module {
namespace {
HINSTANCE g_instance = nullptr;
volatile LONG g_locks = 0;
}  // namespace

void SetInstance(HINSTANCE instance) noexcept { g_instance = instance; }

HINSTANCE Instance() noexcept { return g_instance ? g_instance : ::GetModuleHandleW(nullptr); }

bool Path(wchar_t* buffer, DWORD size) noexcept {
    const DWORD length = ::GetModuleFileNameW(Instance(), buffer, size);
    return length != 0 && length < size;
}

LONG Lock() noexcept { return ::InterlockedIncrement(&g_locks); }
LONG Unlock() noexcept { return ::InterlockedDecrement(&g_locks); }
LONG LockCount() noexcept { return ::InterlockedCompareExchange(&g_locks, 0, 0); }

}  // namespace vantrel::module
