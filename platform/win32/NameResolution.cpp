#include "platform/NameResolution.h"

DNS_STATUS WINAPI plat::DnsQuery_W(PCWSTR pszName, WORD wType, DWORD Options, PIP4_ARRAY aipServers, PDNS_RECORD* ppQueryResults, PVOID* pReserved) { return ::DnsQuery_W(pszName, wType, Options, aipServers, ppQueryResults, pReserved); }
// What windns.h's macro expands to: the list is freed deep whatever type is passed.
VOID WINAPI plat::DnsRecordListFree(PDNS_RECORD pRecordList, DNS_FREE_TYPE) { ::DnsFree(pRecordList, DnsFreeRecordList); }
VOID WINAPI plat::DnsFree(PVOID pData, DNS_FREE_TYPE FreeType) { ::DnsFree(pData, FreeType); }

int WINAPI plat::WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) { return ::WSAStartup(wVersionRequested, lpWSAData); }
int WINAPI plat::WSACleanup() { return ::WSACleanup(); }
struct hostent* WINAPI plat::gethostbyname(const char* name) { return ::gethostbyname(name); }
struct hostent* WINAPI plat::gethostbyaddr(const char* addr, int len, int type) { return ::gethostbyaddr(addr, len, type); }

HANDLE WINAPI plat::IcmpCreateFile() { return ::IcmpCreateFile(); }
DWORD WINAPI plat::IcmpSendEcho(HANDLE IcmpHandle, IPAddr DestinationAddress, LPVOID RequestData, WORD RequestSize, PIP_OPTION_INFORMATION RequestOptions, LPVOID ReplyBuffer, DWORD ReplySize, DWORD Timeout) { return ::IcmpSendEcho(IcmpHandle, DestinationAddress, RequestData, RequestSize, RequestOptions, ReplyBuffer, ReplySize, Timeout); }
BOOL WINAPI plat::IcmpCloseHandle(HANDLE IcmpHandle) { return ::IcmpCloseHandle(IcmpHandle); }
