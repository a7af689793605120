#pragma once
// Remote-access (dial-in) settings of a computer's users: the administration
// calls of older servers, and the server data objects of newer ones.
#include "platform/PlatApi.h"
#include <mprapi.h>
// sdoias.h defines one enumeration twice in its Vista-and-later block (network
// access protection types, unused here), which C++ rejects: read it as for an
// older target. The headers it builds on are already in through windows.h.
#pragma push_macro("_WIN32_WINNT")
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0502
#include <sdoias.h>
#pragma pop_macro("_WIN32_WINNT")
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(ISdoMachine, 0x479F6E75, 0x49A2, 0x11D2, 0x8E, 0xCA, 0x00, 0xC0, 0x4F, 0xC2, 0xF5, 0x19)
__CRT_UUID_DECL(ISdo, 0x56BC53DE, 0x96DB, 0x11D1, 0xBF, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00)
#endif

namespace plat {
PLAT_API DWORD WINAPI MprAdminServerConnect(LPWSTR lpwsServerName, MPR_SERVER_HANDLE* phMprServer);
PLAT_API VOID WINAPI MprAdminServerDisconnect(MPR_SERVER_HANDLE hMprServer);
PLAT_API DWORD WINAPI MprAdminUserGetInfo(const WCHAR* lpszServer, const WCHAR* lpszUser, DWORD dwLevel, LPBYTE lpbBuffer);
PLAT_API DWORD WINAPI MprAdminUserSetInfo(const WCHAR* lpszServer, const WCHAR* lpszUser, DWORD dwLevel, const LPBYTE lpbBuffer);

// The server data object machine, created in-process; Attach names the
// computer. Stands for CoCreateInstance of that class, which is not a seam
// function itself: the lab hands out objects of its own network instead.
PLAT_API HRESULT WINAPI CreateSdoMachine(ISdoMachine** ppMachine);
}  // namespace plat
