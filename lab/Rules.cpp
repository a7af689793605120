#include "lab/Rules.h"

#include "lab/Text.h"

#include <cstring>

namespace lab {

bool CallMatch::Matches(std::wstring_view key, const Computer* c, const char* fn) const {
    if (!function.empty() && _stricmp(function.c_str(), fn) != 0) return false;
    if (computer.empty() || EqualsNoCase(computer, key)) return true;
    return c && (EqualsNoCase(computer, c->name) || EqualsNoCase(computer, c->dnsName) || computer == c->ip);
}

DWORD RuleBook::AddFault(CallMatch match, DWORD error, DWORD fromCall, DWORD times) {
    Rule r;
    r.id = nextId_++;
    r.match = std::move(match);
    r.fault = true;
    r.error = error;
    r.fromCall = fromCall ? fromCall : 1;
    r.times = times;
    rules_.push_back(std::move(r));
    return rules_.back().id;
}

DWORD RuleBook::AddLatency(CallMatch match, DWORD milliseconds) {
    Rule r;
    r.id = nextId_++;
    r.match = std::move(match);
    r.latency = milliseconds;
    rules_.push_back(std::move(r));
    return rules_.back().id;
}

bool RuleBook::Remove(DWORD id) {
    for (auto it = rules_.begin(); it != rules_.end(); ++it) {
        if (it->id == id) {
            rules_.erase(it);
            return true;
        }
    }
    return false;
}

void RuleBook::Clear() { rules_.clear(); }

DWORD RuleBook::Fired(DWORD id) const {
    for (const Rule& r : rules_) {
        if (r.id == id) return r.fired;
    }
    return 0;
}

DWORD RuleBook::LatencyFor(std::wstring_view key, const Computer* computer, const char* function) {
    DWORD total = 0;
    for (Rule& r : rules_) {
        if (r.fault || !r.match.Matches(key, computer, function)) continue;
        total += r.latency;
        ++r.fired;
    }
    return total;
}

DWORD RuleBook::FaultFor(std::wstring_view key, const Computer* computer, const char* function) {
    DWORD error = 0;
    for (Rule& r : rules_) {
        if (!r.fault || !r.match.Matches(key, computer, function)) continue;
        ++r.matched;
        const bool due = r.matched >= r.fromCall && (r.times == 0 || r.fired < r.times);
        if (due && error == 0) {
            ++r.fired;
            error = r.error;
        }
    }
    return error;
}

void CallCounters::Count(std::wstring_view key, const char* function) {
    ++counts_[std::make_pair(std::wstring(key), std::string(function))];
}

DWORD CallCounters::Get(std::wstring_view key, std::string_view function) const {
    DWORD total = 0;
    for (const auto& [k, n] : counts_) {
        if (!key.empty() && !EqualsNoCase(k.first, key)) continue;
        if (!function.empty() && (k.second.size() != function.size() ||
                                  _strnicmp(k.second.c_str(), function.data(), function.size()) != 0))
            continue;
        total += n;
    }
    return total;
}

}  // namespace lab
