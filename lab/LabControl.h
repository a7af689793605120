#pragma once
// The lab's control API: what tests, benchmarks and the demo use to set up the
// simulated network, inject latency and failures, drive the clock, act as an
// account and check that callers released what they were given.
//
// Only C types cross the DLL boundary. Functions that return text fill a
// caller's buffer of `chars` characters and return the characters needed,
// terminator included (nothing is written when it does not fit); the inline
// helpers at the end wrap them for C++.
#include "platform/PlatApi.h"  // windows.h, in the order the seam needs

#if defined(LAB_BUILDING)
#define LAB_API __declspec(dllexport)
#else
#define LAB_API __declspec(dllimport)
#endif

// What callers must release, by the function that releases it.
enum LabKind {
    LAB_KIND_ANY = 0,          // all kinds (for LabOutstanding)
    LAB_KIND_NET_BUFFER,       // NetApiBufferFree
    LAB_KIND_SCM_HANDLE,       // CloseServiceHandle
    LAB_KIND_SERVICE_HANDLE,   // CloseServiceHandle
    LAB_KIND_REGISTRY_KEY,     // RegCloseKey
    LAB_KIND_LSA_HANDLE,       // LsaClose
    LAB_KIND_LSA_MEMORY,       // LsaFreeMemory
    LAB_KIND_TOKEN,            // CloseHandle
    LAB_KIND_FILE_HANDLE,      // CloseHandle
    LAB_KIND_WTS_SERVER,       // WTSCloseServer
    LAB_KIND_WTS_MEMORY,       // WTSFreeMemory
    LAB_KIND_DNS_RECORD_LIST,  // DnsRecordListFree, DnsFree
    LAB_KIND_ICMP_HANDLE,      // IcmpCloseHandle
    LAB_KIND_MPR_SERVER,       // MprAdminServerDisconnect
    LAB_KIND_COM_OBJECT,       // the last IUnknown::Release
    LAB_KIND_COUNT
};

