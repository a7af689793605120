// Every platform call of the configuration operations fails once in turn:
// the operation returns the failure (or carries on where it may), never
// crashes, and leaves nothing unreleased.
#include "LabFixture.h"

#include "common/AccountNames.h"
#include "services/HardwareProfiles.h"
#include "services/LogonRight.h"

#include <functional>
#include <set>
#include <string>

using namespace vantrel;

namespace {

struct SweepResult {
    size_t calls = 0;               // how many calls of the function the operation made
    std::set<HRESULT> results;      // what the operation returned with each one failing
};

// Fails the n-th call of `function` for n = 1, 2, ... until the operation no
// longer reaches an n-th call.
SweepResult Sweep(const char* function, DWORD error, const std::function<HRESULT()>& operation) {
    SweepResult sweep;
    for (DWORD n = 1; n < 64; ++n) {
        EXPECT_EQ(0u, LabReset());
        const DWORD rule = LabAddFault(nullptr, function, error, n, 1);
        const HRESULT hr = operation();
        const bool fired = LabRuleFired(rule) != 0;
        EXPECT_EQ(L"clean", lab::LeakReport()) << function << " call " << n;
        if (!fired) {
            EXPECT_EQ(S_OK, hr) << function << " call " << n << " (no fault)";
            break;
        }
        ++sweep.calls;
        sweep.results.insert(hr);
    }
    return sweep;
}

class FaultSweep : public servicetest::LabFixture {};

const HRESULT kFault = HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY);

HRESULT EnumAdmin01() {
    std::vector<HardwareProfile> profiles;
    return EnumHardwareProfiles(L"\\\\ADMIN01", L"Spooler", profiles);
}

HRESULT SetAdmin01() {
    std::vector<HardwareProfile> profiles(2);
    profiles[0].keyName = L"0001";
    profiles[1].keyName = L"0002";
    profiles[1].enabled = false;
    return SetHardwareProfiles(L"\\\\ADMIN01", L"Spooler", profiles);
}

TEST_F(FaultSweep, HardwareProfileReads) {
    // Both connections and the two list keys are needed; a failure later only
    // shortens the list or leaves a value at zero.
    const SweepResult connect = Sweep("RegConnectRegistryW", ERROR_NOT_ENOUGH_MEMORY, EnumAdmin01);
    EXPECT_EQ(2u, connect.calls);
    EXPECT_EQ((std::set<HRESULT>{kFault}), connect.results);
    const SweepResult open = Sweep("RegOpenKeyExW", ERROR_NOT_ENOUGH_MEMORY, EnumAdmin01);
    EXPECT_EQ(7u, open.calls);  // list, trees, 0000, 0001 and its entry, 0002 and its entry
    EXPECT_EQ((std::set<HRESULT>{kFault, S_OK}), open.results);
    for (const char* f : {"RegEnumKeyExW", "RegQueryValueExW"}) {
        const SweepResult later = Sweep(f, ERROR_NOT_ENOUGH_MEMORY, EnumAdmin01);
        EXPECT_LT(0u, later.calls) << f;
        EXPECT_EQ((std::set<HRESULT>{S_OK}), later.results) << f;
    }
}

TEST_F(FaultSweep, HardwareProfileWrites) {
    for (const char* f : {"RegConnectRegistryW", "RegOpenKeyExW", "RegCreateKeyExW", "RegSetValueExW"}) {
        const SweepResult sweep = Sweep(f, ERROR_NOT_ENOUGH_MEMORY, SetAdmin01);
        EXPECT_LT(0u, sweep.calls) << f;
        EXPECT_EQ((std::set<HRESULT>{kFault}), sweep.results) << f;
    }
}

TEST_F(FaultSweep, LogonRightAndAccountNames) {
    auto grant = [] { return GrantLogonRight(L"\\\\ADMIN01", L"LAB\\operator", L"SeServiceLogonRight"); };
    for (const char* f : {"LookupAccountNameW", "LsaOpenPolicy", "LsaAddAccountRights"}) {
        const SweepResult sweep = Sweep(f, ERROR_NOT_ENOUGH_MEMORY, grant);
        EXPECT_LT(0u, sweep.calls) << f;
        EXPECT_EQ((std::set<HRESULT>{kFault}), sweep.results) << f;
    }
    auto guest = [] {
        std::wstring name;
        return AccountNameForRid(L"\\\\FS01", 501, name);
    };
    for (const char* f : {"NetUserModalsGet", "LookupAccountSidW"}) {
        const SweepResult sweep = Sweep(f, ERROR_ACCESS_DENIED, guest);
        EXPECT_EQ(1u, sweep.calls) << f;
        EXPECT_EQ((std::set<HRESULT>{E_ACCESSDENIED}), sweep.results) << f;
    }
}

}  // namespace
