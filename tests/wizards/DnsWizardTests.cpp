// The Check DNS Records Wizard as the component builds it, walked through its
// real sheet against lab computers: which computers the results page lists
// and when it is passed over, the Register DNS Records page's box, and the
// second phase restarting Net Logon only where records are missing.
#include "lab/LabControl.h"
#include "tests/support/LabServiceStatus.h"
#include "resources/resource.h"
#include "tests/support/WindowDriver.h"
#include "tests/wizards/WizardDriver.h"
#include "wizards/OperationWizards.h"
#include "wizards/ResultReport.h"
#include "wizards/TvSheetComputerWizard.h"
#include "wizards/dns/DnsJobs.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <map>
#include <thread>

namespace vantrel {
namespace {

using testsupport::CurrentIndex;
using testsupport::CurrentPage;
using testsupport::Next;

constexpr char kNetwork[] = R"({
  "domain": { "name": "LAB", "dnsName": "lab.local" },
  "interactiveUser": "LAB\\operator",
  "accounts": [ { "name": "LAB\\operator", "password": "x" } ],
  "computers": [
    { "name": "ADMIN01", "local": true, "ip": "10.0.0.1", "administrators": ["LAB\\operator"] },
    { "name": "GOOD", "ip": "10.0.1.1", "administrators": ["LAB\\operator"],
      "netlogonDns": [ "good.lab.local. 600 IN A 10.0.1.1", "_ldap._tcp.lab.local. 600 IN SRV 0 100 389 good.lab.local." ] },
    { "name": "NOSRV", "ip": "10.0.1.3", "administrators": ["LAB\\operator"],
      "netlogonDns": [ "nosrv.lab.local. 600 IN A 10.0.1.3", "_ldap._tcp.lab.local. 600 IN SRV 0 100 389 nosrv.lab.local." ] },
    { "name": "WRONGIP", "ip": "10.0.1.2", "administrators": ["LAB\\operator"],
      "netlogonDns": [ "wrongip.lab.local. 600 IN A 10.0.9.9" ] },
    { "name": "NOFILE", "ip": "10.0.1.6", "administrators": ["LAB\\operator"] },
    { "name": "EMPTY", "administrators": ["LAB\\operator"], "netlogonDns": [ "; nothing" ] },
    { "name": "DOWN", "ip": "10.0.1.8", "online": false, "administrators": ["LAB\\operator"] }
  ],
  "dnsZone": { "records": [ { "name": "_ldap._tcp.lab.local", "type": "SRV", "data": "good.lab.local", "port": 389 } ] }
})";

// Welcome, computer list, check, progress 1, results, register, progress 2, completion.
constexpr int kCheckPage = 2, kResultsPage = 4, kRegisterPage = 5, kSecondProgress = 6, kCompletion = 7;

DWORD NetlogonProcess(const wchar_t* computer) {
    return testsupport::LabServiceStatus(computer, L"Netlogon").dwProcessId;
}

class DnsWizard : public wizardtest::LabWizardTest {
protected:
    using Rows = std::vector<std::pair<std::wstring, std::wstring>>;

    DnsWizard() : LabWizardTest(kNetwork) {}
    void SetUp() override {
        LabWizardTest::SetUp();
        for (const wchar_t* name : {L"GOOD", L"NOSRV", L"WRONGIP", L"NOFILE"}) processes_[name] = NetlogonProcess(name);
    }
    bool Restarted(const wchar_t* computer) { return NetlogonProcess(computer) != processes_[computer]; }

