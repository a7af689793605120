// The gate every call passes: name resolution, call counts, injected faults
// and latency, and how unreachable computers answer.
#include "LabTest.h"

#include <atomic>
#include <thread>
#include <vector>

namespace {

using labtest::LabTest;
using labtest::NetBuffer;
using labtest::Reached;
using labtest::ServerInfo;

class LabNames : public LabTest {};
class LabFaults : public LabTest {};
class LabLatency : public LabTest {};

DWORD WkstaInfo(const wchar_t* server) {
    NetBuffer out;
    return plat::NetWkstaGetInfo(const_cast<LMSTR>(server), 100, out.Put());
}

TEST_F(LabNames, EveryFormOfTheNameReachesTheComputer) {
    for (const wchar_t* name : {L"FS01", L"fs01", L"\\\\FS01", L"\\\\fs01.lab.local", L"FS01.LAB.LOCAL", L"10.0.0.20",
                                L"\\\\10.0.0.20"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        EXPECT_EQ(L"FS01", Reached(name));
    }
    EXPECT_EQ(L"ADMIN01", Reached(nullptr));
    EXPECT_EQ(L"ADMIN01", Reached(L""));
    // Calls are counted under the computer's name, whatever form reached it.
    EXPECT_EQ(7u, LabCallCount(L"FS01", "NetServerGetInfo"));
    EXPECT_EQ(7u, LabCallCount(L"\\\\fs01.lab.local", nullptr));
    EXPECT_EQ(9u, LabCallCount(nullptr, "NetServerGetInfo"));
}

TEST_F(LabNames, UnknownAndOfflineComputersAreNotFound) {
    for (const wchar_t* name : {L"NOSUCH", L"\\\\", L"\\\\\\\\FS01", L"fs01.other.local", L"10.0.0.99"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_NETPATH), ServerInfo(name));
    }
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_NETPATH), WkstaInfo(L"LAPTOP07"));
    EXPECT_EQ(1u, LabCallCount(L"NOSUCH", "NetServerGetInfo"));  // failures count too

    EXPECT_EQ(0u, LabSetComputerOnline(L"laptop07.lab.local", TRUE));
    EXPECT_EQ(L"LAPTOP07", Reached(L"LAPTOP07"));
    EXPECT_EQ(0u, LabSetComputerOnline(L"\\\\FS01", FALSE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_NETPATH), ServerInfo(L"FS01"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_FOUND), LabSetComputerOnline(L"NOSUCH", FALSE));
}

TEST_F(LabFaults, RulesFireOnTheirCallsAsOftenAsAsked) {
    const DWORD third = LabAddFault(L"FS01", "NetServerGetInfo", ERROR_NOT_ENOUGH_MEMORY, 3, 1);
    EXPECT_EQ(0u, ServerInfo(L"FS01"));
    EXPECT_EQ(0u, ServerInfo(L"DC01"));  // another computer: not counted by the rule
    EXPECT_EQ(0u, ServerInfo(L"FS01"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), ServerInfo(L"FS01"));
    EXPECT_EQ(0u, ServerInfo(L"FS01"));
    EXPECT_EQ(1u, LabRuleFired(third));
    EXPECT_EQ(4u, LabCallCount(L"FS01", "NetServerGetInfo"));

    // From the nth call on, without and with a limit.
    const DWORD endless = LabAddFault(L"DC01", nullptr, ERROR_ACCESS_DENIED, 2, 0);
    EXPECT_EQ(0u, ServerInfo(L"DC01"));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), WkstaInfo(L"DC01"));
    EXPECT_EQ(4u, LabRuleFired(endless));

    const DWORD twice = LabAddFault(L"FS01", nullptr, ERROR_BUSY, 0, 2);
    EXPECT_EQ(static_cast<DWORD>(ERROR_BUSY), ServerInfo(L"FS01"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BUSY), ServerInfo(L"FS01"));
    EXPECT_EQ(0u, ServerInfo(L"FS01"));
    EXPECT_EQ(2u, LabRuleFired(twice));

    // The first due rule wins and the others still count.
    const DWORD first = LabAddFault(L"PRINT01", nullptr, 1001, 1, 1);
    const DWORD second = LabAddFault(L"PRINT01", nullptr, 1002, 1, 1);
    EXPECT_EQ(1001u, ServerInfo(L"PRINT01"));
    EXPECT_EQ(1002u, ServerInfo(L"PRINT01"));
    EXPECT_EQ(0u, ServerInfo(L"PRINT01"));
    EXPECT_EQ(1u, LabRuleFired(first));
    EXPECT_EQ(1u, LabRuleFired(second));
}

