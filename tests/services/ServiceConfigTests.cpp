// Configuration changes through a service reference, against the lab: each
// change touches only what it names, and a failure comes back as its HRESULT.
#include "ServicesTest.h"

#include "common/PlatHandles.h"
#include "services/RecoveryActions.h"
#include "platform/Logon.h"
#include "platform/ServiceControl.h"

#include <vector>

namespace {

using namespace servicestest;
using namespace vantrel;

class ServiceConfigChange : public ServicesTest {
protected:
    // The stored configuration as a fresh reference reads it.
    static UniqueCoTaskMem Config(ServiceControlManager* scm, const wchar_t* name) {
        ServiceRef ref(name, scm);
        UniqueCoTaskMem block;
        EXPECT_EQ(S_OK, ref.QueryConfig(block));
        return block;
    }
    static const QUERY_SERVICE_CONFIGW& As(const UniqueCoTaskMem& block) {
        return *static_cast<const QUERY_SERVICE_CONFIGW*>(block.Get());
    }
    static std::wstring Description(ServiceControlManager* scm, const wchar_t* name) {
        ServiceRef ref(name, scm);
        std::wstring text;
        return SUCCEEDED(ref.GetDescription(text)) ? text : L"<failed>";
    }
};

TEST_F(ServiceConfigChange, StartTypeNamesAndDescriptionsChangeAlone) {
    auto scm = Open(L"\\\\ADMIN01");
    ServiceRef spooler(L"Spooler", scm.Get());
    const UniqueCoTaskMem before = Config(scm.Get(), L"Spooler");
    ASSERT_EQ(S_OK, spooler.SetStartType(SERVICE_DISABLED));
    const UniqueCoTaskMem after = Config(scm.Get(), L"Spooler");
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), As(after).dwStartType);
    EXPECT_EQ(As(before).dwServiceType, As(after).dwServiceType);
    EXPECT_EQ(As(before).dwErrorControl, As(after).dwErrorControl);
    EXPECT_STREQ(As(before).lpServiceStartName, As(after).lpServiceStartName);
    EXPECT_STREQ(As(before).lpDisplayName, As(after).lpDisplayName);
    EXPECT_EQ(E_INVALIDARG, spooler.SetStartType(7));

    ASSERT_EQ(S_OK, spooler.SetDisplayName(L"Printing"));
    EXPECT_STREQ(L"Printing", As(Config(scm.Get(), L"Spooler")).lpDisplayName);
    ASSERT_EQ(S_OK, spooler.SetDescription(L"Queues print jobs."));
    EXPECT_EQ(L"Queues print jobs.", Description(scm.Get(), L"Spooler"));
    ASSERT_EQ(S_OK, spooler.SetDescription(nullptr));  // removes it
    EXPECT_EQ(L"", Description(scm.Get(), L"Spooler"));
}

TEST_F(ServiceConfigChange, LocalSystemAndAccountsKeepTheTypeButTheDesktopBit) {
    auto scm = Open(nullptr);
    ServiceRef spooler(L"Spooler", scm.Get());
    const DWORD type = As(Config(scm.Get(), L"Spooler")).dwServiceType;
    ASSERT_EQ(S_OK, spooler.SetLocalSystem(true));
    EXPECT_EQ(type | SERVICE_INTERACTIVE_PROCESS, As(Config(scm.Get(), L"Spooler")).dwServiceType);
    ASSERT_EQ(S_OK, spooler.SetLocalSystem(false));
    UniqueCoTaskMem config = Config(scm.Get(), L"Spooler");
    EXPECT_EQ(type, As(config).dwServiceType);
    EXPECT_STREQ(L"LocalSystem", As(config).lpServiceStartName);

    ASSERT_EQ(S_OK, spooler.SetLocalSystem(true));
    ASSERT_EQ(S_OK, spooler.SetAccount(L"LAB\\helpdesk", L"H3lpdesk!"));
    config = Config(scm.Get(), L"Spooler");
    EXPECT_EQ(type, As(config).dwServiceType);
    EXPECT_STREQ(L"LAB\\helpdesk", As(config).lpServiceStartName);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_SERVICE_ACCOUNT), spooler.SetAccount(L"LAB\\nobody", L""));
}

TEST_F(ServiceConfigChange, FailureActionsRoundTrip) {
    auto scm = Open(nullptr);
    ServiceRef spooler(L"Spooler", scm.Get());
    UniqueCoTaskMem block;
    ASSERT_EQ(S_OK, spooler.QueryFailureActions(block));
    RecoveryFields fields = ReadRecoveryFields(*static_cast<SERVICE_FAILURE_ACTIONSW*>(block.Get()));
    EXPECT_EQ(kRestartService, fields.choices[0]);
    fields.choices = {kRestartService, kRunFile, kRebootComputer};
    fields.restartMinutes = 5;
    fields.resetDays = 2;
    fields.command = RecoveryCommand{L"C:\\tools\\notify.exe", L"-q", true};
    fields.reboot = RebootOptions{180000, true, std::wstring(L"Restarting")};
    FailureActionsRecord record(fields);
    ASSERT_EQ(S_OK, spooler.SetFailureActions(record.Get()));
    ASSERT_EQ(S_OK, spooler.QueryFailureActions(block));
    // The record's own fields are checked where it is made; here what comes back.
    const auto& stored = *static_cast<SERVICE_FAILURE_ACTIONSW*>(block.Get());
    EXPECT_STREQ(L"\"C:\\tools\\notify.exe\" -q /fail=%1%", stored.lpCommand);
    EXPECT_STREQ(L"Restarting", stored.lpRebootMsg);
    const RecoveryFields back = ReadRecoveryFields(stored);
    EXPECT_EQ(fields.choices, back.choices);
    EXPECT_EQ(2u, back.resetDays);
    EXPECT_EQ(5u, back.restartMinutes);
    EXPECT_EQ(180000u, back.reboot.delayMs);
}

