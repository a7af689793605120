#pragma once
// The decisions of a resource view that need no window: when names differ,
// when a refresh is due, where the list goes.
#include <windows.h>

namespace vantrel {

// Names compared as the views compare computers and accounts: without case;
// a missing name (null) differs from a present one, even an empty one.
bool NamesDiffer(const wchar_t* a, const wchar_t* b) noexcept;

// Whether VIEWN_ACTIVATE refreshes: forced, or the computer or credentials
// changed since the last refresh.
constexpr bool ActivationRefreshes(DWORD force, bool computerChanged, bool credentialsChanged) noexcept {
    return force == 1 || computerChanged || credentialsChanged;
}

// Whether WM_SETCOMPUTER goes on to activate: only an active view, and only
// when something changed or the caller forces it.
constexpr bool SetComputerActivates(bool active, WPARAM force, bool computerChanged, bool credentialsChanged) noexcept {
    return active && (computerChanged || force == 1 || credentialsChanged);
}

// The list and the message area fill the client area below the credentials
// line: 8 pixels under its bottom, or at 25 when it cannot be measured.
RECT ViewListRect(const RECT* credentialsLine, int clientWidth, int clientHeight) noexcept;

}  // namespace vantrel
