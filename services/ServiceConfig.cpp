#include "services/ServiceConfig.h"

#include "common/Result.h"
#include "common/SizeQuery.h"
#include "services/EnabledPrivilege.h"
#include "platform/ServiceControl.h"

#include <optional>

namespace vantrel {

namespace {

constexpr wchar_t kLocalSystem[] = L"LocalSystem";

// Changes nothing but what is given.
BOOL Change(SC_HANDLE service, DWORD type, DWORD startType, const wchar_t* account, const wchar_t* password,
            const wchar_t* displayName) {
    return plat::ChangeServiceConfigW(service, type, startType, SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr,
                                      account, password, displayName);
}

}  // namespace

HRESULT ChangeStartType(SC_HANDLE service, DWORD startType) {
    RETURN_LAST_ERROR_IF(!Change(service, SERVICE_NO_CHANGE, startType, nullptr, nullptr, nullptr));
    return S_OK;
}

HRESULT ChangeDisplayName(SC_HANDLE service, const wchar_t* displayName) {
    RETURN_LAST_ERROR_IF(
        !Change(service, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, nullptr, nullptr, displayName ? displayName : L""));
    return S_OK;
}

HRESULT ChangeDescription(SC_HANDLE service, const wchar_t* description) {
    SERVICE_DESCRIPTIONW info{const_cast<wchar_t*>(description ? description : L"")};
    RETURN_LAST_ERROR_IF(!plat::ChangeServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, &info));
    return S_OK;
}

HRESULT ChangeToLocalSystem(SC_HANDLE service, DWORD currentType, bool interact) {
    const DWORD type = interact ? currentType | SERVICE_INTERACTIVE_PROCESS : currentType & ~SERVICE_INTERACTIVE_PROCESS;
    RETURN_LAST_ERROR_IF(!Change(service, type, SERVICE_NO_CHANGE, kLocalSystem, L"", nullptr));
    return S_OK;
}

HRESULT ChangeAccount(SC_HANDLE service, DWORD currentType, const wchar_t* account, const wchar_t* password) {
    RETURN_LAST_ERROR_IF(
        !Change(service, currentType & ~SERVICE_INTERACTIVE_PROCESS, SERVICE_NO_CHANGE, account, password, nullptr));
    return S_OK;
}

HRESULT QueryFailureActions(SC_HANDLE service, UniqueCoTaskMem& block) {
    auto query = [service](BYTE* buffer, DWORD size, DWORD* needed) {
        return plat::QueryServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS, buffer, size, needed);
    };
    const HRESULT hr = QueryWithSize(query, block, sizeof(SERVICE_FAILURE_ACTIONSW));
    // A first call that fits nothing into no buffer still means "no record".
    return hr == S_FALSE ? HResultFromWin32(ERROR_INSUFFICIENT_BUFFER) : hr;
}

HRESULT ChangeFailureActions(SC_HANDLE service, SERVICE_FAILURE_ACTIONSW* actions) {
    // A record that reboots the computer is refused unless the caller's
    // token has the shutdown privilege enabled.
    bool reboots = false;
    for (DWORD i = 0; actions && actions->lpsaActions && i < actions->cActions; ++i)
        reboots = reboots || actions->lpsaActions[i].Type == SC_ACTION_REBOOT;
    std::optional<EnabledPrivilege> shutdown;
    if (reboots) shutdown.emplace(SE_SHUTDOWN_NAME);
    RETURN_LAST_ERROR_IF(!plat::ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS, actions));
    return S_OK;
}

}  // namespace vantrel
