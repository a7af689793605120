#include "views/UserPropertyRules.h"

#include <lm.h>
#include <mprapi.h>

#include <cwchar>
#include <cwctype>

namespace vantrel {
namespace {

void AppendPart(std::wstring& path, std::wstring_view part) {
    path += part;
    if (path.empty() || path.back() != L'/') path += L'/';
}

constexpr std::wstring_view kForbidden = L":*?<>|\"";

bool HasForbidden(std::wstring_view text) noexcept { return text.find_first_of(kForbidden) != std::wstring_view::npos; }

}  // namespace

std::wstring UserObjectPath(std::wstring_view domain, std::wstring_view computer, std::wstring_view user) {
    std::wstring path = L"WinNT://";
    if (!domain.empty()) AppendPart(path, domain);
    AppendPart(path, computer);
    path += user;
    path += L",user";
    return path;
}

GeneralBoxes GeneralBoxesFor(DWORD flags, bool passwordExpired) noexcept {
    GeneralBoxes boxes;
    boxes.password.mustChange = passwordExpired;
    boxes.password.cannotChange = (flags & UF_PASSWD_CANT_CHANGE) != 0;
    boxes.password.neverExpires = (flags & UF_DONT_EXPIRE_PASSWD) != 0;
    boxes.password.mustChangeEnabled = boxes.password.cannotChangeEnabled = boxes.password.neverExpiresEnabled = true;
    boxes.disabled = (flags & UF_ACCOUNTDISABLE) != 0;
    boxes.lockedOut = boxes.lockedOutEnabled = (flags & UF_LOCKOUT) != 0;
    return boxes;
}

DWORD GeneralFlags(const GeneralBoxes& boxes) noexcept {
    DWORD flags = NewUserFlags(boxes.password, boxes.disabled);
    if (boxes.lockedOut && boxes.lockedOutEnabled) flags |= UF_LOCKOUT;
    return flags;
}

bool IsValidSharePath(std::wstring_view text) noexcept {
    if (text.empty()) return true;
    if (text.size() < 5 || (text[0] != L'\\' && text[1] != L'\\') || text.back() == L'\\') return false;
    const std::wstring_view rest = text.substr(2);
    return rest.find(L"\\\\") == std::wstring_view::npos && !HasForbidden(rest);
}

bool IsValidLocalPath(std::wstring_view text) noexcept {
    if (text.empty()) return true;
    if (text.size() < 3) return false;
    const wchar_t letter = text[0];
    if (!((letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z')) || text[1] != L':' ||
        text[2] != L'\\')
        return false;
    if (text.size() == 3) return true;
    return text.back() != L'\\' && !HasForbidden(text.substr(3));
}

std::vector<std::wstring> DriveTexts() {
    std::vector<std::wstring> drives;
    for (wchar_t letter = L'C'; letter <= L'Z'; ++letter) drives.push_back(std::wstring{letter, L':'});
    return drives;
}

int DriveIndex(std::wstring_view drive) noexcept {
    if (drive.empty()) return -1;
    const wchar_t letter = static_cast<wchar_t>(std::towupper(drive[0]));
    return letter >= L'C' && letter <= L'Z' ? letter - L'C' : -1;
}

std::wstring LastPathComponent(std::wstring_view path) {
    const size_t slash = path.find_last_of(L'/');
    return std::wstring(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}

std::wstring AddressText(DWORD a) {
    wchar_t text[16];
    std::swprintf(text, 16, L"%u.%u.%u.%u", static_cast<unsigned>((a >> 24) & 0xFF), static_cast<unsigned>((a >> 16) & 0xFF),
                  static_cast<unsigned>((a >> 8) & 0xFF), static_cast<unsigned>(a & 0xFF));
    return text;
}

bool ParseAddress(std::wstring_view text, DWORD* address) noexcept {
    DWORD value = 0;
    int octets = 0;
    size_t i = 0;
    while (octets < 4) {
        size_t digits = 0;
        DWORD octet = 0;
        while (i < text.size() && text[i] >= L'0' && text[i] <= L'9' && digits < 4) {
            octet = octet * 10 + (text[i] - L'0');
            ++i, ++digits;
        }
        if (digits == 0 || digits > 3 || octet > 255) return false;
        value = (value << 8) | octet;
        if (++octets < 4) {
            if (i >= text.size() || text[i] != L'.') return false;
            ++i;
        }
    }
    if (i != text.size()) return false;
    *address = value;
    return true;
}

int MaskBits(DWORD mask) noexcept {
    int bits = 0;
    for (DWORD bit = 0x80000000u; bit && (mask & bit); bit >>= 1) ++bits;
    return bits;
}

DWORD MaskOfBits(int bits) noexcept {
    if (bits <= 0) return 0;
    if (bits >= 32) return 0xFFFFFFFFu;
    return ~((1u << (32 - bits)) - 1);
}

std::wstring RouteText(const StaticRoute& route) {
    return AddressText(route.destination) + L"/" + std::to_wstring(MaskBits(route.mask)) + L" 0.0.0.0 " +
           std::to_wstring(route.metric);
}

bool ParseRouteText(std::wstring_view text, StaticRoute* route) noexcept {
    const size_t slash = text.find(L'/');
    if (slash == std::wstring_view::npos) return false;
    StaticRoute parsed;
    if (!ParseAddress(text.substr(0, slash), &parsed.destination)) return false;
    std::wstring_view rest = text.substr(slash + 1);
    const size_t space = rest.find(L' ');
    if (space == std::wstring_view::npos) return false;
    const std::wstring bits(rest.substr(0, space));
    wchar_t* end = nullptr;
    const unsigned long n = std::wcstoul(bits.c_str(), &end, 10);
    if (bits.empty() || *end || n > 32) return false;
    parsed.mask = MaskOfBits(static_cast<int>(n));
    rest = rest.substr(space + 1);
    const size_t gatewayEnd = rest.find(L' ');
    if (gatewayEnd == std::wstring_view::npos) return false;
    DWORD gateway = 0;
    if (!ParseAddress(rest.substr(0, gatewayEnd), &gateway) || !ParseMetric(rest.substr(gatewayEnd + 1), &parsed.metric))
        return false;
    *route = parsed;
    return true;
}

bool IsAcceptableMask(DWORD mask, bool blank) noexcept {
    if (blank) return false;
    const DWORD o1 = mask >> 24, o2 = (mask >> 16) & 0xFF, o3 = (mask >> 8) & 0xFF, o4 = mask & 0xFF;
    if (o1 == 0) return false;
    if (o2 == 0 && (o3 != 0 || o4 != 0)) return false;
    if (o3 == 0 && o4 != 0) return false;
    return true;
}

bool ParseMetric(std::wstring_view text, DWORD* metric) noexcept {
    if (text.empty() || text.size() > 10) return false;
    unsigned long long value = 0;
    for (wchar_t ch : text) {
        if (ch < L'0' || ch > L'9') return false;
        value = value * 10 + (ch - L'0');
    }
    if (value == 0 || value > 2147483647ull) return false;
    *metric = static_cast<DWORD>(value);
    return true;
}

DialInSettings SettingsFromPrivilege(BYTE privilege, std::wstring_view number) {
    DialInSettings settings;
    settings.permission = (privilege & RASPRIV_DialinPrivilege) ? DialInPermission::Allow : DialInPermission::Deny;
    if (privilege & RASPRIV_NoCallback) settings.callback = Callback::None;
    else if (privilege & RASPRIV_CallerSetCallback) settings.callback = Callback::CallerSets;
    else if (privilege & RASPRIV_AdminSetCallback) settings.callback = Callback::Always;
    if (settings.callback == Callback::Always) settings.callbackNumber = number;
    return settings;
}

BYTE PrivilegeFor(const DialInSettings& settings) noexcept {
    BYTE privilege = settings.permission == DialInPermission::Allow ? RASPRIV_DialinPrivilege : 0;
    switch (settings.callback) {
        case Callback::None: privilege |= RASPRIV_NoCallback; break;
        case Callback::CallerSets: privilege |= RASPRIV_CallerSetCallback; break;
        case Callback::Always: privilege |= RASPRIV_AdminSetCallback; break;
    }
    return privilege;
}

}  // namespace vantrel
