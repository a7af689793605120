// The exported control API over the lab's state (see LabControl.h).
#include "lab/LabControl.h"

#include "lab/AccountDatabase.h"
#include "lab/Accounting.h"
#include "lab/Clock.h"
#include "lab/DefaultNetwork.h"
#include "lab/Identity.h"
#include "lab/Scenario.h"
#include "lab/State.h"
#include "lab/Text.h"

#include <algorithm>
#include <cwchar>

namespace {

using lab::LabState;

// Error messages are cut to the buffer rather than dropped.
void CopyTruncated(const std::wstring& text, wchar_t* buffer, DWORD chars) {
    if (!buffer || chars == 0) return;
    const size_t n = text.size() < chars ? text.size() : chars - 1;
    std::wmemcpy(buffer, text.data(), n);
    buffer[n] = L'\0';
}

DWORD Install(std::unique_ptr<lab::Network> network) {
    LabState& state = LabState::Get();
    std::lock_guard lock(state.mutex);
    state.network = std::move(network);
    return 0;
}

lab::CallMatch Match(const wchar_t* computer, const char* function) {
    return lab::CallMatch{computer ? std::wstring(lab::StripBackslashes(computer)) : std::wstring(),
                          function ? std::string(function) : std::string()};
}

}  // namespace

DWORD LabReset(void) {
    auto network = lab::BuiltInNetwork();
    LabState& state = LabState::Get();
    {
        std::lock_guard lock(state.mutex);
        state.network = std::move(network);
        state.rules.Clear();
        state.counters.Reset();
    }
    lab::Accounting::Get().Reset();
    lab::clock::UseVirtual(false);
    lab::RevertToInteractiveUser();
    lab::ResetProcessToken();
    return 0;
}

DWORD LabLoadDefaultNetwork(void) { return Install(lab::BuiltInNetwork()); }

DWORD LabLoadScenarioFile(const wchar_t* path, wchar_t* error, DWORD errorChars) {
    CopyTruncated(L"", error, errorChars);
    if (!path) return ERROR_INVALID_PARAMETER;
    std::wstring message;
    DWORD status = 0;
    auto network = lab::ReadScenarioFile(path, message, status);
    if (!network) {
        CopyTruncated(message, error, errorChars);
        return status;
    }
    return Install(std::move(network));
}

DWORD LabLoadScenarioText(const char* utf8, const wchar_t* sourceName, wchar_t* error, DWORD errorChars) {
    CopyTruncated(L"", error, errorChars);
    if (!utf8) return ERROR_INVALID_PARAMETER;
    std::wstring message;
    auto network = lab::ParseScenario(utf8, sourceName ? sourceName : L"<text>", message);
    if (!network) {
        CopyTruncated(message, error, errorChars);
        return ERROR_INVALID_DATA;
    }
    return Install(std::move(network));
}

DWORD LabGenerateNetwork(DWORD computers, DWORD seed) {
    if (computers == 0) return ERROR_INVALID_PARAMETER;
    return Install(lab::GenerateNetwork(lab::GeneratorOptions{computers, seed}));
}

DWORD LabComputerCount(void) {
    LabState& state = LabState::Get();
    std::lock_guard lock(state.mutex);
    return static_cast<DWORD>(state.network->computers.size());
}

DWORD LabComputerName(DWORD index, wchar_t* buffer, DWORD chars) {
    LabState& state = LabState::Get();
    std::lock_guard lock(state.mutex);
    if (index >= state.network->computers.size()) return 0;
    return lab::CopyOut(state.network->computers[index]->name, buffer, chars);
}

DWORD LabLocalComputerName(wchar_t* buffer, DWORD chars) {
    LabState& state = LabState::Get();
    std::lock_guard lock(state.mutex);
    return lab::CopyOut(state.network->Local().name, buffer, chars);
}

DWORD LabSetComputerOnline(const wchar_t* computer, BOOL online) {
    lab::LockedComputer c(computer, lab::Unnamed::None);
    if (!c) return ERROR_NOT_FOUND;
    c->online = online != FALSE;
    return 0;
}

DWORD LabShapeNetwork(DWORD seed, DWORD offlinePercent, DWORD slowPercent, DWORD slowMs, DWORD hangPercent,
                      DWORD hangMs) {
    if (offlinePercent + slowPercent + hangPercent > 100) return ERROR_INVALID_PARAMETER;
    LabState& state = LabState::Get();
    std::lock_guard lock(state.mutex);
    // Every computer but the local one, in an order the seed shuffles.
    std::vector<std::pair<uint32_t, lab::Computer*>> order;
    for (size_t i = 0; i < state.network->computers.size(); ++i) {
        if (i == state.network->localIndex) continue;
        uint32_t h = static_cast<uint32_t>(i) * 2654435761u ^ seed * 40503u;
        h ^= h >> 15;
        h *= 2246822519u;
        h ^= h >> 13;
        order.emplace_back(h, state.network->computers[i].get());
    }
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    const size_t n = order.size();
    const size_t offline = n * offlinePercent / 100, hanging = n * hangPercent / 100, slow = n * slowPercent / 100;
    for (size_t i = 0; i < n; ++i) {
        lab::Computer& c = *order[i].second;
        c.online = i >= offline;
        const DWORD latency = i < offline ? 0 : i < offline + hanging ? hangMs : i < offline + hanging + slow ? slowMs : 0;
        if (latency) state.rules.AddLatency(Match(c.name.c_str(), nullptr), latency);
    }
    return 0;
}

