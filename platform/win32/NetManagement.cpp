#include "platform/NetManagement.h"

NET_API_STATUS WINAPI plat::NetApiBufferFree(LPVOID Buffer) { return ::NetApiBufferFree(Buffer); }
NET_API_STATUS WINAPI plat::NetServerGetInfo(LMSTR servername, DWORD level, LPBYTE* bufptr) { return ::NetServerGetInfo(servername, level, bufptr); }
NET_API_STATUS WINAPI plat::NetWkstaGetInfo(LMSTR servername, DWORD level, LPBYTE* bufptr) { return ::NetWkstaGetInfo(servername, level, bufptr); }
