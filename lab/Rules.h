#pragma once
// Injected latency and failures, and the per-computer, per-function call
// counts. Not locked: the lab state's mutex guards them.
#include "lab/Model.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace lab {

// Which calls a rule applies to: an empty computer or function matches any.
struct CallMatch {
    std::wstring computer;  // as given, without leading backslashes
    std::string function;

    // `key` is the name the call was counted under (the computer's NetBIOS
    // name, or the name asked for when no computer has it).
    bool Matches(std::wstring_view key, const Computer* computer, const char* function) const;
};

class RuleBook {
public:
    DWORD AddFault(CallMatch match, DWORD error, DWORD fromCall, DWORD times);
    DWORD AddLatency(CallMatch match, DWORD milliseconds);
    bool Remove(DWORD id);
    void Clear();
    DWORD Fired(DWORD id) const;

    // Total latency of the rules matching the call.
    DWORD LatencyFor(std::wstring_view key, const Computer* computer, const char* function);
    // Every matching fault rule counts the call; the first one whose turn it
    // is fails it. Returns that rule's error, or 0.
    DWORD FaultFor(std::wstring_view key, const Computer* computer, const char* function);

private:
    struct Rule {
        DWORD id = 0;
        CallMatch match;
        bool fault = false;
        DWORD error = 0;
        DWORD fromCall = 1;
        DWORD times = 0;  // 0: without end
        DWORD latency = 0;
        DWORD matched = 0;
        DWORD fired = 0;
    };
    std::vector<Rule> rules_;
    DWORD nextId_ = 1;
};

class CallCounters {
public:
    void Count(std::wstring_view key, const char* function);
    // Empty key or function: summed over all.
    DWORD Get(std::wstring_view key, std::string_view function) const;
    void Reset() { counts_.clear(); }

private:
    std::map<std::pair<std::wstring, std::string>, DWORD, std::less<>> counts_;
};

}  // namespace lab
