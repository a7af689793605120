#pragma once
// The families of platform calls, and how each answers when its computer
// cannot be reached or the caller may not administer it, as Windows does.
#include "platform/PlatApi.h"  // windows.h, in the order the seam needs

namespace lab {

enum class Family {
    ServiceControl,    // OpenSCManagerW, services                        unreachable: 1722
    NetManagement,     // Net* (server facts, sessions, files, users)    unreachable: 53
    Registry,          // RegConnectRegistryW and keys                   unreachable: 53
    Accounts,          // LookupAccount*, LSA policy                      unreachable: 1722
    Logon,             // LogonUserW, impersonation (local)              unreachable: 1311
    TerminalServices,  // WTS*                                           unreachable: 1722
    Printing,          // EnumPrintersW, SHInvokePrinterCommandW         unreachable: 1722
    RemoteAccess,      // MprAdmin*, server data objects                 unreachable: 1722
    DirectoryService,  // ADsGetObject                                   unreachable: 0x80070035
    Dns,               // DnsQuery_W                                     unknown name: 9003
    HostNames,         // gethostbyname, gethostbyaddr                   unknown name: 11001
    Icmp,              // IcmpSendEcho                                   unreachable: 11010
    Instrumentation,   // the locator and what it connects to            unreachable: 0x800706BA
    ObjectPicker,      // the directory object picker                    unreachable: 0x800706BA
    AdminShare,        // files on \\computer\admin$                     unreachable: 53
    Clock,             // GetTickCount, Sleep (never gated)
};

struct FamilyInfo {
    const char* name;
    // What a call answers when no computer has the name, and when the computer
    // is offline (0: an offline computer still answers, e.g. DNS, which is
    // served by the domain's DNS server and not by the computer itself).
    DWORD unknownError;
    DWORD offlineError;
    DWORD accessDenied;
    // Calls of the family return HRESULTs: injected Win32 codes are handed
    // over in HRESULT form (5 -> 0x80070005).
    bool hresult;
};

const FamilyInfo& Describe(Family family);

}  // namespace lab
