// The multiple-computer wizard sheet: result lines and summary, the progress
// page from the common library, and whole runs through a real wizard with
// jobs of the test's own.
#include "common/ErrorText.h"
#include "resources/resource.h"
#include "tests/support/WindowDriver.h"
#include "wizards/ResultReport.h"
#include "wizards/TvSheetComputerWizard.h"
#include "wizards/pages/WizardPages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace vantrel {
namespace {

using testsupport::ProcessDialogWatcher;
using testsupport::SeenBox;
using testsupport::WaitForDialog;
using testsupport::WaitUntil;

constexpr int kNextButton = 0x3024;


// A job whose outcome its computer's name tells: "ok", "omit", "fail",
// "slow" (ok after 150 ms).
class NamedJob : public ComputerJob {
public:
    HRESULT Execute() override {
        const std::wstring name = computerName ? computerName.Get() : L"";
        status = S_OK;
        if (name.rfind(L"omit", 0) == 0) hadOmissions = 1;
        if (name.rfind(L"fail", 0) == 0) status = HRESULT_FROM_WIN32(ERROR_BAD_NETPATH);
        if (name.rfind(L"slow", 0) == 0) ::Sleep(150);
        AdvanceProgress();
        return status;
    }
};

NamedJob JobOf(const wchar_t* computer, HRESULT status, const wchar_t* message = nullptr, LONG omissions = 0) {
    NamedJob job;
    if (computer) job.computerName.Reset(::SysAllocString(computer));
    if (message) job.message.Reset(::SysAllocString(message));
    job.status = status;
    job.hadOmissions = omissions;
    return job;
}

TEST(ResultLines, EachOutcomeHasItsForm) {
    const std::wstring netpath = ResultCodeText(HRESULT_FROM_WIN32(ERROR_BAD_NETPATH));
    ASSERT_FALSE(netpath.empty());
    EXPECT_EQ(std::wstring::npos, netpath.find(L'\r'));
    struct {
        NamedJob job;
        bool executed;
        std::wstring line;
    } cases[] = {
        {JobOf(L"PC1", S_OK), true, L"PC1 succeeded: "},
        {JobOf(L"PC1", S_OK, L"done", 1), true, L"PC1 had omissions: done"},
        {JobOf(L"PC1", S_OK, nullptr, 2), true, L"PC1 succeeded: "},
        {JobOf(L"PC1", S_FALSE), true, L"PC1 cancelled: "},
        {JobOf(nullptr, HRESULT_FROM_WIN32(ERROR_BAD_NETPATH)), true,
         L"unknown computer failed: , [0x80070035] " + netpath},
        {JobOf(L"", E_FAIL, L""), true, L"unknown computer failed: , [0x80004005] " + ResultCodeText(E_FAIL)},
        // An interface-specific code has no system text.
        {JobOf(L"PC2", 0x80040200, L"why"), true, L"PC2 failed: why, [0x80040200] "},
        {JobOf(L"PC3", S_OK, L"queued"), false, L"PC3 not executed: queued"},
        {JobOf(L"PC3", E_FAIL), false, L"PC3 not executed: "},
    };
    for (const auto& c : cases) EXPECT_EQ(c.line, ResultLine(c.job, c.executed));

    // A network message comes from its own table, without its line break.
    EXPECT_EQ(ResultCodeText(HRESULT_FROM_WIN32(2221)).find(L'\n'), std::wstring::npos);
    // Lines are cut at 4095 characters.
    const std::wstring longText(5000, L'x');
    EXPECT_EQ(4095u, ResultLine(JobOf(L"PC", S_OK, longText.c_str()), true).size());
}

TEST(ResultLines, SummaryJoinsPageParagraphsThenTheResults) {
    EXPECT_EQ(L"", ComposeSummary({}, {}));
    EXPECT_EQ(L"\r\nComputers Selected:\r\n\tA\r\n", ComposeSummary({L"", L"\r\nComputers Selected:\r\n\tA", L""}, {}));
    EXPECT_EQ(L"P\r\nResults of operation:\r\n\tone\r\n\ttwo", ComposeSummary({L"P"}, {L"one", L"two"}));
}

// The computer list of these tests: a page with a fixed summary whose
// computers the collector hands out.
class FixedComputersPage final : public WizardPage {
public:
    explicit FixedComputersPage(std::wstring summary) : WizardPage(IDD_WIZARD_OPERATION), summary_(std::move(summary)) {}
    std::wstring SummaryText() const override { return summary_; }

private:
    std::wstring summary_;
};

using Sheet = TvSheetComputerWizard<NamedJob, NamedJob>;

// Message boxes (not the wizard itself, whose caption changes with its
// pages): answered with OK and kept.
class BoxAnswerer {
public:
    BoxAnswerer()
        : watcher_([this](HWND window, const SeenBox& seen) {
              if (::FindWindowExW(window, nullptr, L"#32770", nullptr)) return;  // a sheet holds its pages
              {
                  std::lock_guard<std::mutex> hold(mutex_);
                  boxes_.push_back(seen.title + L": " + seen.text);
              }
              ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
          }) {}
    std::vector<std::wstring> Stop() {
        watcher_.Stop();
        std::lock_guard<std::mutex> hold(mutex_);
        return boxes_;
    }

private:
    std::mutex mutex_;
    std::vector<std::wstring> boxes_;
    ProcessDialogWatcher watcher_;
};

class ComputerWizard : public ::testing::Test {
protected:
    void SetUp() override { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { ::CoUninitialize(); }

    // welcome, computers, operation (Next starts phase 1), progress, completion
    void Build(Sheet& sheet, std::vector<std::wstring> computers) {
        computers_ = std::move(computers);
        ASSERT_EQ(S_OK, sheet.AddPage(std::make_unique<WelcomePage>(L"Test Wizard", L"Welcome", L"Text")));
        ASSERT_EQ(S_OK, sheet.AddPage(std::make_unique<FixedComputersPage>(L"\r\nComputers Selected:\r\n\tall")));
        auto operation = std::make_unique<OperationPage>(IDD_WIZARD_OPERATION, L"Operation", L"Select next.");
        operation->SetNextHook([&sheet] { return SUCCEEDED(sheet.StartMasterThread()) ? 0 : -1; });
        ASSERT_EQ(S_OK, sheet.AddPage(std::move(operation)));
        ASSERT_EQ(S_OK, sheet.AddProgressPage());
        ASSERT_EQ(S_OK, sheet.AddPage(std::make_unique<CompletionPage>(L"Done", L"Results below.",
                                                                       [&sheet] { return sheet.Summary(); })));
        sheet.SetComputerCollector([this](std::vector<ComputerTarget>& out) {
            for (const std::wstring& name : computers_) {
                ComputerTarget target;
                target.name.Reset(::SysAllocString(name.c_str()));
                out.push_back(std::move(target));
            }
            return S_OK;
        });
    }

    static bool NextEnabled(HWND sheet) { return ::IsWindowEnabled(::GetDlgItem(sheet, kNextButton)) != FALSE; }
    static void Press(HWND sheet, int button) { ::PostMessageW(sheet, PSM_PRESSBUTTON, button, 0); }
    static HWND CurrentPage(HWND sheet) {
        return reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    }
    static int CurrentIndex(HWND sheet) {
        return static_cast<int>(::SendMessageW(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(CurrentPage(sheet)), 0));
    }

    std::vector<std::wstring> computers_;
};

TEST_F(ComputerWizard, ARunGivesOneLinePerComputerAndTheSummaryShowsThem) {
    Sheet sheet(nullptr, L"Test Wizard");
    Build(sheet, {L"ok1", L"fail1", L"omit1", L"slow1", L"ok2"});
    BoxAnswerer watcher;
    std::wstring summary;
    bool nextOffAtStart = false;
    std::thread driver([&, ui = ::GetCurrentThreadId()] {
        HWND window = WaitForDialog(ui, 10000);
        if (!window) return;
        for (int page = 1; page <= 3; ++page) {
            Press(window, PSBTN_NEXT);
            WaitUntil([&] { return CurrentIndex(window) == page; });
        }
        nextOffAtStart = !NextEnabled(window) || sheet.ResultLines().size() == 5;
        // The master thread offers Next when the phase is over.
        WaitUntil([&] { return NextEnabled(window) && sheet.ResultLines().size() == 5; }, 10000);
        Press(window, PSBTN_NEXT);
        WaitUntil([&] { return CurrentIndex(window) == 4; });
        summary = testsupport::ItemText(CurrentPage(window), IDC_WIZARD_SUMMARY);
        Press(window, PSBTN_FINISH);
    });
    sheet.Run();
    driver.join();
    EXPECT_EQ(std::vector<std::wstring>{}, watcher.Stop());
    EXPECT_TRUE(nextOffAtStart);
    std::vector<std::wstring> lines = sheet.ResultLines();
    ASSERT_EQ(5u, lines.size());
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(L"fail1 failed: , [0x80070035] " + ResultCodeText(HRESULT_FROM_WIN32(ERROR_BAD_NETPATH)), lines[0]);
    EXPECT_EQ(L"ok1 succeeded: ", lines[1]);
    EXPECT_EQ(L"ok2 succeeded: ", lines[2]);
    EXPECT_EQ(L"omit1 had omissions: ", lines[3]);
    EXPECT_EQ(L"slow1 succeeded: ", lines[4]);
    EXPECT_EQ(5u, sheet.FinishedJobs1().Size());
    // The slow computer finishes last, so its line comes last.
    EXPECT_EQ(L"\r\nComputers Selected:\r\n\tall\r\nResults of operation:", summary.substr(0, 50));
    EXPECT_NE(std::wstring::npos, summary.find(L"\r\n\tslow1 succeeded: "));
    EXPECT_EQ(summary, sheet.Summary());
}

TEST_F(ComputerWizard, CancelDuringARunStopsTheQueueAndClosesOnceTheMasterEnded) {
    std::vector<std::wstring> many;
    for (int i = 0; i < 40; ++i) many.push_back(L"slow" + std::to_wstring(i));
    Sheet sheet(nullptr, L"Test Wizard");
    Build(sheet, many);
    BoxAnswerer watcher;
    std::thread driver([&, ui = ::GetCurrentThreadId()] {
        HWND window = WaitForDialog(ui, 10000);
        if (!window) return;
        for (int page = 1; page <= 3; ++page) {
            Press(window, PSBTN_NEXT);
            WaitUntil([&] { return CurrentIndex(window) == page; });
        }
        ::Sleep(200);  // the first workers run
        Press(window, PSBTN_CANCEL);
    });
    const ULONGLONG start = ::GetTickCount64();
    sheet.Run();
    driver.join();
    EXPECT_LT(::GetTickCount64() - start, 5000u) << "40 jobs of 150 ms on 10 threads would take 600 ms; a hang more";
    EXPECT_EQ(std::vector<std::wstring>{}, watcher.Stop()) << "no box during or after the cancel";
    const std::vector<std::wstring> lines = sheet.ResultLines();
    size_t notExecuted = 0;
    for (const std::wstring& line : lines) notExecuted += line.find(L" not executed: ") != std::wstring::npos;
    EXPECT_GT(notExecuted, 0u) << "queued jobs were not started";
    EXPECT_LE(lines.size(), 40u);
    EXPECT_EQ(lines.size(), sheet.FinishedJobs1().Size());
}

TEST_F(ComputerWizard, AThirdPhaseIsRefusedAndProgressPagesAreTwoAtMost) {
    Sheet sheet(nullptr, L"Test Wizard");
    EXPECT_EQ(S_OK, sheet.AddProgressPage());
    EXPECT_EQ(S_OK, sheet.AddProgressPage());
    EXPECT_EQ(E_FAIL, sheet.AddProgressPage());
    EXPECT_EQ(2u, sheet.PageCount());
    // Without a sheet window the master threads end at once, without a box.
    BoxAnswerer watcher;
    EXPECT_EQ(S_OK, sheet.StartMasterThread());
    EXPECT_EQ(S_OK, sheet.StartMasterThread());
    EXPECT_EQ(E_FAIL, sheet.StartMasterThread());
    EXPECT_EQ(3, sheet.Phase());
    ::Sleep(300);  // the two master threads end meanwhile
    EXPECT_EQ(std::vector<std::wstring>{}, watcher.Stop());
}

TEST(MasterFailures, ContextsNameTheClassMethodAndStep) {
    EXPECT_NE(nullptr, wcsstr(MasterFailureContext(MasterFailure::Marshaling), L"marshaling error, IProgressPage interface."));
    EXPECT_NE(nullptr, wcsstr(MasterFailureContext(MasterFailure::WaitUntilActive), L"IProgressPage::WaitUntilActive."));
    EXPECT_NE(nullptr, wcsstr(MasterFailureContext(MasterFailure::SelectionLost), L"the computer selection record has been lost."));
    EXPECT_EQ(0, wcsncmp(MasterFailureContext(MasterFailure::MasterThread), L"Failed to start the master thread.Your", 38));
}

}  // namespace
}  // namespace vantrel
