// The service control manager: connections, service handles, status,
// control and enumeration, as Windows answers them.
#include "platform/ServiceControl.h"

#include "lab/Clock.h"
#include "lab/Gate.h"
#include "lab/LabControl.h"
#include "lab/State.h"
#include "lab/Text.h"
#include "lab/families/ServiceControl.h"
#include "lab/families/ServiceHandles.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <mutex>

namespace lab::services {

namespace {

constexpr DWORD kScmAdminRights = SC_MANAGER_ALL_ACCESS;
// What the default security of a service control manager grants
// authenticated users who are not administrators: locally they connect,
// enumerate and query the lock; from another computer they only connect.
constexpr DWORD kScmUserRights =
    SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS | READ_CONTROL;
constexpr DWORD kScmRemoteUserRights = SC_MANAGER_CONNECT;
// And of a service.
constexpr DWORD kServiceUserRights = SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_ENUMERATE_DEPENDENTS |
                                     SERVICE_INTERROGATE | SERVICE_USER_DEFINED_CONTROL | READ_CONTROL;

DWORD MapScmGeneric(DWORD access) {
    if (access & GENERIC_READ) access |= STANDARD_RIGHTS_READ | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS;
    if (access & GENERIC_WRITE) access |= STANDARD_RIGHTS_WRITE | SC_MANAGER_CREATE_SERVICE | SC_MANAGER_MODIFY_BOOT_CONFIG;
    if (access & GENERIC_EXECUTE) access |= STANDARD_RIGHTS_EXECUTE | SC_MANAGER_CONNECT | SC_MANAGER_LOCK;
    if (access & GENERIC_ALL) access |= SC_MANAGER_ALL_ACCESS;
    return access & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
}

DWORD MapServiceGeneric(DWORD access) {
    if (access & GENERIC_READ)
        access |= STANDARD_RIGHTS_READ | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_INTERROGATE |
                  SERVICE_ENUMERATE_DEPENDENTS;
    if (access & GENERIC_WRITE) access |= STANDARD_RIGHTS_WRITE | SERVICE_CHANGE_CONFIG;
    if (access & GENERIC_EXECUTE)
        access |= STANDARD_RIGHTS_EXECUTE | SERVICE_START | SERVICE_STOP | SERVICE_PAUSE_CONTINUE |
                  SERVICE_USER_DEFINED_CONTROL;
    if (access & GENERIC_ALL) access |= SERVICE_ALL_ACCESS;
    return access & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
}

// Grants `wanted` out of `allowed`: MAXIMUM_ALLOWED takes what there is.
bool Grant(DWORD wanted, DWORD allowed, DWORD& granted) {
    if (wanted & MAXIMUM_ALLOWED) {
        granted = allowed;
        return true;
    }
    granted = wanted;
    return (wanted & ~allowed) == 0;
}

}  // namespace

}  // namespace lab::services

using namespace lab::services;
using lab::Fail;

SC_HANDLE WINAPI plat::OpenSCManagerW(LPCWSTR machine, LPCWSTR database, DWORD access) {
    lab::Gate gate(machine, lab::Family::ServiceControl, "OpenSCManagerW");
    if (gate.Error()) return ::SetLastError(gate.Error()), nullptr;
    if (database && !lab::EqualsNoCase(database, SERVICES_ACTIVE_DATABASEW)) {
        const DWORD error =
            lab::EqualsNoCase(database, SERVICES_FAILED_DATABASEW) ? ERROR_DATABASE_DOES_NOT_EXIST : ERROR_INVALID_NAME;
        return ::SetLastError(error), nullptr;
    }
    const bool admin = gate.RequireAdmin() == 0;
    const bool remote = &gate.Target() != &gate.Net().Local();
    const DWORD allowed = admin ? kScmAdminRights | STANDARD_RIGHTS_ALL : remote ? kScmRemoteUserRights : kScmUserRights;
    DWORD granted = 0;
    if (!Grant(MapScmGeneric(access), allowed, granted))
        return ::SetLastError(gate.Info().accessDenied), nullptr;
    auto payload = std::make_shared<ScmPayload>(ScmPayload{granted | SC_MANAGER_CONNECT});
    return static_cast<SC_HANDLE>(lab::Accounting::Get().IssueHandle(LAB_KIND_SCM_HANDLE, gate.Target().name,
                                                                     "OpenSCManagerW", payload));
}