    // From a progress page: the end of the phase, then Next.
    static int NextAfterPhase(HWND sheet) {
        wizardtest::WaitForPhaseEnd(sheet);
        return Next(sheet);
    }
    static Rows ListRows(HWND page) {
        Rows rows;
        for (const std::wstring& row : wizardtest::ListRows(::GetDlgItem(page, IDC_DNS_RESULTS_LIST), 2)) {
            const size_t bar = row.find(L" | ");
            rows.emplace_back(row.substr(0, bar), row.substr(bar + 3));
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    // Runs the wizard for `computers` while `walk` works it, then finishes it
    // from the completion page, keeping the summary; returns the result
    // lines, sorted.
    std::vector<std::wstring> Run(const wchar_t* computers, const std::function<void(HWND)>& walk) {
        std::unique_ptr<ComputerWizardSheet> wizard;
        std::vector<std::wstring> lines = wizardtest::RunOperation(
            kOperationCheckDns, computers, KeepBoxes(),
            [&](HWND sheet) {
                walk(sheet);
                if (CurrentIndex(sheet) == kCompletion) Finish(sheet);
            },
            &wizard);
        if (!wizard) return {};
        EXPECT_EQ(8u, wizard->PageCount());
        EXPECT_TRUE(boxes_.empty());
        phase_ = wizard->Phase();
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    std::map<std::wstring, DWORD> processes_;
    int phase_ = 0;
};

std::wstring Failed(const wchar_t* computer, const wchar_t* text, HRESULT code) {
    wchar_t hex[16];
    swprintf(hex, 16, L"0x%08X", static_cast<unsigned>(code));
    return std::wstring(computer) + L" failed: " + text + L", [" + hex + L"] " + ResultCodeText(code);
}

TEST_F(DnsWizard, MissingRecordsAreListedAndRegisteredAgain) {
    Rows rows;
    std::wstring registerSubtitle;
    bool boxUnchecked = false;
    const auto lines = Run(L"GOOD,NOSRV,WRONGIP,NOFILE,EMPTY,DOWN", [&](HWND sheet) {
        EXPECT_EQ(1, Next(sheet));
        EXPECT_EQ(kCheckPage, Next(sheet));
        EXPECT_EQ(3, Next(sheet));
        EXPECT_EQ(kResultsPage, NextAfterPhase(sheet));
        rows = ListRows(CurrentPage(sheet));
        EXPECT_EQ(kRegisterPage, Next(sheet));
        HWND page = CurrentPage(sheet);
        boxUnchecked = ::IsDlgButtonChecked(page, IDC_DNS_REGISTER_BOX) == BST_UNCHECKED;
        ::SendDlgItemMessageW(page, IDC_DNS_REGISTER_BOX, BM_SETCHECK, BST_CHECKED, 0);
        EXPECT_EQ(kSecondProgress, Next(sheet));
        EXPECT_EQ(kCompletion, NextAfterPhase(sheet));
    });
    EXPECT_TRUE(boxUnchecked);
    // Missing records, and searches that could not run; not GOOD, not NOFILE.
    const std::wstring missing = L"One or more DNS records are missing.";
    const std::wstring failed = L"The query could not be completed.";
    EXPECT_EQ((Rows{{L"DOWN", failed}, {L"EMPTY", failed}, {L"NOSRV", missing}, {L"WRONGIP", missing}}), rows);
    // Only the computers with missing records are restarted.
    EXPECT_TRUE(Restarted(L"NOSRV"));
    EXPECT_TRUE(Restarted(L"WRONGIP"));
    EXPECT_FALSE(Restarted(L"GOOD"));
    EXPECT_FALSE(Restarted(L"NOFILE"));
    const std::vector<std::wstring> expected = {
        Failed(L"DOWN", L"Unable to read IP data", HRESULT_FROM_WIN32(ERROR_BAD_NETPATH)),
        Failed(L"EMPTY", L"The Data Collector object has not been initialized.", E_FAIL),
        L"GOOD succeeded: Check DNS Records",
        L"NOFILE succeeded: Check DNS Records",
        L"NOSRV succeeded: Attempt to Update DNS Records",
        L"NOSRV succeeded: Check DNS Records",
        L"WRONGIP succeeded: Attempt to Update DNS Records",
        L"WRONGIP succeeded: Check DNS Records",
    };
    EXPECT_EQ(expected, lines);
    EXPECT_EQ(2, phase_);
    // The summary: the computers now checked (the re-registration rewrote the
    // list; its last row is unchecked, so the separator ends it), then the
    // missing ones in job order.
    EXPECT_EQ(0u, summary_.find(L"\r\nComputers Selected:\r\n\tNOSRV\r\n\tWRONGIP\r\n\t"
                                L"\r\nComputers that are missing DNS records:\r\n\t"))
        << testing::PrintToString(summary_);
    EXPECT_NE(std::wstring::npos, summary_.find(L"\r\nResults of operation:"));
    const size_t heading = summary_.find(L"missing DNS records:");
    const size_t results = summary_.find(L"Results of operation:");
    const std::wstring paragraph = summary_.substr(heading, results - heading);
    EXPECT_NE(std::wstring::npos, paragraph.find(L"\r\n\tNOSRV"));
    EXPECT_NE(std::wstring::npos, paragraph.find(L"\r\n\tWRONGIP"));
    EXPECT_EQ(std::wstring::npos, paragraph.find(L"DOWN")) << "failed searches are no missing records";
}

TEST_F(DnsWizard, AnUncheckedBoxRestartsNothing) {
    LabResetCallCounts();
    const auto lines = Run(L"GOOD,WRONGIP", [&](HWND sheet) {
        EXPECT_EQ(1, Next(sheet));
        EXPECT_EQ(kCheckPage, Next(sheet));
        EXPECT_EQ(3, Next(sheet));
        EXPECT_EQ(kResultsPage, NextAfterPhase(sheet));
        EXPECT_EQ(kRegisterPage, Next(sheet));
        EXPECT_EQ(kCompletion, Next(sheet)) << "on to the completion page";
    });
    EXPECT_EQ((std::vector<std::wstring>{L"GOOD succeeded: Check DNS Records", L"WRONGIP succeeded: Check DNS Records"}),
              lines);
    EXPECT_EQ(1, phase_);
    EXPECT_FALSE(Restarted(L"WRONGIP"));
    EXPECT_EQ(0u, LabCallCount(nullptr, "IWbemServices::ExecMethod"));
    EXPECT_EQ(0u, LabCallCount(nullptr, "CreateWbemLocator"));
    EXPECT_NE(std::wstring::npos, summary_.find(L"\r\nComputers that are missing DNS records:\r\n\tWRONGIP\r\n"));
}

TEST_F(DnsWizard, NothingMissingPassesTheResultsPageOver) {
    const auto lines = Run(L"GOOD,NOFILE,DOWN", [&](HWND sheet) {
        EXPECT_EQ(1, Next(sheet));
        EXPECT_EQ(kCheckPage, Next(sheet));
        EXPECT_EQ(3, Next(sheet));
        // A failed search alone does not show the results.
        EXPECT_EQ(kCompletion, NextAfterPhase(sheet));
    });
    EXPECT_EQ(3u, lines.size());
    EXPECT_EQ(1, phase_);
    EXPECT_NE(std::wstring::npos,
              summary_.find(L"\r\nComputers that are missing DNS records:\r\n\tNo DNS records are missing.\r\n"))
        << testing::PrintToString(summary_);
}

}  // namespace
}  // namespace vantrel
