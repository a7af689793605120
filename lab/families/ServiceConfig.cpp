// Reading and changing what the service control manager stores about a
// service: QueryServiceConfig*W and ChangeServiceConfig*W.
#include "platform/ServiceControl.h"

#include "lab/Identity.h"
#include "lab/Text.h"
#include "lab/families/ServiceHandles.h"

#include <functional>

using namespace lab::services;
using lab::Fail;

namespace {

std::vector<std::wstring> SplitMulti(const wchar_t* multi) {
    std::vector<std::wstring> out;
    for (const wchar_t* p = multi; p && *p; p += std::wcslen(p) + 1) out.emplace_back(p);
    return out;
}

DWORD Bytes(size_t chars) { return static_cast<DWORD>(chars * sizeof(wchar_t)); }

bool IsDriver(DWORD type) { return (type & SERVICE_DRIVER) != 0; }

bool ValidType(DWORD type) {
    const DWORD base = type & ~SERVICE_INTERACTIVE_PROCESS;
    if (base == SERVICE_KERNEL_DRIVER || base == SERVICE_FILE_SYSTEM_DRIVER)
        return (type & SERVICE_INTERACTIVE_PROCESS) == 0;
    return base == SERVICE_WIN32_OWN_PROCESS || base == SERVICE_WIN32_SHARE_PROCESS;
}

bool IsLocalSystem(const std::wstring& account) {
    return lab::EqualsNoCase(account, L"LocalSystem") || lab::EqualsNoCase(account, L".\\LocalSystem");
}

// Whether following `start`'s dependencies (names and groups) leads back to it.
bool LeadsBackTo(const lab::ServiceTable& table, const lab::LabService& start,
                 const std::vector<std::wstring>& dependencies) {
    std::vector<const lab::LabService*> seen;
    std::function<bool(const std::vector<std::wstring>&)> walk = [&](const std::vector<std::wstring>& deps) {
        for (const lab::LabService& s : table.services) {
            bool direct = false;
            for (const std::wstring& e : deps) {
                direct = direct || (!e.empty() && e[0] == SC_GROUP_IDENTIFIERW
                                        ? !s.group.empty() && lab::EqualsNoCase(std::wstring_view(e).substr(1), s.group)
                                        : lab::EqualsNoCase(e, s.name));
            }
            if (!direct) continue;
            if (&s == &start) return true;
            bool known = false;
            for (const auto* x : seen) known = known || x == &s;
            if (known) continue;
            seen.push_back(&s);
            if (walk(s.dependencies)) return true;
        }
        return false;
    };
    return walk(dependencies);
}

}  // namespace

BOOL WINAPI plat::QueryServiceConfigW(SC_HANDLE handle, LPQUERY_SERVICE_CONFIGW config, DWORD size, LPDWORD needed) {
    ServiceCall call(handle, "QueryServiceConfigW", SERVICE_QUERY_CONFIG);
    if (call.Error()) return Fail(call.Error());
    if (!needed) return Fail(RPC_X_NULL_REF_POINTER);
    const lab::LabService& s = call.Service();
    const DWORD bytes = sizeof(QUERY_SERVICE_CONFIGW) +
                        Bytes(lab::Chars(s.binaryPath) + lab::Chars(s.group) + MultiChars(s.dependencies) +
                              lab::Chars(s.account) + lab::Chars(s.displayName));
    if (!lab::SizeQuery<DWORD>(config, size, bytes, needed)) return Fail(ERROR_INSUFFICIENT_BUFFER);
    PackedWriter out(reinterpret_cast<BYTE*>(config), size, sizeof(QUERY_SERVICE_CONFIGW));
    config->dwServiceType = s.type;
    config->dwStartType = s.startType;
    config->dwErrorControl = s.errorControl;
    config->lpBinaryPathName = out.Put(s.binaryPath);
    config->lpLoadOrderGroup = out.Put(s.group);
    config->dwTagId = 0;
    config->lpDependencies = out.PutMulti(s.dependencies);
    config->lpServiceStartName = out.Put(s.account);
    config->lpDisplayName = out.Put(s.displayName);
    return TRUE;
}

