#include "platform/KernelHandles.h"

BOOL WINAPI plat::CloseHandle(HANDLE hObject) { return ::CloseHandle(hObject); }
