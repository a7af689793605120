#pragma once
// Files on a computer's administrative share ("\\computer\admin$\..."),
// opened, sized and read. Handles are closed with plat::CloseHandle. The lab
// serves paths into its computers' shares and passes any other path, and any
// handle it did not issue, on to the system, so a local file works here too.
#include "platform/PlatApi.h"
#include "platform/KernelHandles.h"

namespace plat {
PLAT_API HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
PLAT_API BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped);
PLAT_API BOOL WINAPI GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize);
}  // namespace plat
