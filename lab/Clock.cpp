#include "platform/Clock.h"

DWORD WINAPI plat::GetTickCount() { return ::GetTickCount(); }
ULONGLONG WINAPI plat::GetTickCount64() { return ::GetTickCount64(); }
VOID WINAPI plat::Sleep(DWORD dwMilliseconds) { ::Sleep(dwMilliseconds); }