#ifdef __cplusplus
extern "C" {
#endif

// --- The network -----------------------------------------------------------
// Back to the start: the built-in network, no rules, no call counts, clean
// accounting, the real clock, and the calling thread acting as the network's
// interactive user. Returns 0.
LAB_API DWORD LabReset(void);
// Replace only the network (rules, counters, accounting and clock stay).
// On failure the network is unchanged, the return value is ERROR_INVALID_DATA
// (malformed) or the file system's error, and `error` holds one line naming
// the file, the line and the field.
LAB_API DWORD LabLoadDefaultNetwork(void);
LAB_API DWORD LabLoadScenarioFile(const wchar_t* path, wchar_t* error, DWORD errorChars);
LAB_API DWORD LabLoadScenarioText(const char* utf8, const wchar_t* sourceName, wchar_t* error, DWORD errorChars);
// A network of `computers` computers (at least 1) for benchmarks; the same
// seed gives the same network. Returns 0 or ERROR_INVALID_PARAMETER.
LAB_API DWORD LabGenerateNetwork(DWORD computers, DWORD seed);

LAB_API DWORD LabComputerCount(void);
// NetBIOS name of the index-th computer; 0 when there is no such computer.
LAB_API DWORD LabComputerName(DWORD index, wchar_t* buffer, DWORD chars);
LAB_API DWORD LabLocalComputerName(wchar_t* buffer, DWORD chars);
// Takes a computer off the network or brings it back; ERROR_NOT_FOUND when no
// computer has the name.
LAB_API DWORD LabSetComputerOnline(const wchar_t* computer, BOOL online);
// Shapes the current network for runs over many computers: of the computers
// other than the local one, in an order drawn from `seed`, the first
// offlinePercent are taken off the network, the next hangPercent answer every
// call after hangMs, the next slowPercent after slowMs; the rest are online
// and answer at once. ERROR_INVALID_PARAMETER when the shares add up to more
// than 100.
LAB_API DWORD LabShapeNetwork(DWORD seed, DWORD offlinePercent, DWORD slowPercent, DWORD slowMs, DWORD hangPercent,
                              DWORD hangMs);

// --- Faults, latency and call counts ---------------------------------------
// `computer` null or empty: any computer (else any of its names); `function`
// null or empty: any function ("NetServerGetInfo"). A fault rule counts the
// calls it matches from when it is added; it fails the fromCall-th one (0 or 1:
// the first) and the following ones, `times` times in all (0: without end),
// with `error`. Returns the rule's id, or 0 when error is 0.
LAB_API DWORD LabAddFault(const wchar_t* computer, const char* function, DWORD error, DWORD fromCall, DWORD times);
// Every matching call waits `milliseconds` of real time before it is served.
LAB_API DWORD LabAddLatency(const wchar_t* computer, const char* function, DWORD milliseconds);
LAB_API BOOL LabRemoveRule(DWORD id);
LAB_API void LabClearRules(void);
// How many calls the rule failed (or delayed).
LAB_API DWORD LabRuleFired(DWORD id);
// Calls that reached the lab, whatever their outcome; null or empty for any.
LAB_API DWORD LabCallCount(const wchar_t* computer, const char* function);
LAB_API void LabResetCallCounts(void);
// The most threads that were inside lab calls at the same time (waiting out
// their latency included) since the last reset; the reset starts from those
// inside now.
LAB_API DWORD LabPeakConcurrentCallers(void);
LAB_API void LabResetPeakConcurrentCallers(void);

// --- The clock -------------------------------------------------------------
// In virtual mode GetTickCount reports virtual time and Sleep advances it and
// returns at once. Switching it on starts from the real tick count.
LAB_API void LabSetVirtualClock(BOOL on);
LAB_API BOOL LabIsVirtualClock(void);
LAB_API ULONGLONG LabVirtualTime(void);
LAB_API void LabSetVirtualTime(ULONGLONG milliseconds);
LAB_API void LabAdvanceClock(ULONGLONG milliseconds);

// --- Identities --------------------------------------------------------------
// The calling thread acts as `account` ("DOMAIN\user" or a UPN) until cleared;
// ERROR_NO_SUCH_USER when the network has no such account.
LAB_API DWORD LabSetThreadIdentity(const wchar_t* account);
LAB_API void LabClearThreadIdentity(void);
// The account the calling thread acts as; `impersonating` (may be null) tells
// whether it was set, rather than being the interactive user.
LAB_API DWORD LabThreadIdentity(wchar_t* buffer, DWORD chars, BOOL* impersonating);
// --- Families' generators --------------------------------------------------
// Replaces the sessions of a computer's file server by `sessions` generated
// ones with named clients (benchmarks). ERROR_NOT_FOUND for an unknown name.
LAB_API DWORD LabGenerateSessions(const wchar_t* computer, DWORD sessions, DWORD seed);
// Adds `count` generated local users (user00000, ...) to a computer's account
// database (benchmarks). ERROR_NOT_FOUND for an unknown name.
LAB_API DWORD LabGenerateUsers(const wchar_t* computer, DWORD count, DWORD seed);

// Whether the calling thread's identity may administer the computer: it, or
// one of its groups, is a member of the computer's Administrators group.
LAB_API BOOL LabMayAdminister(const wchar_t* computer);
// Adds `account` (DOMAIN\name, .\name or a local name) to a local group of
// the computer's account database. 0, ERROR_NOT_FOUND (computer),
// ERROR_NO_SUCH_ALIAS, ERROR_MEMBER_IN_ALIAS.
LAB_API DWORD LabAddGroupMember(const wchar_t* computer, const wchar_t* group, const wchar_t* account);

// --- Release accounting ------------------------------------------------------
LAB_API DWORD LabOutstanding(DWORD kind);  // a LabKind; LAB_KIND_ANY for all
LAB_API DWORD LabBadReleases(void);
// Outstanding objects (kind, value, the function and computer that handed
// them out) and bad releases, one per line; "clean" when there are none.
LAB_API DWORD LabLeakReport(wchar_t* buffer, DWORD chars);
LAB_API void LabResetAccounting(void);

// --- Accounts and the local security authority -------------------------------
// The rights granted on the computer (LsaAddAccountRights) to the account with
// the identifier text `sid` ("S-1-5-21-..."), one per line, in name order.
LAB_API DWORD LabAccountRights(const wchar_t* computer, const wchar_t* sid, wchar_t* buffer, DWORD chars);

// --- Services ----------------------------------------------------------------
// The arguments the last successful StartServiceW of `service` on `computer`
// passed, each followed by a line feed ("" when it had none). 0 when there is
// no such computer or service.
LAB_API DWORD LabServiceStartArguments(const wchar_t* computer, const wchar_t* service, wchar_t* buffer, DWORD chars);

// --- Terminal services -------------------------------------------------------
// The messages WTSSendMessageW delivered to the session, oldest first: each
// its title and its text, both followed by a line feed ("" when none came).
// 0 when there is no such computer or session.
LAB_API DWORD LabSessionMessages(const wchar_t* computer, DWORD sessionId, wchar_t* buffer, DWORD chars);

#ifdef __cplusplus
}  // extern "C"