DWORD LabAddFault(const wchar_t* computer, const char* function, DWORD error, DWORD fromCall, DWORD times) {
    if (error == 0) return 0;
    LabState& state = LabState::Get();
    std::lock_guard lock(state.mutex);
    return state.rules.AddFault(Match(computer, function), error, fromCall, times);
}

DWORD LabAddLatency(const wchar_t* computer, const char* function, DWORD milliseconds) {
    LabState& state = LabState::Get();
    std::lock_guard lock(state.mutex);
    return state.rules.AddLatency(Match(computer, function), milliseconds);
}

BOOL LabRemoveRule(DWORD id) {
    LabState& state = LabState::Get();
    std::lock_guard lock(state.mutex);
    return state.rules.Remove(id);
}

void LabClearRules(void) {
    LabState& state = LabState::Get();
    std::lock_guard lock(state.mutex);
    state.rules.Clear();
}

DWORD LabRuleFired(DWORD id) {
    LabState& state = LabState::Get();
    std::lock_guard lock(state.mutex);
    return state.rules.Fired(id);
}

DWORD LabCallCount(const wchar_t* computer, const char* function) {
    LabState& state = LabState::Get();
    std::lock_guard lock(state.mutex);
    std::wstring key;
    if (computer && *computer) {
        const lab::Computer* c = state.network->Find(computer);
        key = c ? c->name : lab::Upper(lab::StripBackslashes(computer));
    }
    return state.counters.Get(key, function ? function : "");
}

void LabResetCallCounts(void) {
    LabState& state = LabState::Get();
    std::lock_guard lock(state.mutex);
    state.counters.Reset();
}

DWORD LabPeakConcurrentCallers(void) { return static_cast<DWORD>(lab::LabState::Get().peakCallers.load()); }

void LabResetPeakConcurrentCallers(void) {
    lab::LabState& state = lab::LabState::Get();
    state.peakCallers = state.callers.load();
}

void LabSetVirtualClock(BOOL on) { lab::clock::UseVirtual(on != FALSE); }
BOOL LabIsVirtualClock(void) { return lab::clock::IsVirtual(); }
ULONGLONG LabVirtualTime(void) { return lab::clock::Now(); }
void LabSetVirtualTime(ULONGLONG milliseconds) { lab::clock::Set(milliseconds); }
void LabAdvanceClock(ULONGLONG milliseconds) { lab::clock::Advance(milliseconds); }

DWORD LabSetThreadIdentity(const wchar_t* account) {
    LabState& state = LabState::Get();
    std::lock_guard lock(state.mutex);
    if (!account) return ERROR_NO_SUCH_USER;
    if (const lab::Account* found = state.network->FindAccount(account)) {
        lab::ImpersonateAccount(found->name);
        return 0;
    }
    // A computer's own user: COMPUTER\name.
    const std::wstring_view name(account);
    const size_t slash = name.find(L'\\');
    lab::Computer* c = slash == std::wstring_view::npos ? nullptr : state.network->Find(name.substr(0, slash));
    const lab::LocalUser* user = c ? lab::AccountsOf(*c).FindUser(name.substr(slash + 1)) : nullptr;
    if (!user || !lab::EqualsNoCase(lab::AccountsOf(*c).domainName, name.substr(0, slash))) return ERROR_NO_SUCH_USER;
    lab::ImpersonateAccount(lab::AccountsOf(*c).domainName + L"\\" + user->name);
    return 0;
}

void LabClearThreadIdentity(void) { lab::RevertToInteractiveUser(); }

DWORD LabThreadIdentity(wchar_t* buffer, DWORD chars, BOOL* impersonating) {
    if (impersonating) *impersonating = lab::IsImpersonating();
    LabState& state = LabState::Get();
    std::lock_guard lock(state.mutex);
    return lab::CopyOut(lab::ActingIdentity(*state.network), buffer, chars);
}

DWORD LabAddGroupMember(const wchar_t* computer, const wchar_t* group, const wchar_t* account) {
    if (!group || !account) return ERROR_INVALID_PARAMETER;
    lab::LockedComputer c(computer);
    if (!c) return ERROR_NOT_FOUND;
    const std::wstring sid = lab::SidTextOf(c.Net(), *c, account);
    if (sid.empty()) return ERROR_NONE_MAPPED;
    return lab::AccountsOf(*c).AddMember(group, sid);
}

BOOL LabMayAdminister(const wchar_t* computer) {
    const lab::LockedComputer c(computer);
    return c && lab::MayAdminister(c.Net(), *c, lab::ActingIdentity(c.Net()));
}

DWORD LabOutstanding(DWORD kind) {
    if (kind >= LAB_KIND_COUNT) return 0;
    return static_cast<DWORD>(lab::Accounting::Get().Outstanding(static_cast<LabKind>(kind)));
}

DWORD LabBadReleases(void) { return static_cast<DWORD>(lab::Accounting::Get().BadReleases()); }

DWORD LabLeakReport(wchar_t* buffer, DWORD chars) {
    return lab::CopyOut(lab::Accounting::Get().Report(), buffer, chars);
}

void LabResetAccounting(void) { lab::Accounting::Get().Reset(); }
