// The Disable Guest Accounts and Reset Local Administrator's Password wizards
// as the component builds them, walked through their real sheets against lab
// computers: one result line per computer, and the accounts as they end up.
#include "common/Handles.h"
#include "common/PlatHandles.h"
#include "lab/LabControl.h"
#include "platform/Logon.h"
#include "platform/NetManagement.h"
#include "resources/resource.h"
#include "tests/support/WindowDriver.h"
#include "tests/support/WizardWalk.h"
#include "tests/wizards/WizardDriver.h"
#include "wizards/OperationWizards.h"
#include "wizards/ResultReport.h"
#include "wizards/accounts/AccountJobs.h"

#include <gtest/gtest.h>

#include <lm.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <thread>

namespace vantrel {
namespace {

using testsupport::SeenBox;
using testsupport::CurrentPage;

// GUESTON has its guest account enabled, GUESTOFF (as installed) disabled;
// the operator administers both and RENAMED, not DENIED; OFFLINE is off the
// network.
constexpr char kNetwork[] = R"({
  "domain": { "name": "LAB" },
  "interactiveUser": "LAB\\operator",
  "accounts": [ { "name": "LAB\\operator", "password": "Op3rator!" } ],
  "computers": [
    { "name": "ADMIN01", "local": true, "administrators": ["LAB\\operator"] },
    { "name": "GUESTON", "administrators": ["LAB\\operator"], "users": [ { "name": "Guest", "disabled": false } ] },
    { "name": "GUESTOFF", "administrators": ["LAB\\operator"] },
    { "name": "DENIED", "administrators": [], "users": [ { "name": "Guest", "disabled": false } ] },
    { "name": "OFFLINE", "online": false, "administrators": ["LAB\\operator"] },
    { "name": "RENAMED", "administrators": ["LAB\\operator"] }
  ]
})";

bool GuestDisabled(const wchar_t* server) {
    UniqueNetBuffer buffer;
    if (plat::NetUserGetInfo(server, L"Guest", 20, reinterpret_cast<LPBYTE*>(buffer.Put())) != NERR_Success) return false;
    return (reinterpret_cast<USER_INFO_20*>(buffer.Get())->usri20_flags & UF_ACCOUNTDISABLE) != 0;
}

class AccountWizard : public wizardtest::LabWizardTest {
protected:
    AccountWizard() : LabWizardTest(kNetwork) {}
    static int Next(HWND sheet) { return testsupport::Next(sheet, 2000); }

