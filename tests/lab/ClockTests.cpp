// The clock waits are measured with: real by default, virtual on demand.
#include "LabTest.h"

#include "platform/Clock.h"

#include <thread>
#include <vector>

namespace {

using labtest::LabTest;

class LabClock : public LabTest {};

// Waits measured on the virtual clock are driven through the service
// operations; these are the edges they do not reach.
TEST_F(LabClock, VirtualTimeStartsFromTheRealClockStaysWhenTurnedOnAgainAndWraps) {
    const ULONGLONG realBefore = ::GetTickCount64();
    LabSetVirtualClock(TRUE);
    const ULONGLONG start = plat::GetTickCount64();
    EXPECT_GE(start, realBefore);  // never behind the real clock
    plat::Sleep(60000);
    LabAdvanceClock(500);
    LabSetVirtualClock(TRUE);  // already on: time stays
    EXPECT_EQ(start + 60500, LabVirtualTime());
    EXPECT_LT(::GetTickCount64() - realBefore, 30000u);  // generous: it did not really wait a minute

    // The 32-bit tick count wraps.
    LabSetVirtualTime(0xFFFFFFF0ull);
    EXPECT_EQ(0xFFFFFFF0u, plat::GetTickCount());
    plat::Sleep(0x20);
    EXPECT_EQ(0x10u, plat::GetTickCount());
    EXPECT_EQ(0x100000010ull, plat::GetTickCount64());
}

TEST_F(LabClock, ConcurrentSleepersEachAdvanceTheClock) {
    LabSetVirtualClock(TRUE);
    LabSetVirtualTime(1000);
    std::vector<std::thread> sleepers;
    for (int t = 0; t < 4; ++t) {
        sleepers.emplace_back([] {
            for (int i = 0; i < 10; ++i) plat::Sleep(1000);
        });
    }
    for (std::thread& s : sleepers) s.join();
    EXPECT_EQ(41000u, plat::GetTickCount64());
}

TEST_F(LabClock, RealModeFollowsTheSystemClock) {
    EXPECT_FALSE(LabIsVirtualClock());
    LabAdvanceClock(1000000);  // only moves virtual time
    const ULONGLONG before = ::GetTickCount64();
    const ULONGLONG lab = plat::GetTickCount64();
    const ULONGLONG after = ::GetTickCount64();
    EXPECT_GE(lab, before);
    EXPECT_LE(lab, after);

    LabSetVirtualClock(TRUE);
    LabReset();
    EXPECT_FALSE(LabIsVirtualClock());
}

}  // namespace
