// TEMPORARY BRIDGE, delete when the lab's logon family (plat::CloseHandle) lands from main.
#include "platform/KernelHandles.h"
#include "lab/Accounting.h"
BOOL WINAPI plat::CloseHandle(HANDLE h) {
    if (!lab::Accounting::IsLabHandle(h)) return ::CloseHandle(h);
    if (lab::Accounting::Get().Release(LAB_KIND_TOKEN, h, "CloseHandle")) return TRUE;
    ::SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}
