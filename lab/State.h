#pragma once
// The one piece of global mutable state of the lab: the simulated network and
// what is injected into it. One mutex guards it all; it is never held while a
// call waits out its latency.
#include "lab/Model.h"
#include "lab/Rules.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace lab {

class LabState {
public:
    // Created with the built-in network on first use.
    static LabState& Get();

    std::mutex mutex;
    // Guarded by the mutex:
    std::unique_ptr<Network> network;
    RuleBook rules;
    CallCounters counters;
    // Outside the mutex: the threads inside a call now (latency included),
    // and the most there were at once since the last reset.
    std::atomic<long> callers{0};
    std::atomic<long> peakCallers{0};

private:
    LabState();
};

}  // namespace lab
