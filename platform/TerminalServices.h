#pragma once
// Terminal-service sessions of a computer.
#include "platform/PlatApi.h"
#include <wtsapi32.h>

namespace plat {
PLAT_API HANDLE WINAPI WTSOpenServerW(LPWSTR pServerName);
PLAT_API VOID WINAPI WTSCloseServer(HANDLE hServer);
PLAT_API BOOL WINAPI WTSEnumerateSessionsW(HANDLE hServer, DWORD Reserved, DWORD Version, PWTS_SESSION_INFOW* ppSessionInfo, DWORD* pCount);
PLAT_API BOOL WINAPI WTSQuerySessionInformationW(HANDLE hServer, DWORD SessionId, WTS_INFO_CLASS WTSInfoClass, LPWSTR* ppBuffer, DWORD* pBytesReturned);
PLAT_API VOID WINAPI WTSFreeMemory(PVOID pMemory);
PLAT_API BOOL WINAPI WTSDisconnectSession(HANDLE hServer, DWORD SessionId, BOOL bWait);
PLAT_API BOOL WINAPI WTSLogoffSession(HANDLE hServer, DWORD SessionId, BOOL bWait);
PLAT_API BOOL WINAPI WTSSendMessageW(HANDLE hServer, DWORD SessionId, LPWSTR pTitle, DWORD TitleLength, LPWSTR pMessage, DWORD MessageLength, DWORD Style, DWORD Timeout, DWORD* pResponse, BOOL bWait);
}  // namespace plat
