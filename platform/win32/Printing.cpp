#include "platform/Printing.h"

BOOL WINAPI plat::EnumPrintersW(DWORD Flags, LPWSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned) { return ::EnumPrintersW(Flags, Name, Level, pPrinterEnum, cbBuf, pcbNeeded, pcReturned); }
BOOL WINAPI plat::SHInvokePrinterCommandW(HWND hwnd, UINT uAction, LPCWSTR lpBuf1, LPCWSTR lpBuf2, BOOL fModal) { return ::SHInvokePrinterCommandW(hwnd, uAction, lpBuf1, lpBuf2, fModal); }
