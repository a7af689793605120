#include "lab/Gate.h"

#include "lab/Identity.h"
#include "lab/State.h"
#include "lab/Text.h"

#include <cstdlib>

namespace lab {

namespace {

// A family that calls another plat function while its gate is open would
// deadlock on the network mutex; stop at once instead, with a reason.
thread_local bool t_inGate = false;

// The computer a server name reaches, and the name the call is counted and
// matched under.
Computer* Resolve(const Network& net, const wchar_t* server, std::wstring& key) {
    Computer* c = net.Find(server);
    key = c ? c->name : Upper(StripBackslashes(server ? server : L""));
    return c;
}

}  // namespace

Gate::Gate(const wchar_t* server, Family family, const char* function)
    : info_(Describe(family)), lock_(LabState::Get().mutex, std::defer_lock) {
    if (t_inGate) {
        ::OutputDebugStringA("lab: a plat function was called while another one held the lab gate\n");
        std::abort();
    }
    LabState& state = LabState::Get();
    const long now = ++state.callers;
    for (long peak = state.peakCallers.load(); now > peak && !state.peakCallers.compare_exchange_weak(peak, now);) {
    }
    lock_.lock();
    t_inGate = true;
    std::wstring key;
    Computer* c = Resolve(*state.network, server, key);
    state.counters.Count(key, function);
    const DWORD latency = state.rules.LatencyFor(key, c, function) + (c ? c->latencyMs : 0);
    if (latency) {
        // Other threads' calls go on while this one waits.
        t_inGate = false;
        lock_.unlock();
        ::Sleep(latency);
        lock_.lock();
        t_inGate = true;
        c = Resolve(*state.network, server, key);  // the network may have been replaced meanwhile
    }
    net_ = state.network.get();
    target_ = c;
    if (const DWORD fault = state.rules.FaultFor(key, c, function)) {
        error_ = info_.hresult ? static_cast<DWORD>(ToHResult(fault)) : fault;
    } else if (!c) {
        error_ = info_.unknownError;
    } else if (!c->online && info_.offlineError) {
        error_ = info_.offlineError;
    }
}

Gate::~Gate() {
    t_inGate = false;
    --LabState::Get().callers;
}

HRESULT Gate::ErrorAsHResult() const noexcept { return ToHResult(error_); }

DWORD Gate::RequireAdmin() const {
    return MayAdminister(*net_, *target_, ActingIdentity(*net_)) ? 0 : info_.accessDenied;
}

std::wstring Gate::Identity() const { return ActingIdentity(*net_); }

}  // namespace lab