BOOL WINAPI plat::QueryServiceConfig2W(SC_HANDLE handle, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
    ServiceCall call(handle, "QueryServiceConfig2W", SERVICE_QUERY_CONFIG);
    if (call.Error()) return Fail(call.Error());
    if (!needed) return Fail(RPC_X_NULL_REF_POINTER);
    const lab::LabService& s = call.Service();
    if (level == SERVICE_CONFIG_DESCRIPTION) {
        const DWORD bytes = sizeof(SERVICE_DESCRIPTIONW) + (s.description.empty() ? 0 : Bytes(lab::Chars(s.description)));
        if (!lab::SizeQuery<DWORD>(buffer, size, bytes, needed)) return Fail(ERROR_INSUFFICIENT_BUFFER);
        auto* out = reinterpret_cast<SERVICE_DESCRIPTIONW*>(buffer);
        PackedWriter strings(buffer, size, sizeof(SERVICE_DESCRIPTIONW));
        out->lpDescription = s.description.empty() ? nullptr : strings.Put(s.description);
        return TRUE;
    }
    if (level == SERVICE_CONFIG_FAILURE_ACTIONS) {
        const lab::FailureActions& fa = s.failureActions;
        const DWORD actionBytes = static_cast<DWORD>(fa.actions.size() * sizeof(SC_ACTION));
        const DWORD bytes = sizeof(SERVICE_FAILURE_ACTIONSW) + actionBytes +
                            (fa.rebootMessage.empty() ? 0 : Bytes(lab::Chars(fa.rebootMessage))) +
                            (fa.command.empty() ? 0 : Bytes(lab::Chars(fa.command)));
        if (!lab::SizeQuery<DWORD>(buffer, size, bytes, needed)) return Fail(ERROR_INSUFFICIENT_BUFFER);
        auto* out = reinterpret_cast<SERVICE_FAILURE_ACTIONSW*>(buffer);
        auto* actions = reinterpret_cast<SC_ACTION*>(buffer + sizeof(SERVICE_FAILURE_ACTIONSW));
        for (size_t i = 0; i < fa.actions.size(); ++i) actions[i] = fa.actions[i];
        PackedWriter strings(buffer, size, sizeof(SERVICE_FAILURE_ACTIONSW) + actionBytes);
        out->dwResetPeriod = fa.resetPeriod;
        out->lpRebootMsg = fa.rebootMessage.empty() ? nullptr : strings.Put(fa.rebootMessage);
        out->lpCommand = fa.command.empty() ? nullptr : strings.Put(fa.command);
        out->cActions = static_cast<DWORD>(fa.actions.size());
        out->lpsaActions = fa.actions.empty() ? nullptr : actions;
        return TRUE;
    }
    return Fail(ERROR_INVALID_LEVEL);
}

