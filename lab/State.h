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

// What an empty or missing computer name reaches: the local computer, as in
// the platform's calls, or no computer at all.
enum class Unnamed { Local, None };

// A lab-control call's hold on the state: the mutex locked while it lives,
// and the computer `name` names (null when there is none).
class LockedComputer {
public:
    explicit LockedComputer(const wchar_t* name, Unnamed unnamed = Unnamed::Local)
        : state_(LabState::Get()),
          lock_(state_.mutex),
          computer_(unnamed == Unnamed::None && !(name && *name) ? nullptr : state_.network->Find(name)) {}
    LockedComputer(const LockedComputer&) = delete;
    LockedComputer& operator=(const LockedComputer&) = delete;

    explicit operator bool() const { return computer_ != nullptr; }
    Computer& operator*() const { return *computer_; }
    Computer* operator->() const { return computer_; }
    Network& Net() const { return *state_.network; }

private:
    LabState& state_;
    std::lock_guard<std::mutex> lock_;
    Computer* computer_;
};

}  // namespace lab
