// The "Service Control" progress dialog and the "Stop Other Services"
// confirmation, driven through their windows, and the texts they show.
#include "ServicesTest.h"

#include "common/ErrorText.h"
#include "services/ServiceProgressDialog.h"
#include "services/StopOtherServicesDialog.h"
#include "tests/support/WindowDriver.h"

#include <commctrl.h>

#include <mutex>

namespace {

using namespace servicestest;
using namespace testsupport;
using namespace vantrel;

class ServiceDialogs : public ServicesTest {};

// --- Texts of the progress dialog (no window) -------------------------------

TEST(ServiceProgressTexts, RefreshOnNewServiceOrComputerAndOnRestartsStartPhase) {
    ServiceProgressTexts stop(ServiceControlOperation::Stop);
    ProgressTexts t = stop.OnProgress(L"Print Spooler", L"\\\\PRINT01", SERVICE_STOPPED, FALSE);
    EXPECT_TRUE(t.refresh);
    EXPECT_EQ(L"Attempting to stop the following service on PRINT01.", t.message);
    EXPECT_EQ(L"Print Spooler", t.service);
    EXPECT_FALSE(t.fill);
    EXPECT_FALSE(stop.OnProgress(L"print spooler", L"\\\\print01", SERVICE_STOPPED, FALSE).refresh);
    EXPECT_TRUE(stop.OnProgress(L"print spooler", L"\\\\print01", SERVICE_STOPPED, TRUE).fill);
    EXPECT_TRUE(stop.OnProgress(L"Fax", L"\\\\print01", SERVICE_STOPPED, FALSE).refresh);

    ServiceProgressTexts restart(ServiceControlOperation::Restart);
    EXPECT_EQ(L"Attempting to stop the following service on FS01.",
              restart.OnProgress(L"Server", L"FS01", SERVICE_STOPPED, FALSE).message);
    t = restart.OnProgress(L"Server", L"FS01", SERVICE_RUNNING, FALSE);
    EXPECT_TRUE(t.refresh);
    EXPECT_EQ(L"Attempting to start the following service on FS01.", t.message);
    for (auto [op, verb] : {std::pair{ServiceControlOperation::Start, L"start"},
                            std::pair{ServiceControlOperation::Pause, L"pause"},
                            std::pair{ServiceControlOperation::Resume, L"resume"}}) {
        ServiceProgressTexts texts(op);
        EXPECT_EQ(std::wstring(L"Attempting to ") + verb + L" the following service on X.",
                  texts.OnProgress(L"S", L"\\\\X", SERVICE_RUNNING, FALSE).message);
    }
}

// Only a service-specific failure names its code (that text is checked through
// the job's boxes).
TEST(ServiceProgressTexts, FailureTexts) {
    SERVICE_STATUS_PROCESS st{};
    st.dwServiceSpecificExitCode = 5;
    EXPECT_EQ(L"Update Helper service on computer ADMIN01.",
              ServiceProgressTexts::FailureText(L"Update Helper", L"ADMIN01", static_cast<HRESULT>(0x8007041D), st));
}

// --- Windows ------------------------------------------------------------------

TEST_F(ServiceDialogs, StopOtherServicesAsksWithTheNames) {
    std::mutex m;
    std::wstring prompt;
    std::vector<std::wstring> items;
    for (const auto& [answer, expected] : {std::pair{IDCANCEL, 2}, std::pair{IDOK, 1}}) {
        ProcessDialogWatcher watcher([&, answer = answer](HWND window, const SeenBox& seen) {
            if (seen.title != L"Stop Other Services") return;
            std::lock_guard<std::mutex> lock(m);
            prompt = ItemText(window, 207);
            items = ListBoxItems(window, 202);
            ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
        });
        EXPECT_EQ(expected, AskStopOtherServices(nullptr, L"Print Spooler", {L"LPD Service", L"Fax"}));
        watcher.Stop();
        EXPECT_EQ(L"When Print Spooler stops, these other services will also stop.", prompt);
        EXPECT_EQ((std::vector<std::wstring>{L"LPD Service", L"Fax"}), items);
    }
}

TEST_F(ServiceDialogs, ProgressDialogShowsReportsAndErrors) {
    auto scm = Open(L"\\\\PRINT01");
    ServiceRef spooler(L"Spooler", scm.Get());
    ServiceProgressDialog dialog(ServiceControlOperation::Stop, false);
    ASSERT_EQ(S_OK, dialog.Create(nullptr));
    const HWND window = dialog.Window();
    ASSERT_NE(nullptr, window);
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_EQ(L"Service Control", testsupport::WindowText(window));

    SERVICE_STATUS_PROCESS st{};
    BOOL cancel = TRUE;
    dialog.OnServiceStatus(spooler, FALSE, SERVICE_STOPPED, S_OK, st, &cancel);
    EXPECT_FALSE(cancel);
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(window, IDCANCEL)));
    EXPECT_EQ(L"Attempting to stop the following service on PRINT01.", ItemText(window, 211));
    EXPECT_EQ(L"Print Spooler", ItemText(window, 207));
    dialog.OnServiceStatus(spooler, TRUE, SERVICE_STOPPED, S_OK, st, &cancel);
    EXPECT_EQ(20, ::SendDlgItemMessageW(window, 208, PBM_GETPOS, 0, 0));

    ProcessDialogWatcher watcher(AnswerBoxes(IDOK, {L"Service Control"}));
    st.dwServiceSpecificExitCode = 5;
    dialog.OnServiceStatus(spooler, FALSE, SERVICE_STOPPED, static_cast<HRESULT>(0x8007042A), st, &cancel);
    const auto errors = Titled(watcher.Stop(), L"Error");
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ(ComposeErrorMessage(0x8007042A, L"The Print Spooler service on computer \\\\PRINT01. return error code: 5"),
              errors[0].text);
    EXPECT_EQ(window, errors[0].owner);

    // The user closes it: later reports find no window.
    ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(nullptr, dialog.Window());
    dialog.OnServiceStatus(spooler, FALSE, SERVICE_STOPPED, S_OK, st, &cancel);
    dialog.Close();
    EXPECT_FALSE(::IsWindow(window));
}

TEST_F(ServiceDialogs, SynchronousRunsHideTheCloseButton) {
    auto scm = Open(L"ADMIN01");
    ServiceRef bits(L"BITS", scm.Get());
    ServiceProgressDialog dialog(ServiceControlOperation::Start, true);
    ASSERT_EQ(S_OK, dialog.Create(nullptr));
    SERVICE_STATUS_PROCESS st{};
    BOOL cancel = FALSE;
    dialog.OnServiceStatus(bits, FALSE, SERVICE_RUNNING, S_OK, st, &cancel);
    EXPECT_TRUE(::IsWindowVisible(dialog.Window()));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(dialog.Window(), IDCANCEL)));
    EXPECT_EQ(L"Attempting to start the following service on ADMIN01.", ItemText(dialog.Window(), 211));
}

}  // namespace