BOOL WINAPI plat::ChangeServiceConfigW(SC_HANDLE handle, DWORD type, DWORD startType, DWORD errorControl,
                                       LPCWSTR binaryPath, LPCWSTR group, LPDWORD tagId, LPCWSTR dependencies,
                                       LPCWSTR account, LPCWSTR password, LPCWSTR displayName) {
    ServiceCall call(handle, "ChangeServiceConfigW", SERVICE_CHANGE_CONFIG);
    if (call.Error()) return Fail(call.Error());
    lab::LabService& s = call.Service();

    // Everything is checked before anything changes.
    lab::LabService next = s;
    if (type != SERVICE_NO_CHANGE) {
        if (!ValidType(type) || IsDriver(type) != IsDriver(s.type)) return Fail(ERROR_INVALID_PARAMETER);
        next.type = type;
    }
    if (startType != SERVICE_NO_CHANGE) {
        if (startType > SERVICE_DISABLED || (startType < SERVICE_AUTO_START && !IsDriver(next.type)))
            return Fail(ERROR_INVALID_PARAMETER);
        next.startType = startType;
    }
    if (errorControl != SERVICE_NO_CHANGE) {
        if (errorControl > SERVICE_ERROR_CRITICAL) return Fail(ERROR_INVALID_PARAMETER);
        next.errorControl = errorControl;
    }
    if (binaryPath) {
        if (!*binaryPath) return Fail(ERROR_INVALID_PARAMETER);
        next.binaryPath = binaryPath;
    }
    if (group) next.group = group;
    if (tagId && !(IsDriver(next.type) && next.startType <= SERVICE_SYSTEM_START)) return Fail(ERROR_INVALID_PARAMETER);
    if (dependencies) {
        next.dependencies = SplitMulti(dependencies);
        if (LeadsBackTo(call.Table(), s, next.dependencies)) return Fail(ERROR_CIRCULAR_DEPENDENCY);
    }
    if (account && !IsDriver(next.type)) {
        if (!lab::IsKnownServiceAccount(call.Net(), call.Target(), account, nullptr))
            return Fail(ERROR_INVALID_SERVICE_ACCOUNT);
        if (!lab::EqualsNoCase(account, s.account)) {
            // A new account without a password gets an empty one.
            next.password.clear();
            next.passwordSet = true;
        }
        next.account = account;
    }
    if (password) {
        next.password = password;
        next.passwordSet = true;
    }
    if ((next.type & SERVICE_INTERACTIVE_PROCESS) && !IsLocalSystem(next.account)) return Fail(ERROR_INVALID_PARAMETER);
    if (displayName) {
        for (const lab::LabService& other : call.Table().services) {
            if (&other != &s && *displayName &&
                (lab::EqualsNoCase(other.displayName, displayName) || lab::EqualsNoCase(other.name, displayName)))
                return Fail(ERROR_DUPLICATE_SERVICE_NAME);
        }
        next.displayName = displayName;
    }
    if (tagId) *tagId = 0;
    s = std::move(next);
    return TRUE;
}

BOOL WINAPI plat::ChangeServiceConfig2W(SC_HANDLE handle, DWORD level, LPVOID info) {
    ServiceCall call(handle, "ChangeServiceConfig2W", SERVICE_CHANGE_CONFIG);
    if (call.Error()) return Fail(call.Error());
    if (!info) return Fail(ERROR_INVALID_PARAMETER);
    lab::LabService& s = call.Service();
    if (level == SERVICE_CONFIG_DESCRIPTION) {
        const auto* d = static_cast<const SERVICE_DESCRIPTIONW*>(info);
        if (d->lpDescription) s.description = d->lpDescription;  // "" deletes it
        return TRUE;
    }
    if (level == SERVICE_CONFIG_FAILURE_ACTIONS) {
        const auto* fa = static_cast<const SERVICE_FAILURE_ACTIONSW*>(info);
        if (fa->lpsaActions) {
            for (DWORD i = 0; i < fa->cActions; ++i) {
                const SC_ACTION& a = fa->lpsaActions[i];
                if (a.Type > SC_ACTION_RUN_COMMAND) return Fail(ERROR_INVALID_PARAMETER);
                // Restarting the service is something only a holder of the
                // start right may arrange.
                if (a.Type == SC_ACTION_RESTART && !(call.Access() & SERVICE_START)) return Fail(ERROR_ACCESS_DENIED);
                // Rebooting needs the shutdown privilege enabled in the
                // caller's effective token.
                if (a.Type == SC_ACTION_REBOOT && !lab::PrivilegeEnabled(SE_SHUTDOWN_NAME))
                    return Fail(ERROR_ACCESS_DENIED);
            }
        }
        lab::FailureActions& out = s.failureActions;
        out.present = true;
        if (fa->lpRebootMsg) out.rebootMessage = fa->lpRebootMsg;
        if (fa->lpCommand) out.command = fa->lpCommand;
        if (fa->lpsaActions) {
            // Without actions the reset period is meaningless and goes too.
            out.actions.assign(fa->lpsaActions, fa->lpsaActions + fa->cActions);
            out.resetPeriod = fa->cActions ? fa->dwResetPeriod : 0;
        }
        return TRUE;
    }
    return Fail(ERROR_INVALID_LEVEL);
}
