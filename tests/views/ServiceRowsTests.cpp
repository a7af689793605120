// Which control commands the services view offers for a selection: the
// rules without a window.
#include "views/ServiceRows.h"

#include <gtest/gtest.h>

namespace {

using namespace vantrel;

SERVICE_STATUS_PROCESS Status(DWORD state, DWORD accepted) {
    SERVICE_STATUS_PROCESS status{};
    status.dwCurrentState = state;
    status.dwControlsAccepted = accepted;
    return status;
}

ServiceMenuFacts One(std::optional<DWORD> startType, std::optional<SERVICE_STATUS_PROCESS> status) {
    ServiceMenuFacts facts;
    facts.selected = 1;
    facts.startType = startType;
    facts.status = status;
    return facts;
}

constexpr DWORD kStopAndPause = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE;

TEST(ServiceMenuRules, SelectionSizeDecidesFirst) {
    ServiceMenuFacts several;
    several.selected = 2;
    // Whatever the one service would say, several selected offer every control.
    several.startType = SERVICE_DISABLED;
    EXPECT_EQ(kGreyProperties, GreyedServiceCommands(several));
    EXPECT_EQ(0u, GreyedServiceCommands(ServiceMenuFacts{}));
}

TEST(ServiceMenuRules, DisabledServiceOffersNoControlEvenWhenRunning) {
    EXPECT_EQ(kGreyControls, GreyedServiceCommands(One(SERVICE_DISABLED, Status(SERVICE_RUNNING, kStopAndPause))));
    EXPECT_EQ(kGreyControls, GreyedServiceCommands(One(SERVICE_DISABLED, std::nullopt)));
}

TEST(ServiceMenuRules, StateAndAcceptedControls) {
    const struct {
        DWORD state;
        DWORD accepted;
        DWORD greyed;
    } cases[] = {
        // Running, accepting neither stop nor pause: all five greyed, each for its own reason.
        {SERVICE_RUNNING, 0, kGreyControls},
        {SERVICE_RUNNING, SERVICE_ACCEPT_STOP, kGreyStart | kGreyResume | kGreyPause},
        {SERVICE_RUNNING, kStopAndPause, kGreyStart | kGreyResume},
        {SERVICE_START_PENDING, kStopAndPause, kGreyStart | kGreyResume},
        // A stopped service reports no accepted controls: only Start is left.
        {SERVICE_STOPPED, 0, kGreyStop | kGreyRestart | kGreyPause | kGreyResume},
        {SERVICE_STOPPED, kStopAndPause, kGreyStop | kGreyRestart | kGreyPause | kGreyResume},
        {SERVICE_STOP_PENDING, SERVICE_ACCEPT_STOP, kGreyStop | kGreyRestart | kGreyPause | kGreyResume},
        {SERVICE_PAUSED, kStopAndPause, kGreyPause | kGreyStart},
        {SERVICE_PAUSE_PENDING, kStopAndPause, kGreyPause | kGreyStart},
        {SERVICE_PAUSED, SERVICE_ACCEPT_STOP, kGreyPause | kGreyResume},
        {SERVICE_CONTINUE_PENDING, kStopAndPause, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.greyed, GreyedServiceCommands(One(SERVICE_DEMAND_START, Status(c.state, c.accepted))))
            << "state " << c.state << ", accepted " << c.accepted;
    }
}

TEST(ServiceMenuRules, FailedReadsSkipTheirChecks) {
    // No configuration: the state still decides.
    EXPECT_EQ(kGreyStart | kGreyResume, GreyedServiceCommands(One(std::nullopt, Status(SERVICE_RUNNING, kStopAndPause))));
    // No status: nothing is known beyond the startup type.
    EXPECT_EQ(0u, GreyedServiceCommands(One(SERVICE_AUTO_START, std::nullopt)));
    EXPECT_EQ(0u, GreyedServiceCommands(One(std::nullopt, std::nullopt)));
}

}  // namespace
