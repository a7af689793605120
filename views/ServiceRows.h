#pragma once
// What the services view shows of one service, column by column, and which
// of its control commands make sense for it.
#include "services/ServiceRef.h"

#include <windows.h>

#include <array>
#include <optional>
#include <string>

namespace vantrel {

// Columns of the services view, in order.
enum ServiceColumn : int {
    kServiceNameColumn = 0,
    kServiceDescriptionColumn,
    kServiceStatusColumn,
    kServiceStartupTypeColumn,
    kServiceAccountColumn,
    kServiceColumnCount
};

// Refresh masks: one bit per column (bit n = column n).
constexpr DWORD kRefreshName = 1;
constexpr DWORD kRefreshDescription = 2;
constexpr DWORD kRefreshStatus = 4;
constexpr DWORD kRefreshStartupType = 8;
constexpr DWORD kRefreshAccount = 16;
constexpr DWORD kRefreshInserted = 30;  // what an inserted row fills besides its label
constexpr DWORD kRefreshAll = 31;

// The cells a refresh writes; a cell without a value keeps what the list
// shows. A failed configuration read shows "Unknown" as the account, the
// empty text as the name, and leaves the startup type alone; a failed
// description or status read leaves its cell alone.
using ServiceCells = std::array<std::optional<std::wstring>, kServiceColumnCount>;

// Reads what `mask` asks for from the computer (one configuration read
// serves name, startup type and account).
ServiceCells ReadServiceCells(ServiceRef& service, DWORD mask);

// Writes the cells that have a value into an item of the list. Works from
// any thread: it only sends list-view messages.
void WriteServiceCells(HWND list, int item, const ServiceCells& cells) noexcept;

// --- Context-menu enabling ----------------------------------------------------

// Commands of the item popup that can be greyed.
constexpr DWORD kGreyStart = 1;
constexpr DWORD kGreyStop = 2;
constexpr DWORD kGreyPause = 4;
constexpr DWORD kGreyResume = 8;
constexpr DWORD kGreyRestart = 16;
constexpr DWORD kGreyProperties = 32;
constexpr DWORD kGreyControls = kGreyStart | kGreyStop | kGreyPause | kGreyResume | kGreyRestart;

// What is known about the selection when the item popup opens. The
// configuration and status are those of the one selected service; a read
// that failed is not known.
struct ServiceMenuFacts {
    int selected = 0;
    std::optional<DWORD> startType;
    std::optional<SERVICE_STATUS_PROCESS> status;
};

// The commands to grey. Several selected services: only Properties (every
// control is offered, each service answers for itself). One: a disabled
// service offers no control; otherwise its state and the controls it
// accepts decide.
DWORD GreyedServiceCommands(const ServiceMenuFacts& facts) noexcept;

}  // namespace vantrel
