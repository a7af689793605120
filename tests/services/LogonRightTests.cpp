// Granting an account right through a lab computer's security authority.
#include "LabFixture.h"

#include "common/AccountNames.h"
#include "common/SidValue.h"
#include "services/LogonRight.h"

using namespace vantrel;

namespace {

class GrantLogonRightTest : public servicetest::LabFixture {};

std::wstring SidTextOf(const wchar_t* computer, const wchar_t* name) {
    SidBytes sid;
    EXPECT_EQ(S_OK, AccountNameToSid(computer, name, sid));
    SidValue value;
    value.AdoptBinary(std::move(sid));
    return value.Text() ? value.Text() : L"";
}

TEST_F(GrantLogonRightTest, GrantsTheRightToTheNameAfterTheBackslash) {
    ASSERT_EQ(S_OK, GrantLogonRight(L"\\\\ADMIN01", L"LAB\\helpdesk", L"SeServiceLogonRight"));
    EXPECT_EQ(L"SeServiceLogonRight", lab::AccountRights(L"ADMIN01", SidTextOf(L"ADMIN01", L"LAB\\helpdesk").c_str()));
    // Only the name is looked up, on the computer: "Administrator" there is
    // its local account, whatever domain was written in front.
    ASSERT_EQ(S_OK, GrantLogonRight(L"\\\\PRINT01", L"LAB\\Administrator", L"SeBatchLogonRight"));
    EXPECT_EQ(L"SeBatchLogonRight",
              lab::AccountRights(L"PRINT01", SidTextOf(L"PRINT01", L"PRINT01\\Administrator").c_str()));
    EXPECT_EQ(L"", lab::AccountRights(L"PRINT01", SidTextOf(L"PRINT01", L"LAB\\Administrator").c_str()));
}

TEST_F(GrantLogonRightTest, RefusesBadArgumentsWithoutContactingTheComputer) {
    EXPECT_EQ(E_INVALIDARG, GrantLogonRight(L"\\\\ADMIN01", L"helpdesk", L"SeServiceLogonRight"));
    EXPECT_EQ(E_POINTER, GrantLogonRight(L"", L"LAB\\helpdesk", L"SeServiceLogonRight"));
    EXPECT_EQ(E_POINTER, GrantLogonRight(L"\\\\ADMIN01", nullptr, L"SeServiceLogonRight"));
    EXPECT_EQ(0u, LabCallCount(nullptr, nullptr));
}

TEST_F(GrantLogonRightTest, FailuresComeBackAsResultsAndThePolicyIsClosed) {
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_NONE_MAPPED), GrantLogonRight(L"ADMIN01", L"LAB\\nobody", L"SeServiceLogonRight"));
    EXPECT_EQ(0u, LabCallCount(L"ADMIN01", "LsaOpenPolicy"));
    // The operator does not administer FS01.
    EXPECT_EQ(E_ACCESSDENIED, GrantLogonRight(L"\\\\FS01", L"LAB\\operator", L"SeServiceLogonRight"));
    EXPECT_EQ(HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE),
              GrantLogonRight(L"\\\\LAPTOP07", L"LAB\\operator", L"SeServiceLogonRight"));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_NO_SUCH_PRIVILEGE),
              GrantLogonRight(L"\\\\ADMIN01", L"LAB\\operator", L"SeMadeUpRight"));
    EXPECT_EQ(L"", lab::AccountRights(L"ADMIN01", SidTextOf(nullptr, L"LAB\\operator").c_str()));
}

}  // namespace
