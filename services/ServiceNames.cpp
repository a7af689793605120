#include "services/ServiceNames.h"

#include "common/ResourceText.h"
#include "resources/ServicesIds.h"

#include <cwchar>

namespace vantrel {

UINT ServiceStateTextId(DWORD state) noexcept {
    switch (state) {
        case SERVICE_START_PENDING:
        case SERVICE_CONTINUE_PENDING: return IDS_STATE_STARTING;
        case SERVICE_STOP_PENDING: return IDS_STATE_STOPPING;
        case SERVICE_RUNNING: return IDS_STATE_STARTED;
        case SERVICE_PAUSE_PENDING: return IDS_STATE_PAUSING;
        case SERVICE_PAUSED: return IDS_STATE_PAUSED;
        default: return IDS_STATE_BLANK;  // stopped, or a state nobody knows
    }
}

UINT StartTypeTextId(DWORD startType) noexcept {
    switch (startType) {
        case SERVICE_BOOT_START: return IDS_START_BOOT;
        case SERVICE_SYSTEM_START: return IDS_START_SYSTEM;
        case SERVICE_AUTO_START: return IDS_START_AUTOMATIC;
        case SERVICE_DEMAND_START: return IDS_START_MANUAL;
        case SERVICE_DISABLED: return IDS_START_DISABLED;
        default: return IDS_UNKNOWN;
    }
}

std::wstring ServiceStateText(DWORD state) { return LoadText(ServiceStateTextId(state)); }

std::wstring StartTypeText(DWORD startType, bool configRead) {
    return LoadText(configRead ? StartTypeTextId(startType) : IDS_UNKNOWN);
}

std::wstring AccountText(const wchar_t* account, bool configRead) {
    if (!configRead) return LoadText(IDS_UNKNOWN);
    if (!account) return LoadText(IDS_ACCOUNT_LOCAL_SYSTEM);
    if (::_wcsicmp(account, L"NT AUTHORITY\\LocalService") == 0) return LoadText(IDS_ACCOUNT_LOCAL_SERVICE);
    if (::_wcsicmp(account, L"NT AUTHORITY\\NetworkService") == 0) return LoadText(IDS_ACCOUNT_NETWORK_SERVICE);
    return account;
}

}  // namespace vantrel