    // Runs the operation's wizard for `computers` while `walk` works it.
    // Returns the result lines, sorted.
    std::vector<std::wstring> Run(long operation, const wchar_t* computers, const std::function<void(HWND)>& walk) {
        caption_ = operation == kOperationDisableGuest ? L"Disable Guest Accounts Wizard"
                                                       : L"Reset Local Administrator's Password Wizard";
        std::vector<std::wstring> lines = wizardtest::RunOperation(operation, computers, KeepBoxes(), walk);
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    // From the progress page: the end of the phase, then the completion
    // page's summary.
    void FinishFromProgress(HWND sheet) {
        wizardtest::WaitForPhaseEnd(sheet);
        EXPECT_EQ(4, Next(sheet));
        wizardCaption_ = testsupport::WindowText(sheet);
        Finish(sheet);
    }

    std::wstring caption_, wizardCaption_;
};

std::wstring Failed(const wchar_t* computer, DWORD error) {
    const HRESULT code = HRESULT_FROM_WIN32(error);
    wchar_t hex[16];
    swprintf(hex, 16, L"0x%08X", static_cast<unsigned>(code));
    return std::wstring(computer) + L" failed: , [" + hex + L"] " + ResultCodeText(code);
}

TEST_F(AccountWizard, DisableGuestAccountsOnEveryKindOfComputer) {
    LabResetCallCounts();
    const auto lines = Run(kOperationDisableGuest, L"GUESTON,GUESTOFF,DENIED,OFFLINE", [&](HWND sheet) {
        EXPECT_EQ(1, Next(sheet));  // computer list
        EXPECT_EQ(2, Next(sheet));  // "Disable Guest Accounts": Next starts the run
        EXPECT_EQ(3, Next(sheet));
        FinishFromProgress(sheet);
    });
    EXPECT_TRUE(boxes_.empty());
    const std::vector<std::wstring> expected = {
        Failed(L"DENIED", ERROR_ACCESS_DENIED),
        L"GUESTOFF succeeded: ",
        L"GUESTON succeeded: ",
        Failed(L"OFFLINE", ERROR_BAD_NETPATH),
    };
    EXPECT_EQ(expected, lines);
    EXPECT_TRUE(GuestDisabled(L"\\\\GUESTON"));
    EXPECT_FALSE(GuestDisabled(L"\\\\DENIED"));
    EXPECT_EQ(0u, LabCallCount(L"GUESTOFF", "NetUserSetInfo")) << "already disabled: nothing is written";
    EXPECT_EQ(1u, LabCallCount(L"GUESTON", "NetUserSetInfo"));
    // The summary: the computer list's paragraph, then one line per computer.
    EXPECT_EQ(0u, summary_.find(L"\r\nComputers Selected:\r\n\tGUESTON\r\n\tGUESTOFF\r\n\tDENIED\r\n\tOFFLINE\r\n"
                                L"Results of operation:\r\n\t"))
        << testing::PrintToString(summary_);
    for (const std::wstring& line : expected) EXPECT_NE(std::wstring::npos, summary_.find(L"\r\n\t" + line));
    EXPECT_EQ(caption_, wizardCaption_);
}

TEST_F(AccountWizard, ResetAdministratorPasswordFindsARenamedAccount) {
    // The built-in administrator of RENAMED is called Boss now.
    USER_INFO_0 rename{const_cast<wchar_t*>(L"Boss")};
    ASSERT_EQ(static_cast<DWORD>(NERR_Success),
              plat::NetUserSetInfo(L"\\\\RENAMED", L"Administrator", 0, reinterpret_cast<LPBYTE>(&rename), nullptr));
    std::wstring mismatch;
    const auto lines = Run(kOperationResetAdminPassword, L"RENAMED,OFFLINE", [&](HWND sheet) {
        EXPECT_EQ(1, Next(sheet));
        EXPECT_EQ(2, Next(sheet));
        HWND page = CurrentPage(sheet);
        ::SetDlgItemTextW(page, IDC_NEW_PASSWORD, L"N3w!pass");
        ::SetDlgItemTextW(page, IDC_CONFIRM_PASSWORD, L"N3w!pas");
        EXPECT_EQ(2, Next(sheet)) << "a confirmation that differs keeps the page";
        ::SetDlgItemTextW(page, IDC_CONFIRM_PASSWORD, L"N3w!pass");
        EXPECT_EQ(3, Next(sheet));
        FinishFromProgress(sheet);
    });
    ASSERT_EQ(1u, boxes_.size());
    EXPECT_EQ(L"Local Users and Groups", boxes_[0].title);
    EXPECT_EQ(L"The password was not correctly confirmed. Please ensure that the password and confirmation match "
              L"exactly.",
              boxes_[0].text);
    EXPECT_EQ((std::vector<std::wstring>{Failed(L"OFFLINE", ERROR_BAD_NETPATH), L"RENAMED succeeded: "}), lines);
    // The renamed administrator logs on with the new password.
    UniqueToken token;
    EXPECT_TRUE(plat::LogonUserW(L"Boss", L"RENAMED", L"N3w!pass", LOGON32_LOGON_NETWORK, LOGON32_PROVIDER_DEFAULT,
                                 token.Put()));
}

TEST_F(AccountWizard, JobsWithEmptyNamesAndEmptyPasswords) {
    GuestAccountJob unnamed;
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_COMPUTERNAME), unnamed.Execute());
    EXPECT_EQ(static_cast<HRESULT>(0x800704BA), unnamed.status);
    // An empty password is set as an empty string: the account then logs on
    // without one.
    AdminPasswordJob reset;
    reset.computerName.Reset(::SysAllocString(L"GUESTOFF"));
    EXPECT_EQ(S_OK, reset.Execute());
    UniqueToken token;
    EXPECT_TRUE(plat::LogonUserW(L"Administrator", L"GUESTOFF", L"", LOGON32_LOGON_NETWORK, LOGON32_PROVIDER_DEFAULT,
                                 token.Put()));
    token.Reset();
    // The copy of a job owns its own password.
    AdminPasswordJob prototype;
    prototype.password.Reset(::SysAllocString(L"x"));
    AdminPasswordJob copy(prototype);
    prototype.password.Reset();
    ASSERT_NE(nullptr, copy.password.Get());
    EXPECT_STREQ(L"x", copy.password.Get());
}

}  // namespace
}  // namespace vantrel