// A reboot among the failure actions is refused unless the caller's token
// has the shutdown privilege enabled: the change enables it on the thread's
// effective token for that call only and leaves the thread as it found it.
TEST_F(ServiceConfigChange, RebootActionsEnableTheShutdownPrivilegeForTheCallOnly) {
    SC_ACTION actions[2] = {{SC_ACTION_RESTART, 60000}, {SC_ACTION_REBOOT, 60000}};
    SERVICE_FAILURE_ACTIONSW record{3600, nullptr, nullptr, 2, actions};
    // The same record written straight through the platform: what the
    // thread's token allows after the change.
    auto directly = [&] {
        UniqueScHandle scm(plat::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        UniqueScHandle spooler(plat::OpenServiceW(scm.Get(), L"Spooler", SERVICE_CHANGE_CONFIG | SERVICE_START));
        ::SetLastError(0);
        return plat::ChangeServiceConfig2W(spooler.Get(), SERVICE_CONFIG_FAILURE_ACTIONS, &record) ? 0u
                                                                                                    : ::GetLastError();
    };
    enum class Thread { AsTheProcess, Impersonating, ImpersonatingEnabled };
    for (Thread thread : {Thread::AsTheProcess, Thread::Impersonating, Thread::ImpersonatingEnabled}) {
        SCOPED_TRACE(static_cast<int>(thread));
        UniqueToken token;
        if (thread != Thread::AsTheProcess) {
            ASSERT_EQ(0u, LabSetThreadIdentity(L"LAB\\operator"));
            ASSERT_TRUE(plat::OpenThreadToken(::GetCurrentThread(), TOKEN_ADJUST_PRIVILEGES, TRUE, token.Put()));
        }
        if (thread == Thread::ImpersonatingEnabled) {
            TOKEN_PRIVILEGES on{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
            ASSERT_TRUE(plat::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &on.Privileges[0].Luid));
            ASSERT_TRUE(plat::AdjustTokenPrivileges(token.Get(), FALSE, &on, 0, nullptr, nullptr));
        }
        const DWORD before = directly();
        EXPECT_EQ(thread == Thread::ImpersonatingEnabled ? 0u : static_cast<DWORD>(ERROR_ACCESS_DENIED), before);

        auto scm = Open(nullptr);
        ServiceRef spooler(L"Spooler", scm.Get());
        EXPECT_EQ(S_OK, spooler.SetFailureActions(&record));

        // As before: same identity, same token state.
        EXPECT_EQ(before, directly());
        BOOL impersonating = FALSE;
        wchar_t name[64];
        LabThreadIdentity(name, 64, &impersonating);
        EXPECT_EQ(thread != Thread::AsTheProcess, impersonating != FALSE);
        token.Reset();
        LabClearThreadIdentity();
    }
}

TEST_F(ServiceConfigChange, OpenAndPlatformFailuresComeBack) {
    auto scm = Open(nullptr);
    // A full-access open that fails is the answer of every change.
    ServiceRef missing(L"NoSuchService", scm.Get());
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_SERVICE_DOES_NOT_EXIST), missing.SetStartType(SERVICE_AUTO_START));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_SERVICE_DOES_NOT_EXIST), missing.SetDescription(L"x"));
    std::vector<HardwareProfile> profiles;
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_SERVICE_DOES_NOT_EXIST), missing.EnumHardwareProfiles(profiles));
    ServiceRef orphan(L"Spooler");
    EXPECT_EQ(E_POINTER, orphan.EnumHardwareProfiles(profiles));
    EXPECT_EQ(E_POINTER, orphan.SetHardwareProfiles(profiles));

    ServiceRef spooler(L"Spooler", scm.Get());
    UniqueCoTaskMem block;
    LabAddFault(nullptr, "QueryServiceConfig2W", RPC_S_SERVER_UNAVAILABLE, 2, 1);
    EXPECT_EQ(HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), spooler.QueryFailureActions(block));
    EXPECT_FALSE(block);
    LabAddFault(nullptr, "ChangeServiceConfigW", ERROR_SERVICE_MARKED_FOR_DELETE, 1, 0);
    const HRESULT deleted = HRESULT_FROM_WIN32(ERROR_SERVICE_MARKED_FOR_DELETE);
    EXPECT_EQ(deleted, spooler.SetStartType(SERVICE_AUTO_START));
    EXPECT_EQ(deleted, spooler.SetDisplayName(L"x"));
    EXPECT_EQ(deleted, spooler.SetLocalSystem(false));
    EXPECT_EQ(deleted, spooler.SetAccount(L"LocalSystem", L""));
    // The type read that comes first fails the account change before any write.
    LabAddFault(nullptr, "QueryServiceConfigW", ERROR_ACCESS_DENIED, 1, 1);
    EXPECT_EQ(E_ACCESSDENIED, spooler.SetLocalSystem(true));
    LabAddFault(nullptr, "ChangeServiceConfig2W", ERROR_ACCESS_DENIED, 1, 0);
    RecoveryFields fields;
    FailureActionsRecord record(fields);
    EXPECT_EQ(E_ACCESSDENIED, spooler.SetFailureActions(record.Get()));
}

}  // namespace