#include <string>
#include <string_view>

namespace lab {

template <typename Fill>
std::wstring ReadLabText(Fill fill) {
    std::wstring text(64, L'\0');
    for (;;) {
        const DWORD needed = fill(text.data(), static_cast<DWORD>(text.size()));
        if (needed == 0) return {};
        if (needed <= text.size()) {
            text.resize(needed - 1);
            return text;
        }
        text.assign(needed, L'\0');
    }
}

inline std::wstring LeakReport() { return ReadLabText(LabLeakReport); }
inline std::wstring LocalComputerName() { return ReadLabText(LabLocalComputerName); }
inline std::wstring ComputerName(DWORD index) {
    return ReadLabText([index](wchar_t* b, DWORD n) { return LabComputerName(index, b, n); });
}
inline std::wstring AccountRights(const wchar_t* computer, const wchar_t* sid) {
    return ReadLabText([=](wchar_t* b, DWORD n) { return LabAccountRights(computer, sid, b, n); });
}
inline std::wstring ServiceStartArguments(const wchar_t* computer, const wchar_t* service) {
    return ReadLabText([=](wchar_t* b, DWORD n) { return LabServiceStartArguments(computer, service, b, n); });
}
inline std::wstring SessionMessages(const wchar_t* computer, DWORD sessionId) {
    return ReadLabText([=](wchar_t* b, DWORD n) { return LabSessionMessages(computer, sessionId, b, n); });
}
inline std::wstring ThreadIdentity() {
    return ReadLabText([](wchar_t* b, DWORD n) { return LabThreadIdentity(b, n, nullptr); });
}

inline DWORD LoadScenarioText(const std::string& utf8, std::wstring* error = nullptr,
                              const wchar_t* source = L"<text>") {
    wchar_t message[1024] = {};
    const DWORD rc = LabLoadScenarioText(utf8.c_str(), source, message, 1024);
    if (error) *error = message;
    return rc;
}

inline DWORD LoadScenarioFile(const std::wstring& path, std::wstring* error = nullptr) {
    wchar_t message[1024] = {};
    const DWORD rc = LabLoadScenarioFile(path.c_str(), message, 1024);
    if (error) *error = message;
    return rc;
}

// Acts as `account` on this thread for the scope, then returns to what the
// thread acted as before.
class ScopedIdentity {
public:
    explicit ScopedIdentity(const wchar_t* account) {
        BOOL had = FALSE;
        previous_ = ReadLabText([&had](wchar_t* b, DWORD n) { return LabThreadIdentity(b, n, &had); });
        hadPrevious_ = had != FALSE;
        status_ = LabSetThreadIdentity(account);
    }
    ScopedIdentity(const ScopedIdentity&) = delete;
    ScopedIdentity& operator=(const ScopedIdentity&) = delete;
    ~ScopedIdentity() {
        if (hadPrevious_) LabSetThreadIdentity(previous_.c_str());
        else LabClearThreadIdentity();
    }
    DWORD Status() const { return status_; }

private:
    std::wstring previous_;
    bool hadPrevious_ = false;
    DWORD status_ = 0;
};

}  // namespace lab
#endif
