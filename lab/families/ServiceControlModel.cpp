// The lab's service records: state machine on the lab clock, dependency
// relations, and the services a computer has out of the box.
#include "lab/families/ServiceControl.h"

#include "lab/AccountDatabase.h"
#include "lab/Text.h"
#include "lab/families/Accounts.h"

#include <lm.h>

#include <functional>

namespace lab {

namespace {

DWORD DurationOf(const LabService& s, DWORD pendingState) {
    switch (pendingState) {
        case SERVICE_START_PENDING: return s.behaviour.startMs;
        case SERVICE_STOP_PENDING: return s.behaviour.stopMs;
        default: return s.behaviour.pauseMs;
    }
}

bool IsPending(DWORD state) {
    return state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING || state == SERVICE_PAUSE_PENDING ||
           state == SERVICE_CONTINUE_PENDING;
}

ULONGLONG Elapsed(const LabService& s, ULONGLONG now) { return now > s.pendingSince ? now - s.pendingSince : 0; }

// Finishes the pending state once its time is over.
void Settle(LabService& s, ULONGLONG now) {
    if (!IsPending(s.state) || s.behaviour.hangIn == s.state) return;
    if (Elapsed(s, now) < DurationOf(s, s.state)) return;
    switch (s.state) {
        case SERVICE_START_PENDING:
            if (s.behaviour.startFailure) {
                // The service ran its start-up, failed and stopped itself.
                s.state = SERVICE_STOPPED;
                s.win32ExitCode = s.behaviour.startFailure;
                s.serviceExitCode = s.behaviour.serviceExitCode;
                s.processId = 0;
            } else {
                s.state = SERVICE_RUNNING;
            }
            break;
        case SERVICE_STOP_PENDING:
            s.state = SERVICE_STOPPED;
            s.processId = 0;
            break;
        case SERVICE_PAUSE_PENDING: s.state = SERVICE_PAUSED; break;
        case SERVICE_CONTINUE_PENDING: s.state = SERVICE_RUNNING; break;
    }
}

}  // namespace

LabService* ServiceTable::Find(std::wstring_view name) {
    for (LabService& s : services) {
        if (EqualsNoCase(s.name, name)) return &s;
    }
    return nullptr;
}

void ServiceTable::Advance(ULONGLONG now) {
    for (LabService& s : services) Settle(s, now);
}

SERVICE_STATUS_PROCESS StatusOf(const LabService& s, ULONGLONG now) {
    SERVICE_STATUS_PROCESS st{};
    st.dwServiceType = s.type;
    st.dwCurrentState = s.state;
    if (s.state == SERVICE_RUNNING || s.state == SERVICE_PAUSED) {
        st.dwControlsAccepted = (s.behaviour.acceptStop ? SERVICE_ACCEPT_STOP : 0) |
                                (s.behaviour.acceptPause ? SERVICE_ACCEPT_PAUSE_CONTINUE : 0);
    }
    st.dwWin32ExitCode = s.win32ExitCode;
    st.dwServiceSpecificExitCode = s.serviceExitCode;
    if (IsPending(s.state)) {
        const DWORD every = s.behaviour.checkPointMs ? s.behaviour.checkPointMs : 1;
        st.dwCheckPoint = s.behaviour.hangIn == s.state ? 1 : 1 + static_cast<DWORD>(Elapsed(s, now) / every);
        st.dwWaitHint = s.behaviour.waitHintMs;
    }
    st.dwProcessId = s.processId;
    return st;
}

bool DependsOn(const LabService& dependent, const LabService& service) {
    for (const std::wstring& entry : dependent.dependencies) {
        if (!entry.empty() && entry[0] == SC_GROUP_IDENTIFIERW) {
            if (!service.group.empty() && EqualsNoCase(std::wstring_view(entry).substr(1), service.group)) return true;
        } else if (EqualsNoCase(entry, service.name)) {
            return true;
        }
    }
    return false;
}

std::vector<const LabService*> DependentsInStopOrder(const ServiceTable& table, const LabService& service) {
    std::vector<const LabService*> out;
    std::vector<const LabService*> seen{&service};
    // Post-order: a service's own dependents go first, so every entry comes
    // before the services it depends on.
    std::function<void(const LabService&)> visit = [&](const LabService& s) {
        for (const LabService& candidate : table.services) {
            if (!DependsOn(candidate, s)) continue;
            bool known = false;
            for (const LabService* x : seen) known = known || x == &candidate;
            if (known) continue;
            seen.push_back(&candidate);
            visit(candidate);
            out.push_back(&candidate);
        }
    };
    visit(service);
    return out;
}

void BeginTransition(LabService& s, DWORD pendingState, ULONGLONG now) {
    s.state = pendingState;
    s.pendingSince = now;
    Settle(s, now);
}

bool IsBuiltInServiceAccount(std::wstring_view account) {
    static constexpr const wchar_t* kBuiltIn[] = {L"LocalSystem", L".\\LocalSystem", L"NT AUTHORITY\\LocalService",
                                                  L"NT AUTHORITY\\NetworkService", L"NT AUTHORITY\\SYSTEM"};
    for (const wchar_t* name : kBuiltIn) {
        if (EqualsNoCase(account, name)) return true;
    }
    return false;
}


namespace {

// "DOMAIN\user" for a service's account; ".\user" is the computer's own.
std::wstring CanonicalAccount(const Network& net, const Computer& computer, std::wstring_view account) {
    std::wstring name(account);
    if (name.rfind(L".\\", 0) == 0) name = accounts::AccountDomainName(net, computer) + name.substr(1);
    return name;
}

const LocalUser* LocalUserOf(const Computer& computer, std::wstring_view name) {
    const AccountDatabase& db = AccountsOf(computer);
    const size_t slash = name.find(L'\\');
    if (slash == std::wstring_view::npos || !EqualsNoCase(name.substr(0, slash), db.domainName)) return nullptr;
    if (computer.os.role == Role::DomainController) return nullptr;  // the domain's accounts
    return db.FindUser(name.substr(slash + 1));
}

// 0, or 1069 when the service cannot log on: unknown or disabled account,
// wrong password, or no right to log on as a service there.
DWORD CheckServiceLogon(const Network& net, const Computer& computer, const LabService& s) {
    if (IsBuiltInServiceAccount(s.account)) return 0;
    const std::wstring name = CanonicalAccount(net, computer, s.account);
    if (const LocalUser* user = LocalUserOf(computer, name)) {
        if (user->Disabled() || (s.passwordSet && s.password != user->password)) return ERROR_SERVICE_LOGON_FAILED;
    } else {
        const Account* account = net.FindAccount(name);
        if (!account || (s.passwordSet && s.password != account->password)) return ERROR_SERVICE_LOGON_FAILED;
    }
    return MayLogOnAsService(net, computer, name) ? 0 : ERROR_SERVICE_LOGON_FAILED;
}

}  // namespace

bool MayLogOnAsService(const Network& net, const Computer& computer, std::wstring_view account) {
    const std::wstring name = CanonicalAccount(net, computer, account);
    return AccountsOf(computer).Holds(IdentitySids(net, name), L"SeServiceLogonRight");
}

bool IsKnownServiceAccount(const Network& net, const Computer& computer, std::wstring_view account,
                           const Account** found) {
    if (found) *found = nullptr;
    if (IsBuiltInServiceAccount(account)) return true;
    const std::wstring name = CanonicalAccount(net, computer, account);
    if (LocalUserOf(computer, name)) return true;
    const Account* a = net.FindAccount(name);
    if (found) *found = a;
    return a != nullptr;
}

DWORD StartService(ServiceTable& table, LabService& s, const Network& net, const Computer& computer,
                   ULONGLONG now) {
    if (s.startType == SERVICE_DISABLED) return ERROR_SERVICE_DISABLED;
    if (s.state != SERVICE_STOPPED) return ERROR_SERVICE_ALREADY_RUNNING;
    if (!s.behaviour.responds) return ERROR_SERVICE_REQUEST_TIMEOUT;
    if (s.pendingSince == ~0ULL) return ERROR_CIRCULAR_DEPENDENCY;  // already being started further up

    // What the service depends on is started first and must be running
    // before the service itself is started.
    s.pendingSince = ~0ULL;
    DWORD result = 0;
    auto startDependency = [&](LabService& d) -> bool {
        if (d.state == SERVICE_RUNNING || d.state == SERVICE_PAUSED) return true;
        if (d.state != SERVICE_STOPPED) return false;
        if (StartService(table, d, net, computer, now) != 0) return false;
        d.pendingSince = now - DurationOf(d, SERVICE_START_PENDING);  // the SCM waited for it
        Settle(d, now);
        return d.state == SERVICE_RUNNING;
    };
    for (const std::wstring& entry : s.dependencies) {
        if (!entry.empty() && entry[0] == SC_GROUP_IDENTIFIERW) {
            bool any = false;
            for (LabService& member : table.services) {
                if (&member != &s && !member.group.empty() &&
                    EqualsNoCase(member.group, std::wstring_view(entry).substr(1)))
                    any = startDependency(member) || any;
            }
            if (!any) result = ERROR_SERVICE_DEPENDENCY_FAIL;
        } else if (LabService* d = table.Find(entry)) {
            if (!startDependency(*d)) result = ERROR_SERVICE_DEPENDENCY_FAIL;
        } else {
            result = ERROR_SERVICE_DEPENDENCY_DELETED;
        }
        if (result) break;
    }
    s.pendingSince = now;
    if (result) return result;

    if (const DWORD error = CheckServiceLogon(net, computer, s)) return error;
    if (s.behaviour.startFailure && s.behaviour.failImmediately) return s.behaviour.startFailure;

    s.win32ExitCode = 0;
    s.serviceExitCode = 0;
    s.processId = table.nextProcessId;
    table.nextProcessId += 4;
    BeginTransition(s, SERVICE_START_PENDING, now);
    return 0;
}

// --- Out of the box ------------------------------------------------------------

namespace {

struct Standard {
    const wchar_t* name;
    const wchar_t* display;
    DWORD type;
    const wchar_t* binary;
    const wchar_t* account;
    std::vector<std::wstring> dependencies;
    const wchar_t* group;
    const wchar_t* description;
    bool stoppable;
    bool pausable;
};

constexpr DWORD kShare = SERVICE_WIN32_SHARE_PROCESS;
constexpr DWORD kOwn = SERVICE_WIN32_OWN_PROCESS;
constexpr const wchar_t* kSystem = L"LocalSystem";
constexpr const wchar_t* kLocalService = L"NT AUTHORITY\\LocalService";
constexpr const wchar_t* kNetworkService = L"NT AUTHORITY\\NetworkService";

void Add(std::vector<LabService>& out, const Standard& d, DWORD startType, bool running) {
    LabService s;
    s.name = d.name;
    s.displayName = d.display;
    s.type = d.type;
    s.startType = startType;
    s.binaryPath = d.binary;
    s.account = d.type & SERVICE_DRIVER ? L"" : d.account;
    s.dependencies = d.dependencies;
    s.group = d.group;
    s.description = d.description;
    s.behaviour.acceptStop = d.stoppable;
    s.behaviour.acceptPause = d.pausable;
    // Real services take a moment to start and stop; drivers change at once.
    if (!(d.type & SERVICE_DRIVER)) {
        s.behaviour.startMs = 600;
        s.behaviour.stopMs = 400;
        s.behaviour.pauseMs = 200;
        s.behaviour.checkPointMs = 100;
        s.behaviour.waitHintMs = 2000;
    }
    s.state = running ? SERVICE_RUNNING : SERVICE_STOPPED;
    out.push_back(std::move(s));
}

}  // namespace

std::vector<LabService> StandardServices(const Computer& c) {
    const bool server = c.os.role != Role::Workstation;
    const bool dc = c.os.role == Role::DomainController;
    const bool print = (c.os.serverType & SV_TYPE_PRINTQ_SERVER) != 0;
    const bool terminal = (c.os.serverType & SV_TYPE_TERMINALSERVER) != 0;
    const DWORD autoStart = SERVICE_AUTO_START;
    const DWORD manual = SERVICE_DEMAND_START;
    const wchar_t* svchost = L"%SystemRoot%\\System32\\svchost.exe -k netsvcs -p";
    const wchar_t* localSvchost = L"%SystemRoot%\\system32\\svchost.exe -k LocalServiceNetworkRestricted -p";

    std::vector<LabService> out;
    // Drivers the network services sit on.
    Add(out, {L"Tcpip", L"TCP/IP Protocol Driver", SERVICE_KERNEL_DRIVER, L"System32\\drivers\\tcpip.sys", L"", {},
              L"PNP_TDI", L"TCP/IP Protocol Driver", false, false}, SERVICE_BOOT_START, true);
    Add(out, {L"Srv2", L"Server SMB 2.xxx Driver", SERVICE_KERNEL_DRIVER, L"System32\\DRIVERS\\srv2.sys", L"",
              {L"srvnet"}, L"", L"", true, false}, manual, true);
    Add(out, {L"srvnet", L"srvnet", SERVICE_KERNEL_DRIVER, L"System32\\DRIVERS\\srvnet.sys", L"", {L"Tcpip"},
              L"", L"", true, false}, manual, true);
    Add(out, {L"Bowser", L"Browser", SERVICE_FILE_SYSTEM_DRIVER, L"system32\\DRIVERS\\bowser.sys", L"", {},
              L"NetworkProvider", L"", true, false}, manual, true);
    Add(out, {L"MRxSmb20", L"SMB 2.0 MiniRedirector", SERVICE_FILE_SYSTEM_DRIVER, L"system32\\DRIVERS\\mrxsmb20.sys",
              L"", {}, L"Network", L"", true, false}, manual, true);

    Add(out, {L"RpcEptMapper", L"RPC Endpoint Mapper", kShare, L"%SystemRoot%\\system32\\svchost.exe -k RPCSS -p",
              kNetworkService, {}, L"COM Infrastructure",
              L"Resolves RPC interfaces identifiers to transport endpoints.", false, false}, autoStart, true);
    Add(out, {L"DcomLaunch", L"DCOM Server Process Launcher", kShare,
              L"%SystemRoot%\\system32\\svchost.exe -k DcomLaunch -p", kSystem, {}, L"COM Infrastructure",
              L"The DCOMLAUNCH service launches COM and DCOM servers in response to object activation requests.",
              false, false}, autoStart, true);
    Add(out, {L"RpcSs", L"Remote Procedure Call (RPC)", kShare, L"%SystemRoot%\\system32\\svchost.exe -k rpcss -p",
              kNetworkService, {L"RpcEptMapper", L"DcomLaunch"}, L"COM Infrastructure",
              L"The RPCSS service is the Service Control Manager for COM and DCOM servers.", false, false},
        autoStart, true);
    Add(out, {L"EventLog", L"Windows Event Log", kShare, localSvchost, kLocalService, {}, L"Event Log",
              L"This service manages events and event logs.", false, false}, autoStart, true);
    Add(out, {L"PlugPlay", L"Plug and Play", kShare, L"%SystemRoot%\\system32\\svchost.exe -k DcomLaunch -p",
              kSystem, {}, L"PlugPlay",
              L"Enables a computer to recognize and adapt to hardware changes with little or no user input.",
              false, false}, manual, true);
    Add(out, {L"SamSS", L"Security Accounts Manager", kShare, L"%SystemRoot%\\system32\\lsass.exe", kSystem,
              {L"RpcSs"}, L"MS_WindowsLocalValidation",
              L"The startup of this service signals other services that the Security Accounts Manager (SAM) is "
              L"ready to accept requests.", false, false}, autoStart, true);
    Add(out, {L"NSI", L"Network Store Interface Service", kShare, localSvchost, kLocalService,
              {L"RpcSs", L"Tcpip"}, L"NetworkProvider",
              L"This service delivers network notifications to user mode network components.", true, false},
        autoStart, true);
    Add(out, {L"Dhcp", L"DHCP Client", kShare, localSvchost, kLocalService, {L"NSI", L"+PNP_TDI"}, L"TDI",
              L"Registers and updates IP addresses and DNS records for this computer.", true, false}, autoStart, true);
    Add(out, {L"Dnscache", L"DNS Client", kShare, L"%SystemRoot%\\system32\\svchost.exe -k NetworkService -p",
              kNetworkService, {L"NSI", L"Tcpip"}, L"TDI",
              L"The DNS Client service caches Domain Name System (DNS) names and registers the full computer name "
              L"for this computer.", false, false}, autoStart, true);
    Add(out, {L"LanmanWorkstation", L"Workstation", kShare,
              L"%SystemRoot%\\System32\\svchost.exe -k NetworkService -p", kNetworkService,
              {L"Bowser", L"MRxSmb20", L"NSI"}, L"NetworkProvider",
              L"Creates and maintains client network connections to remote servers using the SMB protocol.", true,
              false}, autoStart, true);
    Add(out, {L"LanmanServer", L"Server", kShare, svchost, kSystem, {L"SamSS", L"Srv2"}, L"",
              L"Supports file, print, and named-pipe sharing over the network for this computer.", true, true},
        autoStart, true);
    // Domain members run Net Logon; it may be paused like the Server service.
    Add(out, {L"Netlogon", L"Netlogon", kShare, L"%systemroot%\\system32\\lsass.exe", kSystem,
              {L"LanmanWorkstation", L"LanmanServer"}, L"RemoteValidation",
              L"Maintains a secure channel between this computer and the domain controller for authenticating "
              L"users and services.", true, true}, autoStart, true);
    Add(out, {L"SessionEnv", L"Remote Desktop Configuration", kShare, svchost, kSystem,
              {L"RpcSs", L"LanmanWorkstation"}, L"",
              L"Remote Desktop Configuration service (RDCS) is responsible for all Remote Desktop Services and "
              L"Remote Desktop related configuration and session maintenance activities.", true, false},
        manual, terminal);
    Add(out, {L"TermService", L"Remote Desktop Services", kShare,
              L"%SystemRoot%\\System32\\svchost.exe -k NetworkService", kNetworkService, {L"RpcSs"}, L"",
              L"Allows users to connect interactively to a remote computer.", true, false},
        terminal ? autoStart : manual, terminal || server);
    Add(out, {L"UmRdpService", L"Remote Desktop Services UserMode Port Redirector", kShare, localSvchost, kSystem,
              {L"TermService"}, L"",
              L"Allows the redirection of Printers/Drives/Ports for RDP connections.", true, false},
        manual, terminal || server);
    Add(out, {L"W32Time", L"Windows Time", kShare, L"%SystemRoot%\\system32\\svchost.exe -k LocalService",
              kLocalService, {}, L"",
              L"Maintains date and time synchronization on all clients and servers in the network.", true, false},
        dc ? autoStart : manual, true);
    Add(out, {L"Spooler", L"Print Spooler", kOwn, L"%SystemRoot%\\System32\\spoolsv.exe", kSystem, {L"RpcSs"},
              L"SpoolerGroup",
              L"This service spools print jobs and handles interaction with the printer.", true, false},
        autoStart, true);
    out.back().failureActions = {true, 86400, L"", L"", {{SC_ACTION_RESTART, 5000}, {SC_ACTION_RESTART, 5000},
                                                        {SC_ACTION_NONE, 0}}};
    Add(out, {L"Fax", L"Fax", kOwn, L"%systemroot%\\system32\\fxssvc.exe", kNetworkService,
              {L"TapiSrv", L"RpcSs", L"Spooler"}, L"",
              L"Enables you to send and receive faxes, utilizing fax resources available on this computer or on the "
              L"network.", true, false}, manual, false);
    Add(out, {L"TapiSrv", L"Telephony", kShare, svchost, kNetworkService, {L"PlugPlay", L"RpcSs"}, L"",
              L"Provides Telephony API (TAPI) support for programs that control telephony devices on the local "
              L"computer.", true, false}, manual, false);
    Add(out, {L"Schedule", L"Task Scheduler", kShare, svchost, kSystem, {L"RpcSs", L"SamSS"}, L"SchedulerGroup",
              L"Enables a user to configure and schedule automated tasks on this computer.", false, false},
        autoStart, true);
    Add(out, {L"RemoteRegistry", L"Remote Registry", kShare,
              L"%SystemRoot%\\system32\\svchost.exe -k localService -p", kLocalService, {L"RpcSs"}, L"",
              L"Enables remote users to modify registry settings on this computer.", true, false},
        server ? autoStart : SERVICE_DISABLED, server);
    Add(out, {L"BITS", L"Background Intelligent Transfer Service", kShare, svchost, kSystem, {L"RpcSs"}, L"",
              L"Transfers files in the background using idle network bandwidth.", true, false}, manual, false);
    Add(out, {L"WinRM", L"Windows Remote Management (WS-Management)", kShare,
              L"%SystemRoot%\\System32\\svchost.exe -k NetworkService -p", kNetworkService, {L"RpcSs", L"HTTP"},
              L"", L"Windows Remote Management (WinRM) service implements the WS-Management protocol for remote "
              L"management.", true, false}, server ? autoStart : manual, server);
    Add(out, {L"HTTP", L"HTTP Service", SERVICE_KERNEL_DRIVER, L"system32\\drivers\\HTTP.sys", L"", {}, L"",
              L"This service implements the hypertext transfer protocol (HTTP).", true, false}, manual, server);
    if (!server) {
        Add(out, {L"WSearch", L"Windows Search", kOwn, L"%systemroot%\\system32\\SearchIndexer.exe /Embedding",
                  kSystem, {L"RpcSs"}, L"",
                  L"Provides content indexing, property caching, and search results for files, e-mail, and other "
                  L"content.", true, false}, autoStart, true);
        out.back().behaviour.startMs = 4000;  // the indexer takes its time
        out.back().behaviour.stopMs = 3000;
    }
    if (dc) {
        Add(out, {L"NTDS", L"Active Directory Domain Services", kShare, L"%SystemRoot%\\System32\\lsass.exe",
                  kSystem, {L"RpcSs", L"EventSystem"}, L"",
                  L"AD DS Domain Controller service.", true, false}, autoStart, true);
        Add(out, {L"EventSystem", L"COM+ Event System", kShare, localSvchost, kLocalService, {L"RpcSs"}, L"",
                  L"Supports System Event Notification Service (SENS).", true, false}, autoStart, true);
        Add(out, {L"Kdc", L"Kerberos Key Distribution Center", kShare, L"%SystemRoot%\\System32\\lsass.exe",
                  kSystem, {L"SamSS", L"NTDS"}, L"",
                  L"On domain controllers, this service enables users to log on to the network using the Kerberos "
                  L"authentication protocol.", true, false}, autoStart, true);
        Add(out, {L"DNS", L"DNS Server", kOwn, L"%systemroot%\\system32\\dns.exe", kSystem,
                  {L"RpcSs", L"NTDS", L"+NetworkProvider"}, L"",
                  L"Enables DNS clients to resolve DNS names by answering DNS queries and dynamic DNS update "
                  L"requests.", true, false}, autoStart, true);
        out.back().behaviour.startMs = 2500;
        out.back().behaviour.stopMs = 1500;
    }
    if (print) {
        Add(out, {L"LPDSVC", L"LPD Service", kOwn, L"%windir%\\system32\\tcpsvcs.exe", kSystem,
                  {L"Spooler", L"Tcpip"}, L"", L"Enables client computers to print to the Line Printer Daemon (LPD) "
                  L"Service on this server using TCP/IP and the Line Printer Remote (LPR) protocol.", true, false},
            autoStart, true);
    }
    return out;
}

}  // namespace lab
