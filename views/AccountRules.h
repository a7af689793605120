#pragma once
// The decisions of the local users and groups views that need no window:
// which commands a popup greys, the New User dialog's check-box rule and the
// flags it creates an account with, the password confirmation, and how a
// picked directory object's path becomes a member's display name.
#include <windows.h>

#include <string>
#include <string_view>

namespace vantrel {

// Commands of the users view's item popup that are greyed, as bits.
enum : DWORD {
    kGreySetPassword = 1 << 0,
    kGreyEnable = 1 << 1,
    kGreyDisable = 1 << 2,
    kGreyRename = 1 << 3,
    kGreyUserProperties = 1 << 4,
};
// `selected` rows; `flags` are the account flags of the one selected row.
DWORD GreyedUserCommands(int selected, DWORD flags) noexcept;
// The groups view: with more than one row, Add to Group, Rename and
// Properties are greyed (true).
bool GroupCommandsGreyed(int selected) noexcept;

// The three password boxes of New User: which are checked and which the
// rule enables.
struct PasswordBoxes {
    bool mustChange = true;
    bool cannotChange = false;
    bool neverExpires = false;
    bool mustChangeEnabled = true;
    bool cannotChangeEnabled = false;
    bool neverExpiresEnabled = false;
};
// Applies the rule after a click: must-change checked greys the other two,
// unchecked enables them; either of those checked greys must-change.
PasswordBoxes ApplyPasswordBoxRule(PasswordBoxes boxes) noexcept;
// The flags NetUserAdd gets: each box counts only when it is enabled and checked.
DWORD NewUserFlags(const PasswordBoxes& boxes, bool disabled, bool disabledEnabled = true) noexcept;

// Password and confirmation agree: the same length and the same text.
bool PasswordsMatch(std::wstring_view password, std::wstring_view confirmation) noexcept;

// A picked object's display name: after the provider prefix of `path` the
// last '/' becomes '\' and the text from the '/' before it is kept
// (WinNT://A/B gives A\B, WinNT://A/C/B gives C\B); `name` when the path has
// no such form.
std::wstring MemberDisplayName(std::wstring_view path, std::wstring_view name);

}  // namespace vantrel
