#include "platform/NetManagement.h"

NET_API_STATUS WINAPI plat::NetApiBufferFree(LPVOID Buffer) { return ::NetApiBufferFree(Buffer); }
NET_API_STATUS WINAPI plat::NetServerGetInfo(LMSTR servername, DWORD level, LPBYTE* bufptr) { return ::NetServerGetInfo(servername, level, bufptr); }
NET_API_STATUS WINAPI plat::NetWkstaGetInfo(LMSTR servername, DWORD level, LPBYTE* bufptr) { return ::NetWkstaGetInfo(servername, level, bufptr); }
NET_API_STATUS WINAPI plat::NetGetJoinInformation(LPCWSTR lpServer, LPWSTR* lpNameBuffer, PNETSETUP_JOIN_STATUS BufferType) { return ::NetGetJoinInformation(lpServer, lpNameBuffer, BufferType); }

NET_API_STATUS WINAPI plat::NetSessionEnum(LMSTR servername, LMSTR UncClientName, LMSTR username, DWORD level, LPBYTE* bufptr, DWORD prefmaxlen, LPDWORD entriesread, LPDWORD totalentries, LPDWORD resume_handle) { return ::NetSessionEnum(servername, UncClientName, username, level, bufptr, prefmaxlen, entriesread, totalentries, resume_handle); }
NET_API_STATUS WINAPI plat::NetSessionDel(LMSTR servername, LMSTR UncClientName, LMSTR username) { return ::NetSessionDel(servername, UncClientName, username); }
NET_API_STATUS WINAPI plat::NetFileEnum(LMSTR servername, LMSTR basepath, LMSTR username, DWORD level, LPBYTE* bufptr, DWORD prefmaxlen, LPDWORD entriesread, LPDWORD totalentries, PDWORD_PTR resume_handle) { return ::NetFileEnum(servername, basepath, username, level, bufptr, prefmaxlen, entriesread, totalentries, resume_handle); }
NET_API_STATUS WINAPI plat::NetFileClose(LMSTR servername, DWORD fileid) { return ::NetFileClose(servername, fileid); }

NET_API_STATUS WINAPI plat::NetUserEnum(LPCWSTR servername, DWORD level, DWORD filter, LPBYTE* bufptr, DWORD prefmaxlen, LPDWORD entriesread, LPDWORD totalentries, LPDWORD resume_handle) { return ::NetUserEnum(servername, level, filter, bufptr, prefmaxlen, entriesread, totalentries, resume_handle); }
NET_API_STATUS WINAPI plat::NetQueryDisplayInformation(LPCWSTR ServerName, DWORD Level, DWORD Index, DWORD EntriesRequested, DWORD PreferredMaximumLength, LPDWORD ReturnedEntryCount, PVOID* SortedBuffer) { return ::NetQueryDisplayInformation(ServerName, Level, Index, EntriesRequested, PreferredMaximumLength, ReturnedEntryCount, SortedBuffer); }
NET_API_STATUS WINAPI plat::NetUserAdd(LPCWSTR servername, DWORD level, LPBYTE buf, LPDWORD parm_err) { return ::NetUserAdd(servername, level, buf, parm_err); }
NET_API_STATUS WINAPI plat::NetUserDel(LPCWSTR servername, LPCWSTR username) { return ::NetUserDel(servername, username); }
NET_API_STATUS WINAPI plat::NetUserGetInfo(LPCWSTR servername, LPCWSTR username, DWORD level, LPBYTE* bufptr) { return ::NetUserGetInfo(servername, username, level, bufptr); }
NET_API_STATUS WINAPI plat::NetUserSetInfo(LPCWSTR servername, LPCWSTR username, DWORD level, LPBYTE buf, LPDWORD parm_err) { return ::NetUserSetInfo(servername, username, level, buf, parm_err); }
NET_API_STATUS WINAPI plat::NetUserModalsGet(LPCWSTR servername, DWORD level, LPBYTE* bufptr) { return ::NetUserModalsGet(servername, level, bufptr); }
NET_API_STATUS WINAPI plat::NetUserGetLocalGroups(LPCWSTR servername, LPCWSTR username, DWORD level, DWORD flags, LPBYTE* bufptr, DWORD prefmaxlen, LPDWORD entriesread, LPDWORD totalentries) { return ::NetUserGetLocalGroups(servername, username, level, flags, bufptr, prefmaxlen, entriesread, totalentries); }

NET_API_STATUS WINAPI plat::NetLocalGroupEnum(LPCWSTR servername, DWORD level, LPBYTE* bufptr, DWORD prefmaxlen, LPDWORD entriesread, LPDWORD totalentries, PDWORD_PTR resumehandle) { return ::NetLocalGroupEnum(servername, level, bufptr, prefmaxlen, entriesread, totalentries, resumehandle); }
NET_API_STATUS WINAPI plat::NetLocalGroupAdd(LPCWSTR servername, DWORD level, LPBYTE buf, LPDWORD parm_err) { return ::NetLocalGroupAdd(servername, level, buf, parm_err); }
NET_API_STATUS WINAPI plat::NetLocalGroupDel(LPCWSTR servername, LPCWSTR groupname) { return ::NetLocalGroupDel(servername, groupname); }
NET_API_STATUS WINAPI plat::NetLocalGroupGetInfo(LPCWSTR servername, LPCWSTR groupname, DWORD level, LPBYTE* bufptr) { return ::NetLocalGroupGetInfo(servername, groupname, level, bufptr); }
NET_API_STATUS WINAPI plat::NetLocalGroupSetInfo(LPCWSTR servername, LPCWSTR groupname, DWORD level, LPBYTE buf, LPDWORD parm_err) { return ::NetLocalGroupSetInfo(servername, groupname, level, buf, parm_err); }
NET_API_STATUS WINAPI plat::NetLocalGroupGetMembers(LPCWSTR servername, LPCWSTR localgroupname, DWORD level, LPBYTE* bufptr, DWORD prefmaxlen, LPDWORD entriesread, LPDWORD totalentries, PDWORD_PTR resumehandle) { return ::NetLocalGroupGetMembers(servername, localgroupname, level, bufptr, prefmaxlen, entriesread, totalentries, resumehandle); }
NET_API_STATUS WINAPI plat::NetLocalGroupAddMembers(LPCWSTR servername, LPCWSTR groupname, DWORD level, LPBYTE buf, DWORD totalentries) { return ::NetLocalGroupAddMembers(servername, groupname, level, buf, totalentries); }
NET_API_STATUS WINAPI plat::NetLocalGroupDelMembers(LPCWSTR servername, LPCWSTR groupname, DWORD level, LPBYTE buf, DWORD totalentries) { return ::NetLocalGroupDelMembers(servername, groupname, level, buf, totalentries); }
