#include "platform/TerminalServices.h"

HANDLE WINAPI plat::WTSOpenServerW(LPWSTR pServerName) { return ::WTSOpenServerW(pServerName); }
VOID WINAPI plat::WTSCloseServer(HANDLE hServer) { ::WTSCloseServer(hServer); }
BOOL WINAPI plat::WTSEnumerateSessionsW(HANDLE hServer, DWORD Reserved, DWORD Version, PWTS_SESSION_INFOW* ppSessionInfo, DWORD* pCount) { return ::WTSEnumerateSessionsW(hServer, Reserved, Version, ppSessionInfo, pCount); }
BOOL WINAPI plat::WTSQuerySessionInformationW(HANDLE hServer, DWORD SessionId, WTS_INFO_CLASS WTSInfoClass, LPWSTR* ppBuffer, DWORD* pBytesReturned) { return ::WTSQuerySessionInformationW(hServer, SessionId, WTSInfoClass, ppBuffer, pBytesReturned); }
VOID WINAPI plat::WTSFreeMemory(PVOID pMemory) { ::WTSFreeMemory(pMemory); }
BOOL WINAPI plat::WTSDisconnectSession(HANDLE hServer, DWORD SessionId, BOOL bWait) { return ::WTSDisconnectSession(hServer, SessionId, bWait); }
BOOL WINAPI plat::WTSLogoffSession(HANDLE hServer, DWORD SessionId, BOOL bWait) { return ::WTSLogoffSession(hServer, SessionId, bWait); }
BOOL WINAPI plat::WTSSendMessageW(HANDLE hServer, DWORD SessionId, LPWSTR pTitle, DWORD TitleLength, LPWSTR pMessage, DWORD MessageLength, DWORD Style, DWORD Timeout, DWORD* pResponse, BOOL bWait) { return ::WTSSendMessageW(hServer, SessionId, pTitle, TitleLength, pMessage, MessageLength, Style, Timeout, pResponse, bWait); }