SC_HANDLE WINAPI plat::OpenServiceW(SC_HANDLE scm, LPCWSTR name, DWORD access) {
    HandleOf<ScmPayload> h(scm, LAB_KIND_SCM_HANDLE);
    if (!h) return ::SetLastError(ERROR_INVALID_HANDLE), nullptr;
    if (!name) return ::SetLastError(ERROR_INVALID_ADDRESS), nullptr;
    lab::Gate gate(h.Computer(), lab::Family::ServiceControl, "OpenServiceW");
    if (gate.Error()) return ::SetLastError(gate.Error()), nullptr;
    if (!*name || std::wcslen(name) > 256) return ::SetLastError(ERROR_INVALID_NAME), nullptr;
    lab::LabService* s = gate.Target().Section<lab::ServiceTable>().Find(name);
    if (!s) return ::SetLastError(ERROR_SERVICE_DOES_NOT_EXIST), nullptr;
    const bool admin = gate.RequireAdmin() == 0;
    DWORD granted = 0;
    if (!Grant(MapServiceGeneric(access), admin ? SERVICE_ALL_ACCESS : kServiceUserRights, granted))
        return ::SetLastError(gate.Info().accessDenied), nullptr;
    auto payload = std::make_shared<ServicePayload>(ServicePayload{s->name, granted});
    return static_cast<SC_HANDLE>(lab::Accounting::Get().IssueHandle(LAB_KIND_SERVICE_HANDLE, gate.Target().name,
                                                                     "OpenServiceW", payload));
}

BOOL WINAPI plat::CloseServiceHandle(SC_HANDLE handle) {
    auto& accounting = lab::Accounting::Get();
    if (accounting.Find(LAB_KIND_SCM_HANDLE, handle)) {
        accounting.Release(LAB_KIND_SCM_HANDLE, handle, "CloseServiceHandle");
        return TRUE;
    }
    // Not a live connection: a service handle, or a bad release.
    return accounting.Release(LAB_KIND_SERVICE_HANDLE, handle, "CloseServiceHandle") ? TRUE
                                                                                      : Fail(ERROR_INVALID_HANDLE);
}

BOOL WINAPI plat::QueryServiceStatusEx(SC_HANDLE handle, SC_STATUS_TYPE level, LPBYTE buffer, DWORD size,
                                       LPDWORD needed) {
    ServiceCall call(handle, "QueryServiceStatusEx", SERVICE_QUERY_STATUS);
    if (call.Error()) return Fail(call.Error());
    if (level != SC_STATUS_PROCESS_INFO) return Fail(ERROR_INVALID_LEVEL);
    if (!needed) return Fail(RPC_X_NULL_REF_POINTER);
    if (!lab::SizeQuery<DWORD>(buffer, size, sizeof(SERVICE_STATUS_PROCESS), needed))
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    const SERVICE_STATUS_PROCESS st = lab::StatusOf(call.Service(), call.Now());
    std::memcpy(buffer, &st, sizeof st);
    return TRUE;
}

BOOL WINAPI plat::QueryServiceStatus(SC_HANDLE handle, LPSERVICE_STATUS status) {
    ServiceCall call(handle, "QueryServiceStatus", SERVICE_QUERY_STATUS);
    if (call.Error()) return Fail(call.Error());
    if (!status) return Fail(RPC_X_NULL_REF_POINTER);
    const SERVICE_STATUS_PROCESS st = lab::StatusOf(call.Service(), call.Now());
    std::memcpy(status, &st, sizeof *status);  // SERVICE_STATUS is the head of the record
    return TRUE;
}

