#include "views/ServiceRows.h"

#include "services/ServiceNames.h"

#include <commctrl.h>

namespace vantrel {

ServiceCells ReadServiceCells(ServiceRef& service, DWORD mask) {
    ServiceCells cells;
    if (mask & (kRefreshName | kRefreshStartupType | kRefreshAccount)) {
        UniqueCoTaskMem block;
        const bool read = SUCCEEDED(service.QueryConfig(block));
        const auto* config = read ? static_cast<const QUERY_SERVICE_CONFIGW*>(block.Get()) : nullptr;
        if (mask & kRefreshName)
            cells[kServiceNameColumn] = config && config->lpDisplayName ? config->lpDisplayName : L"";
        if ((mask & kRefreshStartupType) && config) cells[kServiceStartupTypeColumn] = StartTypeText(config->dwStartType);
        if (mask & kRefreshAccount)
            cells[kServiceAccountColumn] = AccountText(config ? config->lpServiceStartName : nullptr, read);
    }
    if (mask & kRefreshDescription) {
        std::wstring description;
        if (SUCCEEDED(service.GetDescription(description))) cells[kServiceDescriptionColumn] = std::move(description);
    }
    if (mask & kRefreshStatus) {
        SERVICE_STATUS_PROCESS status{};
        if (SUCCEEDED(service.QueryStatus(status))) cells[kServiceStatusColumn] = ServiceStateText(status.dwCurrentState);
    }
    return cells;
}

void WriteServiceCells(HWND list, int item, const ServiceCells& cells) noexcept {
    for (int column = 0; column < kServiceColumnCount; ++column) {
        const std::optional<std::wstring>& text = cells[static_cast<size_t>(column)];
        if (!text) continue;
        LVITEMW cell{};
        cell.iSubItem = column;
        cell.pszText = const_cast<wchar_t*>(text->c_str());
        ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell));
    }
}

DWORD GreyedServiceCommands(const ServiceMenuFacts& facts) noexcept {
    if (facts.selected > 1) return kGreyProperties;
    if (facts.selected != 1) return 0;
    if (facts.startType == SERVICE_DISABLED) return kGreyControls;
    if (!facts.status) return 0;

    const DWORD state = facts.status->dwCurrentState;
    const DWORD accepted = facts.status->dwControlsAccepted;
    DWORD greyed = 0;
    if (state == SERVICE_RUNNING || state == SERVICE_START_PENDING) greyed |= kGreyStart | kGreyResume;
    if (!(accepted & SERVICE_ACCEPT_STOP))
        greyed |= kGreyStop | kGreyRestart;
    else if (state == SERVICE_STOPPED || state == SERVICE_STOP_PENDING)
        greyed |= kGreyStop | kGreyRestart | kGreyPause | kGreyResume;
    if (!(accepted & SERVICE_ACCEPT_PAUSE_CONTINUE))
        greyed |= kGreyPause | kGreyResume;
    else if (state == SERVICE_PAUSED || state == SERVICE_PAUSE_PENDING)
        greyed |= kGreyPause | kGreyStart;
    return greyed;
}

}  // namespace vantrel