TEST_F(LabFaults, RulesMatchAnyOrOneComputerAndFunction) {
    const DWORD any = LabAddFault(nullptr, nullptr, RPC_S_SERVER_UNAVAILABLE, 1, 2);
    EXPECT_EQ(static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE), ServerInfo(L"FS01"));
    EXPECT_EQ(static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE), WkstaInfo(nullptr));
    EXPECT_EQ(0u, ServerInfo(L"FS01"));
    EXPECT_TRUE(LabRemoveRule(any));
    EXPECT_FALSE(LabRemoveRule(any));

    // The rule's computer may be named in any form; the function in any case.
    LabAddFault(L"\\\\fs01.lab.local", "netwkstagetinfo", ERROR_INVALID_PARAMETER, 1, 0);
    EXPECT_EQ(0u, ServerInfo(L"FS01"));
    EXPECT_EQ(0u, WkstaInfo(L"DC01"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), WkstaInfo(L"10.0.0.20"));
    LabClearRules();
    EXPECT_EQ(0u, WkstaInfo(L"FS01"));
}

TEST_F(LabFaults, FaultsComeBeforeReachability) {
    LabAddFault(L"LAPTOP07", nullptr, ERROR_ACCESS_DENIED, 1, 1);
    LabAddFault(L"GHOST", nullptr, ERROR_NOT_SUPPORTED, 1, 1);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), ServerInfo(L"LAPTOP07"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_NETPATH), ServerInfo(L"LAPTOP07"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), ServerInfo(L"\\\\ghost"));
    EXPECT_EQ(0u, LabAddFault(nullptr, nullptr, 0, 1, 1));  // no error, no rule
}

TEST_F(LabLatency, WaitingCallDoesNotBlockOtherThreads) {
    // Long enough that the other call cannot wait for it by accident.
    const DWORD slow = LabAddLatency(L"FS01", "NetServerGetInfo", 2000);
    std::atomic<bool> slowDone{false};
    DWORD slowResult = 1;
    std::thread caller([&] {
        slowResult = ServerInfo(L"FS01");
        slowDone = true;
    });
    while (LabCallCount(L"FS01", nullptr) == 0) ::Sleep(1);  // it is in its wait now

    EXPECT_EQ(0u, ServerInfo(L"DC01"));
    EXPECT_EQ(0u, WkstaInfo(L"FS01"));  // same computer, another function
    EXPECT_FALSE(slowDone.load());
    caller.join();
    EXPECT_EQ(0u, slowResult);
    EXPECT_EQ(1u, LabRuleFired(slow));
}

TEST_F(LabLatency, ConcurrentCallersAreCountedWhileTheyWait) {
    LabAddLatency(nullptr, "NetServerGetInfo", 300);
    LabResetPeakConcurrentCallers();
    EXPECT_EQ(0u, LabPeakConcurrentCallers());
    std::vector<std::thread> callers;
    for (int i = 0; i < 6; ++i) callers.emplace_back([] { ServerInfo(L"FS01"); });
    for (std::thread& caller : callers) caller.join();
    // Six threads waited side by side; one after the other they would not overlap.
    EXPECT_GE(LabPeakConcurrentCallers(), 3u);
    EXPECT_LE(LabPeakConcurrentCallers(), 6u);
    // A reset starts from the callers inside now: none.
    LabResetPeakConcurrentCallers();
    EXPECT_EQ(0u, LabPeakConcurrentCallers());
    ServerInfo(L"DC01");
    EXPECT_EQ(1u, LabPeakConcurrentCallers()) << "one caller at a time";
}

}  // namespace
