#include "platform/DirectoryService.h"

HRESULT WINAPI plat::ADsGetObject(LPCWSTR lpszPathName, REFIID riid, VOID** ppObject) { return ::ADsGetObject(lpszPathName, riid, ppObject); }