BOOL WINAPI plat::StartServiceW(SC_HANDLE handle, DWORD argc, LPCWSTR* argv) {
    ServiceCall call(handle, "StartServiceW", SERVICE_START);
    if (call.Error()) return Fail(call.Error());
    if (argc && !argv) return Fail(ERROR_INVALID_PARAMETER);
    const DWORD error = lab::StartService(call.Table(), call.Service(), call.Net(), call.Target(), call.Now());
    if (error) return Fail(error);
    call.Service().lastStartArguments.assign(argv, argv + argc);
    return TRUE;
}

BOOL WINAPI plat::ControlService(SC_HANDLE handle, DWORD control, LPSERVICE_STATUS status) {
    // The right a control needs, and what it is.
    DWORD right = 0;
    switch (control) {
        case SERVICE_CONTROL_STOP: right = SERVICE_STOP; break;
        case SERVICE_CONTROL_PAUSE:
        case SERVICE_CONTROL_CONTINUE:
        case SERVICE_CONTROL_PARAMCHANGE:
        case SERVICE_CONTROL_NETBINDADD:
        case SERVICE_CONTROL_NETBINDREMOVE:
        case SERVICE_CONTROL_NETBINDENABLE:
        case SERVICE_CONTROL_NETBINDDISABLE: right = SERVICE_PAUSE_CONTINUE; break;
        case SERVICE_CONTROL_INTERROGATE: right = SERVICE_INTERROGATE; break;
        default:
            if (control >= 128 && control <= 255) right = SERVICE_USER_DEFINED_CONTROL;
            break;
    }
    ServiceCall call(handle, "ControlService", right);
    if (call.Error()) return Fail(call.Error());
    if (!status) return Fail(RPC_X_NULL_REF_POINTER);
    if (right == 0) return Fail(ERROR_INVALID_SERVICE_CONTROL);
    lab::LabService& s = call.Service();
    auto report = [&](DWORD error) {
        const SERVICE_STATUS_PROCESS st = lab::StatusOf(s, call.Now());
        std::memcpy(status, &st, sizeof *status);
        return error ? Fail(error) : TRUE;
    };
    if (s.state == SERVICE_STOPPED) return report(ERROR_SERVICE_NOT_ACTIVE);
    if (s.state == SERVICE_START_PENDING || s.state == SERVICE_STOP_PENDING)
        return report(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
    if (control == SERVICE_CONTROL_INTERROGATE) return report(0);
    if (!s.behaviour.responds) return Fail(ERROR_SERVICE_REQUEST_TIMEOUT);
    if (s.state == SERVICE_PAUSE_PENDING || s.state == SERVICE_CONTINUE_PENDING)
        return report(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
    const DWORD accepted = lab::StatusOf(s, call.Now()).dwControlsAccepted;
    switch (control) {
        case SERVICE_CONTROL_STOP: {
            if (!(accepted & SERVICE_ACCEPT_STOP)) return report(ERROR_INVALID_SERVICE_CONTROL);
            for (const lab::LabService* d : lab::DependentsInStopOrder(call.Table(), s)) {
                if (d->state != SERVICE_STOPPED) return Fail(ERROR_DEPENDENT_SERVICES_RUNNING);
            }
            lab::BeginTransition(s, SERVICE_STOP_PENDING, call.Now());
            return report(0);
        }
        case SERVICE_CONTROL_PAUSE:
        case SERVICE_CONTROL_CONTINUE: {
            if (!(accepted & SERVICE_ACCEPT_PAUSE_CONTINUE)) return report(ERROR_INVALID_SERVICE_CONTROL);
            // A paused service asked to pause again (or a running one to
            // continue) just reports its state.
            if (control == SERVICE_CONTROL_PAUSE && s.state == SERVICE_RUNNING)
                lab::BeginTransition(s, SERVICE_PAUSE_PENDING, call.Now());
            else if (control == SERVICE_CONTROL_CONTINUE && s.state == SERVICE_PAUSED)
                lab::BeginTransition(s, SERVICE_CONTINUE_PENDING, call.Now());
            return report(0);
        }
        default:
            // No lab service accepts network-binding, parameter or custom controls.
            return report(ERROR_INVALID_SERVICE_CONTROL);
    }
}

BOOL WINAPI plat::EnumDependentServicesW(SC_HANDLE handle, DWORD state, LPENUM_SERVICE_STATUSW services, DWORD size,
                                         LPDWORD needed, LPDWORD returned) {
    ServiceCall call(handle, "EnumDependentServicesW", SERVICE_ENUMERATE_DEPENDENTS);
    if (call.Error()) return Fail(call.Error());
    if (!needed || !returned) return Fail(RPC_X_NULL_REF_POINTER);
    if (state < SERVICE_ACTIVE || state > SERVICE_STATE_ALL) return Fail(ERROR_INVALID_PARAMETER);
    std::vector<const lab::LabService*> list;
    for (const lab::LabService* d : lab::DependentsInStopOrder(call.Table(), call.Service())) {
        const bool active = d->state != SERVICE_STOPPED;
        if ((active && (state & SERVICE_ACTIVE)) || (!active && (state & SERVICE_INACTIVE))) list.push_back(d);
    }
    *returned = 0;
    DWORD bytes = 0;
    for (const lab::LabService* d : list)
        bytes += sizeof(ENUM_SERVICE_STATUSW) + static_cast<DWORD>((lab::Chars(d->name) + lab::Chars(d->displayName)) * sizeof(wchar_t));
    if (!lab::SizeQuery<DWORD>(services, size, bytes, needed)) return list.empty() ? TRUE : Fail(ERROR_MORE_DATA);
    PackedWriter out(reinterpret_cast<BYTE*>(services), size, list.size() * sizeof(ENUM_SERVICE_STATUSW));
    for (const lab::LabService* d : list) {
        ENUM_SERVICE_STATUSW& e = services[*returned];
        e.lpServiceName = out.Put(d->name);
        e.lpDisplayName = out.Put(d->displayName);
        const SERVICE_STATUS_PROCESS st = lab::StatusOf(*d, call.Now());
        std::memcpy(&e.ServiceStatus, &st, sizeof e.ServiceStatus);
        ++*returned;
    }
    return TRUE;
}

BOOL WINAPI plat::EnumServicesStatusExW(SC_HANDLE scm, SC_ENUM_TYPE level, DWORD type, DWORD state, LPBYTE buffer,
                                        DWORD size, LPDWORD needed, LPDWORD returned, LPDWORD resume,
                                        LPCWSTR group) {
    HandleOf<ScmPayload> h(scm, LAB_KIND_SCM_HANDLE);
    if (!h) return Fail(ERROR_INVALID_HANDLE);
    lab::Gate gate(h.Computer(), lab::Family::ServiceControl, "EnumServicesStatusExW");
    if (gate.Error()) return Fail(gate.Error());
    if (!(h.Payload().access & SC_MANAGER_ENUMERATE_SERVICE)) return Fail(ERROR_ACCESS_DENIED);
    if (level != SC_ENUM_PROCESS_INFO) return Fail(ERROR_INVALID_LEVEL);
    if (!needed || !returned) return Fail(RPC_X_NULL_REF_POINTER);
    if (type == 0 || (type & ~(SERVICE_DRIVER | SERVICE_WIN32 | SERVICE_INTERACTIVE_PROCESS)) ||
        state < SERVICE_ACTIVE || state > SERVICE_STATE_ALL) {
        *needed = 0;
        *returned = 0;
        return Fail(ERROR_INVALID_PARAMETER);
    }
    lab::ServiceTable& table = gate.Target().Section<lab::ServiceTable>();
    const ULONGLONG now = lab::clock::Now();
    table.Advance(now);
    // A group nobody belongs to is not an empty group: the name is wrong.
    if (group && *group) {
        bool known = false;
        for (const lab::LabService& s : table.services) known = known || lab::EqualsNoCase(s.group, group);
        if (!known) return Fail(ERROR_SERVICE_DOES_NOT_EXIST);
    }

    std::vector<const lab::LabService*> list;
    for (const lab::LabService& s : table.services) {
        const bool active = s.state != SERVICE_STOPPED;
        if (!(s.type & type & (SERVICE_DRIVER | SERVICE_WIN32))) continue;
        if (!((active && (state & SERVICE_ACTIVE)) || (!active && (state & SERVICE_INACTIVE)))) continue;
        if (group && !lab::EqualsNoCase(s.group, group)) continue;  // "" selects services of no group
        list.push_back(&s);
    }
    // The service control manager keeps its database in service-name order.
    std::stable_sort(list.begin(), list.end(), [](const lab::LabService* a, const lab::LabService* b) {
        return ::CompareStringOrdinal(a->name.c_str(), -1, b->name.c_str(), -1, TRUE) == CSTR_LESS_THAN;
    });
    const size_t first = resume ? *resume : 0;
    *returned = 0;
    *needed = 0;
    auto bytesOf = [](const lab::LabService* s) {
        return static_cast<DWORD>(sizeof(ENUM_SERVICE_STATUS_PROCESSW) +
                                  (lab::Chars(s->name) + lab::Chars(s->displayName)) * sizeof(wchar_t));
    };
    // As many entries as fit; the records go first, their strings behind all
    // of them, so count what fits before writing.
    const size_t fit =
        buffer ? lab::FitCount(list.size(), first, size, [&](size_t i) { return bytesOf(list[i]); }) : 0;
    auto* records = reinterpret_cast<ENUM_SERVICE_STATUS_PROCESSW*>(buffer);
    PackedWriter out(buffer, size, fit * sizeof(ENUM_SERVICE_STATUS_PROCESSW));
    for (size_t i = 0; i < fit; ++i) {
        const lab::LabService* s = list[first + i];
        ENUM_SERVICE_STATUS_PROCESSW& e = records[i];
        e.lpServiceName = out.Put(s->name);
        e.lpDisplayName = out.Put(s->displayName);
        e.ServiceStatusProcess = lab::StatusOf(*s, now);
    }
    *returned = static_cast<DWORD>(fit);
    if (lab::ResumeAfter(first, fit, list.size(), resume)) {
        for (size_t i = first + fit; i < list.size(); ++i) *needed += bytesOf(list[i]);
        return Fail(ERROR_MORE_DATA);
    }
    return TRUE;
}

// The key name of the service a display name names, compared ignoring case
// as the service control manager does. The count is in characters without
// the terminator, in and out; a buffer too small gets nothing but an empty
// string, and the count tells what the name needs.
BOOL WINAPI plat::GetServiceKeyNameW(SC_HANDLE scm, LPCWSTR displayName, LPWSTR buffer, LPDWORD chars) {
    HandleOf<ScmPayload> h(scm, LAB_KIND_SCM_HANDLE);
    if (!h) return Fail(ERROR_INVALID_HANDLE);
    if (!chars) return Fail(RPC_X_NULL_REF_POINTER);
    lab::Gate gate(h.Computer(), lab::Family::ServiceControl, "GetServiceKeyNameW");
    if (gate.Error()) return Fail(gate.Error());
    if (buffer && *chars > 0) *buffer = L'\0';
    if (!displayName || !*displayName || std::wcslen(displayName) > 256) return Fail(ERROR_INVALID_NAME);
    const auto& services = gate.Target().Section<lab::ServiceTable>().services;
    const auto found = std::find_if(services.begin(), services.end(), [&](const lab::LabService& s) {
        return lab::EqualsNoCase(s.displayName, displayName);
    });
    if (found == services.end()) return Fail(ERROR_SERVICE_DOES_NOT_EXIST);
    const DWORD length = static_cast<DWORD>(found->name.size());
    const DWORD available = *chars;
    *chars = length;
    if (!buffer || available <= length) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::wmemcpy(buffer, found->name.c_str(), length + 1);
    return TRUE;
}

DWORD LabServiceStartArguments(const wchar_t* computer, const wchar_t* service, wchar_t* buffer, DWORD chars) {
    if (!service) return 0;
    const lab::LockedComputer c(computer);
    if (!c) return 0;
    const lab::LabService* s = c->Section<lab::ServiceTable>().Find(service);
    if (!s) return 0;
    std::wstring text;
    for (const std::wstring& argument : s->lastStartArguments) text += argument + L"\n";
    return lab::CopyOut(text, buffer, chars);
}
