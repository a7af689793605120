// Who a thread acts as, and what that identity may do on each computer.
#include "LabTest.h"

#include <thread>

namespace {

using labtest::LabTest;
using labtest::ServerInfo;

class LabIdentity : public LabTest {};

constexpr DWORD kDenied = ERROR_ACCESS_DENIED;

TEST_F(LabIdentity, SwitchingIdentityChangesTheDecision) {
    // The operator administers only his own computers; facts are open to everyone.
    EXPECT_EQ(kDenied, ServerInfo(L"FS01", 102));
    EXPECT_EQ(0u, ServerInfo(L"FS01", 101));
    EXPECT_EQ(0u, ServerInfo(nullptr, 102));
    ASSERT_EQ(0u, LabSetThreadIdentity(L"lab\\HELPDESK"));
    EXPECT_EQ(L"LAB\\helpdesk", lab::ThreadIdentity());
    EXPECT_EQ(0u, ServerInfo(L"FS01", 102));   // through the group LAB\Helpdesk
    EXPECT_EQ(kDenied, ServerInfo(L"DC01", 102));
    EXPECT_EQ(0u, ServerInfo(L"PRINT01", 102));
    // An unknown account leaves the identity alone.
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_SUCH_USER), LabSetThreadIdentity(L"LAB\\nobody"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_SUCH_USER), LabSetThreadIdentity(nullptr));
    EXPECT_EQ(L"LAB\\helpdesk", lab::ThreadIdentity());

    ASSERT_EQ(0u, LabSetThreadIdentity(L"administrator@lab.local"));
    EXPECT_EQ(L"LAB\\Administrator", lab::ThreadIdentity());
    EXPECT_EQ(0u, ServerInfo(L"DC01", 102));
    // The identity belongs to the thread.
    DWORD other = 0;
    std::thread([&other] { other = ServerInfo(L"DC01", 102); }).join();
    EXPECT_EQ(kDenied, other);

    LabClearThreadIdentity();
    EXPECT_EQ(L"LAB\\operator", lab::ThreadIdentity());
    EXPECT_EQ(kDenied, ServerInfo(L"DC01", 102));
}

TEST_F(LabIdentity, ScopedIdentityRestoresWhatWasBefore) {
    {
        lab::ScopedIdentity admin(L"LAB\\Administrator");
        EXPECT_EQ(0u, admin.Status());
        EXPECT_TRUE(LabMayAdminister(L"DC01"));
        {
            lab::ScopedIdentity helpdesk(L"LAB\\helpdesk");
            EXPECT_FALSE(LabMayAdminister(L"DC01"));
        }
        EXPECT_TRUE(LabMayAdminister(L"DC01"));
    }
    BOOL impersonating = TRUE;
    wchar_t name[64];
    LabThreadIdentity(name, 64, &impersonating);
    EXPECT_FALSE(impersonating);
    EXPECT_FALSE(LabMayAdminister(L"DC01"));
    EXPECT_FALSE(LabMayAdminister(L"NOSUCH"));
}

}  // namespace
