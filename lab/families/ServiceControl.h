#pragma once
// The service control manager of a lab computer: its service records, the
// state machine that moves them through pending states on the lab clock, and
// the dependency relations the control calls and enumerations need.
#include "lab/Model.h"

#include <string>
#include <string_view>
#include <vector>

namespace lab {

struct FailureActions {
    bool present = false;        // false: nothing was ever configured
    DWORD resetPeriod = 0;       // seconds
    std::wstring rebootMessage;  // empty: none
    std::wstring command;        // empty: none
    std::vector<SC_ACTION> actions;
};

// How a service behaves when it is controlled (scenario only; the module
// cannot change it).
struct ServiceBehaviour {
    DWORD startMs = 0;        // time spent in START_PENDING
    DWORD stopMs = 0;         // in STOP_PENDING
    DWORD pauseMs = 0;        // in PAUSE_PENDING and CONTINUE_PENDING
    DWORD checkPointMs = 1000;  // the check point advances this often while pending
    DWORD waitHintMs = 2000;
    DWORD hangIn = 0;         // a pending state the service never leaves, check point frozen (0: none)
    bool responds = true;     // false: StartServiceW and ControlService fail with 1053
    bool acceptStop = true;
    bool acceptPause = false;
    DWORD startFailure = 0;   // Win32 exit code the service stops with after starting (0: starts)
    DWORD serviceExitCode = 0;  // with startFailure 1066
    bool failImmediately = false;  // StartServiceW itself fails with startFailure
};

struct LabService {
    // Configuration (what QueryServiceConfig* report and ChangeServiceConfig* change).
    std::wstring name;  // key name
    std::wstring displayName;
    DWORD type = SERVICE_WIN32_SHARE_PROCESS;
    DWORD startType = SERVICE_DEMAND_START;
    DWORD errorControl = SERVICE_ERROR_NORMAL;
    std::wstring binaryPath;
    std::wstring group;  // load-order group, empty: none
    std::vector<std::wstring> dependencies;  // service names and "+group" entries
    std::wstring account = L"LocalSystem";
    std::wstring password;  // as last set; checked against a lab account's on start
    bool passwordSet = false;  // false: the account's own password is assumed
    std::wstring description;
    FailureActions failureActions;
    ServiceBehaviour behaviour;

    // Status.
    DWORD state = SERVICE_STOPPED;
    DWORD win32ExitCode = 0;
    DWORD serviceExitCode = 0;
    DWORD processId = 0;
    ULONGLONG pendingSince = 0;  // lab clock, when the pending state began
    // The arguments of the last StartServiceW that started the service.
    std::vector<std::wstring> lastStartArguments;
};

struct ServiceTable {
    std::vector<LabService> services;
    DWORD nextProcessId = 1000;

    LabService* Find(std::wstring_view name);
    // Brings every pending service up to the current time of the lab clock.
    void Advance(ULONGLONG now);
};

// The status record the service reports now.
SERVICE_STATUS_PROCESS StatusOf(const LabService& service, ULONGLONG now);

// Whether `dependent` depends directly on `service` (by name, or by a
// "+group" entry naming the service's group).
bool DependsOn(const LabService& dependent, const LabService& service);

// Every direct and indirect dependent of `service`, each listed before the
// services it depends on (the order the SCM stops them in).
std::vector<const LabService*> DependentsInStopOrder(const ServiceTable& table, const LabService& service);

// Moves a stopped service into START_PENDING (or RUNNING at once), starting
// what it depends on first. Returns 0 or the StartServiceW error.
DWORD StartService(ServiceTable& table, LabService& service, const Network& net, const Computer& computer,
                   ULONGLONG now);

// Makes the service enter a pending state (or its target at once).
void BeginTransition(LabService& service, DWORD pendingState, ULONGLONG now);

// The services a computer of these facts runs out of the box.
std::vector<LabService> StandardServices(const Computer& computer);

// Whether `account` names an account a service can log on as on `computer`:
// the built-in service accounts or one of the network's accounts.
// LocalSystem, LocalService, NetworkService: no logon right is needed.
bool IsBuiltInServiceAccount(std::wstring_view account);
// Whether `account` holds SeServiceLogonRight on the computer.
bool MayLogOnAsService(const Network& net, const Computer& computer, std::wstring_view account);

bool IsKnownServiceAccount(const Network& net, const Computer& computer, std::wstring_view account,
                           const Account** found);

}  // namespace lab
