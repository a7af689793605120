#pragma once
// What the terminal sessions view writes into its cells, which commands its
// item popup greys, and the title a message starts with.
#include <windows.h>

#include <array>
#include <span>
#include <string>

namespace vantrel {

constexpr DWORD kConsoleSessionId = 0;
constexpr DWORD kListenerSessionId = 0x10000;

// The row texts of the view, loaded from the string table once per listing.
struct TerminalTexts {
    std::array<std::wstring, 11> states;    // connection states 0-9, then "Unknown"
    std::array<std::wstring, 4> protocols;  // client protocol types 0-2, then "Unknown"
};
TerminalTexts LoadTerminalTexts();

const std::wstring& StateName(const TerminalTexts& texts, DWORD state) noexcept;
const std::wstring& ProtocolName(const TerminalTexts& texts, USHORT protocol) noexcept;

// The Session column: the window-station name, or the state name when the
// session has none.
std::wstring SessionLabel(const wchar_t* windowStation, const std::wstring& stateName);
// The User column: "DOMAIN\user" when there is a domain, else the user name.
std::wstring SessionUserText(const wchar_t* domain, const wchar_t* user);
// The console has its own image; every other session shares one.
int SessionImage(DWORD sessionId) noexcept;
// The ID column's text read back as a number, as the commands read it.
DWORD SessionIdOfText(const std::wstring& text) noexcept;

// The item popup's commands that stay greyed for a selection: the console
// cannot be closed or reset, the listener cannot be closed or messaged.
struct SessionMenuGreying {
    bool close = false;
    bool reset = false;
    bool send = false;
};
SessionMenuGreying GreyedSessionCommands(std::span<const DWORD> selectedIds) noexcept;

// Whether "Close All Sessions" passes over the session (console, listener).
constexpr bool CloseAllSkips(DWORD sessionId) noexcept {
    return sessionId == kConsoleSessionId || sessionId == kListenerSessionId;
}

// The title a Send Message dialog opens with: `prefix`, the local date as
// MM/DD/YY, a space and the local time as HH:MM:SS.
std::wstring MessageTitle(const std::wstring& prefix, const SYSTEMTIME& now);

}  // namespace vantrel
