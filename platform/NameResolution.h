#pragma once
// DNS lookups, host names and addresses, and ICMP echo. htonl, inet_addr and
// friends only compute and are not part of the seam.
#include "platform/PlatApi.h"
#if !defined(_WINSOCKAPI_) && !defined(_WINSOCK2API_)
#include <winsock2.h>
#endif
#include <windns.h>
#include <ipexport.h>
#include <icmpapi.h>

// windns.h turns DnsRecordListFree into a macro over DnsFree; the exported
// function of that name is what plat declares and what callers write.
#undef DnsRecordListFree

namespace plat {
PLAT_API DNS_STATUS WINAPI DnsQuery_W(PCWSTR pszName, WORD wType, DWORD Options, PIP4_ARRAY aipServers, PDNS_RECORD* ppQueryResults, PVOID* pReserved);
PLAT_API VOID WINAPI DnsRecordListFree(PDNS_RECORD pRecordList, DNS_FREE_TYPE FreeType);
PLAT_API VOID WINAPI DnsFree(PVOID pData, DNS_FREE_TYPE FreeType);

// WSAAPI is WINAPI; winsock.h undefines its macro again. A process starts
// Winsock before it resolves names; the platform counts starts and cleanups.
PLAT_API int WINAPI WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData);
PLAT_API int WINAPI WSACleanup();
PLAT_API struct hostent* WINAPI gethostbyname(const char* name);
PLAT_API struct hostent* WINAPI gethostbyaddr(const char* addr, int len, int type);

PLAT_API HANDLE WINAPI IcmpCreateFile();
PLAT_API DWORD WINAPI IcmpSendEcho(HANDLE IcmpHandle, IPAddr DestinationAddress, LPVOID RequestData, WORD RequestSize, PIP_OPTION_INFORMATION RequestOptions, LPVOID ReplyBuffer, DWORD ReplySize, DWORD Timeout);
PLAT_API BOOL WINAPI IcmpCloseHandle(HANDLE IcmpHandle);
}  // namespace plat
