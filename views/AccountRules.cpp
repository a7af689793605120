#include "views/AccountRules.h"

#include <lm.h>

namespace vantrel {

DWORD GreyedUserCommands(int selected, DWORD flags) noexcept {
    if (selected > 1) return kGreySetPassword | kGreyRename | kGreyUserProperties;
    if (selected == 1) return (flags & UF_ACCOUNTDISABLE) ? kGreyDisable : kGreyEnable;
    return 0;
}

bool GroupCommandsGreyed(int selected) noexcept { return selected > 1; }

PasswordBoxes ApplyPasswordBoxRule(PasswordBoxes boxes) noexcept {
    boxes.cannotChangeEnabled = boxes.neverExpiresEnabled = !boxes.mustChange;
    boxes.mustChangeEnabled = !boxes.cannotChange && !boxes.neverExpires;
    return boxes;
}

DWORD NewUserFlags(const PasswordBoxes& boxes, bool disabled, bool disabledEnabled) noexcept {
    DWORD flags = 0;
    if (boxes.cannotChangeEnabled && boxes.cannotChange) flags |= UF_PASSWD_CANT_CHANGE;
    if (boxes.neverExpiresEnabled && boxes.neverExpires) flags |= UF_DONT_EXPIRE_PASSWD;
    if (disabledEnabled && disabled) flags |= UF_ACCOUNTDISABLE;
    return flags;
}

bool PasswordsMatch(std::wstring_view password, std::wstring_view confirmation) noexcept {
    return password.size() == confirmation.size() && password == confirmation;
}

std::wstring MemberDisplayName(std::wstring_view path, std::wstring_view name) {
    const size_t provider = path.find(L"://");
    if (provider == std::wstring_view::npos) return std::wstring(name);
    std::wstring_view rest = path.substr(provider + 3);
    const size_t last = rest.rfind(L'/');
    if (last == std::wstring_view::npos || last == 0) return std::wstring(name);
    const size_t before = rest.rfind(L'/', last - 1);
    const std::wstring_view container = before == std::wstring_view::npos ? rest.substr(0, last)
                                                                          : rest.substr(before + 1, last - before - 1);
    return std::wstring(container) + L"\\" + std::wstring(rest.substr(last + 1));
}

}  // namespace vantrel
