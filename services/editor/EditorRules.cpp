#include "services/editor/EditorRules.h"

#include "resources/ServicesIds.h"
#include "services/ServiceNames.h"

namespace vantrel {

StatusBlock StatusBlockFor(DWORD state, DWORD controlsAccepted) {
    StatusBlock block;
    block.textId = state == SERVICE_STOPPED ? IDS_STATE_STOPPED : ServiceStateTextId(state);
    auto set = [&block](bool start, bool stop, bool pause, bool resume) {
        block.start = start;
        block.stop = stop;
        block.pause = pause;
        block.resume = resume;
    };
    switch (state) {
        case SERVICE_STOPPED:
            set(true, false, false, false);
            block.parameters = true;
            break;
        case SERVICE_START_PENDING:
        case SERVICE_CONTINUE_PENDING:
        case SERVICE_STOP_PENDING:
        case SERVICE_PAUSE_PENDING: set(false, false, false, false); break;
        case SERVICE_RUNNING: set(false, true, true, false); break;
        case SERVICE_PAUSED: set(false, false, false, true); break;
        default: break;  // a state nobody knows: the buttons stay as they are
    }
    // A control the service refuses is never offered, whatever the state.
    if (!(controlsAccepted & SERVICE_ACCEPT_STOP)) block.stop = false;
    if (!(controlsAccepted & SERVICE_ACCEPT_PAUSE_CONTINUE)) block.pause = block.resume = false;
    return block;
}

std::vector<std::wstring> SplitStartParameters(const std::wstring& text) {
    std::vector<std::wstring> arguments;
    size_t position = 0;
    while (position < text.size()) {
        size_t blank = text.find(L' ', position);
        if (blank == std::wstring::npos) blank = text.size();
        arguments.push_back(text.substr(position, blank - position));
        position = blank + 1;
    }
    return arguments;
}

int StartTypeIndex(DWORD startType) noexcept {
    switch (startType) {
        case SERVICE_AUTO_START: return 0;
        case SERVICE_DEMAND_START: return 1;
        case SERVICE_DISABLED: return 2;
        default: return -1;
    }
}

DWORD StartTypeForIndex(int index) noexcept {
    switch (index) {
        case 1: return SERVICE_DEMAND_START;
        case 2: return SERVICE_DISABLED;
        default: return SERVICE_AUTO_START;
    }
}

bool IsLocalSystemAccount(const wchar_t* account) {
    return !account || !*account || ::CompareStringOrdinal(account, -1, kLocalSystem, -1, TRUE) == CSTR_EQUAL;
}

std::wstring RewriteComputerAccount(const std::wstring& account) {
    if (account.rfind(L"\\\\", 0) != 0) return account;
    return L"." + account.substr(account.rfind(L'\\'));
}

bool PasswordChanged(const LogOnEntry& entry) {
    return entry.password != kPasswordPlaceholder && entry.confirm != kConfirmPlaceholder;
}

bool PasswordTouched(const LogOnEntry& entry) {
    return entry.password != kPasswordPlaceholder || entry.confirm != kConfirmPlaceholder;
}

bool AccountChanged(const LogOnEntry& entry) { return entry.account != entry.lastApplied; }

PasswordVerdict CheckPasswords(const LogOnEntry& entry) {
    // Moving off the local system account may leave the password empty.
    if (entry.localSystem || (entry.lastApplied == kLocalSystem && !entry.account.empty()))
        return PasswordVerdict::Accept;
    if (entry.password.size() != entry.confirm.size()) return PasswordVerdict::Mismatch;
    if (entry.password.empty()) return PasswordVerdict::Accept;
    const bool changed = PasswordChanged(entry);
    if (AccountChanged(entry) && !changed) return PasswordVerdict::NeedPassword;
    if (changed && entry.password != entry.confirm) return PasswordVerdict::Mismatch;
    return PasswordVerdict::Accept;
}

std::optional<std::wstring> DownlevelNameFromPath(const std::wstring& path) {
    static constexpr wchar_t kProvider[] = L"WinNT://";
    constexpr size_t kProviderChars = sizeof kProvider / sizeof kProvider[0] - 1;
    if (path.size() <= kProviderChars ||
        ::CompareStringOrdinal(path.c_str(), kProviderChars, kProvider, kProviderChars, TRUE) != CSTR_EQUAL)
        return std::nullopt;
    const std::wstring rest = path.substr(kProviderChars);
    const size_t last = rest.rfind(L'/');
    if (last == std::wstring::npos || last == 0 || last + 1 == rest.size()) return std::nullopt;
    // The container right before the account names it: the domain, or the
    // computer for a computer's own accounts.
    const size_t before = rest.rfind(L'/', last - 1);
    const std::wstring container = rest.substr(before == std::wstring::npos ? 0 : before + 1,
                                               last - (before == std::wstring::npos ? 0 : before + 1));
    if (container.empty()) return std::nullopt;
    return container + L"\\" + rest.substr(last + 1);
}

}  // namespace vantrel
