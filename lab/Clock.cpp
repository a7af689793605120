#include "lab/Clock.h"

#include "platform/Clock.h"

#include <atomic>

namespace lab::clock {

namespace {
std::atomic<bool> g_virtual{false};
std::atomic<ULONGLONG> g_now{0};
}  // namespace

bool IsVirtual() { return g_virtual.load(); }

void UseVirtual(bool on) {
    // The time is set before the mode, so no reader sees a stale virtual time.
    if (on && !g_virtual.load()) g_now.store(::GetTickCount64());
    g_virtual.store(on);
}

ULONGLONG Now() { return g_virtual.load() ? g_now.load() : ::GetTickCount64(); }

void Set(ULONGLONG milliseconds) { g_now.store(milliseconds); }

void Advance(ULONGLONG milliseconds) { g_now.fetch_add(milliseconds); }

}  // namespace lab::clock

DWORD WINAPI plat::GetTickCount() { return static_cast<DWORD>(lab::clock::Now()); }

ULONGLONG WINAPI plat::GetTickCount64() { return lab::clock::Now(); }

VOID WINAPI plat::Sleep(DWORD dwMilliseconds) {
    // Sleep(INFINITE) blocks for good in either mode, as it does on Windows.
    if (!lab::clock::IsVirtual() || dwMilliseconds == INFINITE) {
        ::Sleep(dwMilliseconds);
        return;
    }
    lab::clock::Advance(dwMilliseconds);
    // Give way, so that a thread polling on virtual time lets the others run.
    ::Sleep(0);
}
