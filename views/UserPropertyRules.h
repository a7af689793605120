#pragma once
// The decisions of the user property sheet that need no window: the user
// object's directory path, the General page's flags, the Profile page's path
// checks, and the dial-in page's routes, masks, metrics and the version-4
// privilege bits.
#include "views/AccountRules.h"

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// "WinNT://" + domain + "/" + computer + "/" + user + ",user"; without a
// domain "WinNT://" + computer + "/" + user + ",user". A "/" is added after
// a part only when the text does not end in one already.
std::wstring UserObjectPath(std::wstring_view domain, std::wstring_view computer, std::wstring_view user);

// The General page's boxes: the password boxes of New User and the disabled
// and locked-out boxes, each with its enabled state.
struct GeneralBoxes {
    PasswordBoxes password;
    bool disabled = false;
    bool lockedOut = false;
    bool lockedOutEnabled = false;
};
// The boxes as an account's flags and password-expired value show them
// (before the password-box rule is applied).
GeneralBoxes GeneralBoxesFor(DWORD flags, bool passwordExpired) noexcept;
// "UserFlags" as Apply writes it: 0x40, 0x10000, 2 and 0x10, each only when
// its box is enabled and checked.
DWORD GeneralFlags(const GeneralBoxes& boxes) noexcept;

// The home folder of the Profile page: a share ("\\server\share", connect
// mode) and an absolute local path ("C:\dir"). Empty texts are valid.
bool IsValidSharePath(std::wstring_view text) noexcept;
bool IsValidLocalPath(std::wstring_view text) noexcept;
// The drive list's entries "C:" to "Z:"; the index of a drive text (its
// letter - 'C'), -1 for none.
std::vector<std::wstring> DriveTexts();
int DriveIndex(std::wstring_view drive) noexcept;

// The last component of a directory path (after its last '/'), or the
// whole text when there is none.
std::wstring LastPathComponent(std::wstring_view path);

// IPv4 addresses with the first octet in the high byte.
std::wstring AddressText(DWORD address);
bool ParseAddress(std::wstring_view text, DWORD* address) noexcept;

struct StaticRoute {
    DWORD destination = 0;
    DWORD mask = 0;
    DWORD metric = 1;
    bool operator==(const StaticRoute&) const = default;
};
// destination + "/" + mask bits + " 0.0.0.0 " + metric.
std::wstring RouteText(const StaticRoute& route);
// The route of a route text; false for a text of another form.
bool ParseRouteText(std::wstring_view text, StaticRoute* route) noexcept;
int MaskBits(DWORD mask) noexcept;
DWORD MaskOfBits(int bits) noexcept;

// The Add a Static Route checks, in the order OK makes them. A mask is
// refused when blank, with a zero first octet, or with a zero octet followed
// by a non-zero one.
bool IsAcceptableMask(DWORD mask, bool blank) noexcept;
// The destination with every bit cleared where the mask has a zero bit.
constexpr DWORD SubnetOf(DWORD destination, DWORD mask) noexcept { return destination & mask; }
// A metric from 1 to 2147483647 written as an unsigned number.
bool ParseMetric(std::wstring_view text, DWORD* metric) noexcept;

// The dial-in settings the page shows and writes.
enum class DialInPermission { Allow, Deny, Policy };
enum class Callback { None, CallerSets, Always };
struct DialInSettings {
    DialInPermission permission = DialInPermission::Policy;
    bool verifyCallerId = false;
    std::wstring callerId;
    Callback callback = Callback::None;
    std::wstring callbackNumber;
    bool staticAddress = false;
    DWORD address = 0;
    bool applyRoutes = false;
    std::vector<StaticRoute> routes;
};
// The version-4 record: privilege bits (0x08 allowed; 0x01 no callback, 0x04
// set by caller, 0x02 administrator sets callback) and the number.
DialInSettings SettingsFromPrivilege(BYTE privilege, std::wstring_view number);
BYTE PrivilegeFor(const DialInSettings& settings) noexcept;

}  // namespace vantrel
