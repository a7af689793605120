#pragma once
// The decisions of the service's General and Log On pages, kept apart from
// the windows: what the status block shows, how start parameters split, how
// startup types map to the list, and what the log-on page accepts.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace vantrel {

// --- General page -------------------------------------------------------------

// What the status block shows for a service status. A button without a value
// keeps the state it has.
struct StatusBlock {
    UINT textId = 0;  // string id of the state's name
    std::optional<bool> start, stop, pause, resume;
    bool parameters = false;  // the start parameters (label and field)
};

StatusBlock StatusBlockFor(DWORD state, DWORD controlsAccepted);

// The start parameters as StartServiceW arguments: split at every blank, no
// quoting; two blanks in a row give an empty argument; a blank at the very
// end gives none.
std::vector<std::wstring> SplitStartParameters(const std::wstring& text);

// Index in the startup list (Automatic, Manual, Disabled) of a start type; -1
// for boot and system drivers, which the list does not offer.
int StartTypeIndex(DWORD startType) noexcept;
// The start type an index stands for; no selection writes Automatic.
DWORD StartTypeForIndex(int index) noexcept;

// --- Log On page --------------------------------------------------------------

// What the password fields show until the user types: never a real password.
inline constexpr wchar_t kPasswordPlaceholder[] = L"ZRTVBXQWMNPLKC";
inline constexpr wchar_t kConfirmPlaceholder[] = L"mxqtrvbnwplzcd";
inline constexpr wchar_t kLocalSystem[] = L"LocalSystem";

// A configured account that means the local system account: none, or
// "LocalSystem" in any case.
bool IsLocalSystemAccount(const wchar_t* account);

// "\\HOST\user" names an account of the target computer itself: ".\user".
// Other names come back unchanged.
std::wstring RewriteComputerAccount(const std::wstring& account);

// The log-on choice as the page holds it when Apply is pressed.
struct LogOnEntry {
    bool localSystem = false;  // "Local System account" chosen
    std::wstring account;      // the account field
    std::wstring password;
    std::wstring confirm;
    std::wstring lastApplied;  // the account last written ("LocalSystem" for the local system)
};

// Both fields moved away from their placeholders.
bool PasswordChanged(const LogOnEntry& entry);
// Either field differs from its placeholder: something was typed.
bool PasswordTouched(const LogOnEntry& entry);
bool AccountChanged(const LogOnEntry& entry);

enum class PasswordVerdict { Accept, Mismatch, NeedPassword };
PasswordVerdict CheckPasswords(const LogOnEntry& entry);

// "WinNT://DOMAIN/user" (or "WinNT://DOMAIN/COMPUTER/user") as the
// "DOMAIN\user" ("COMPUTER\user") name older computers need; nothing for
// any other path.
std::optional<std::wstring> DownlevelNameFromPath(const std::wstring& path);

}  // namespace vantrel
