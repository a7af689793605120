#pragma once
// Printers of a computer (spooler) and the shell's printer windows.
#include "platform/PlatApi.h"
#include <winspool.h>
#include <shellapi.h>

namespace plat {
PLAT_API BOOL WINAPI EnumPrintersW(DWORD Flags, LPWSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned);
PLAT_API BOOL WINAPI SHInvokePrinterCommandW(HWND hwnd, UINT uAction, LPCWSTR lpBuf1, LPCWSTR lpBuf2, BOOL fModal);
}  // namespace plat
