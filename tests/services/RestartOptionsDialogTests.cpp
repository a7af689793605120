// "Restart Computer Options" driven through its window.
#include "resources/ServiceConfigIds.h"
#include "services/RestartOptionsDialog.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

using namespace vantrel;

namespace {

const std::wstring kDefault =
    L"Your computer is connected to the computer named srv01.  The Print Spooler service on srv01 has ended "
    L"unexpectedly.  srv01 will restart automatically, and then you can reestablish the connection.";

TEST(RebootMessage, DefaultTextNamesTheComputerWithoutBackslashes) {
    EXPECT_EQ(kDefault, DefaultRebootMessage(L"\\\\srv01", L"Print Spooler"));
    EXPECT_EQ(kDefault, DefaultRebootMessage(L"srv01", L"Print Spooler"));
}

using testsupport::ItemText;

bool Ticked(HWND dialog) { return ::SendMessageW(::GetDlgItem(dialog, IDC_SEND_MESSAGE), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Click(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Runs the dialog on this thread while `script` works its window from
// another thread; the script ends it with a button.
INT_PTR Drive(RebootOptions& options, const std::function<void(HWND)>& script) {
    bool found = false;
    std::thread driver([&, ui = ::GetCurrentThreadId()] {
        if (HWND dialog = testsupport::WaitForDialog(ui, 5000, L"Restart Computer Options")) {
            found = true;
            script(dialog);
        }
    });
    RestartOptionsDialog dialog(L"\\\\srv01", L"Print Spooler", options);
    const INT_PTR result = dialog.Run(nullptr);
    driver.join();
    EXPECT_TRUE(found);
    return result;
}

TEST(RestartOptionsWindow, TickingOffersTheDefaultMessageAndOkStoresIt) {
    RebootOptions options;
    options.delayMs = 120000;
    const INT_PTR result = Drive(options, [](HWND d) {
        EXPECT_EQ(L"2", ItemText(d, IDC_RESTART_MINUTES));
        EXPECT_FALSE(Ticked(d));
        EXPECT_EQ(L"", ItemText(d, IDC_REBOOT_MESSAGE));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(d, IDC_REBOOT_MESSAGE)));
        Click(d, IDC_SEND_MESSAGE);
        EXPECT_EQ(kDefault, ItemText(d, IDC_REBOOT_MESSAGE));
        ::SetDlgItemTextW(d, IDC_RESTART_MINUTES, L"5");
        Click(d, IDOK);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(300000u, options.delayMs);
    EXPECT_TRUE(options.sendMessage);
    ASSERT_TRUE(options.message.has_value());
    EXPECT_EQ(kDefault, *options.message);
}

TEST(RestartOptionsWindow, StoredMessageShowsTickedAndCancelKeepsEverything) {
    RebootOptions options{60000, true, std::wstring(L"Back in five minutes.")};
    const INT_PTR result = Drive(options, [](HWND d) {
        EXPECT_TRUE(Ticked(d));
        EXPECT_EQ(L"Back in five minutes.", ItemText(d, IDC_REBOOT_MESSAGE));
        Click(d, IDC_SEND_MESSAGE);
        EXPECT_EQ(L"", ItemText(d, IDC_REBOOT_MESSAGE));
        Click(d, IDC_SEND_MESSAGE);  // the stored message comes back, not the default
        EXPECT_EQ(L"Back in five minutes.", ItemText(d, IDC_REBOOT_MESSAGE));
        ::SetDlgItemTextW(d, IDC_RESTART_MINUTES, L"9");
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(60000u, options.delayMs);
    EXPECT_EQ(L"Back in five minutes.", options.message.value_or(L"<none>"));
}

TEST(RestartOptionsWindow, UntickedOkStoresNoMessage) {
    RebootOptions options{0, true, std::wstring(L"Old text")};
    const INT_PTR result = Drive(options, [](HWND d) {
        Click(d, IDC_SEND_MESSAGE);
        ::SetDlgItemTextW(d, IDC_REBOOT_MESSAGE, L"typed then unticked");
        Click(d, IDOK);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_FALSE(options.sendMessage);
    EXPECT_FALSE(options.message.has_value());
    EXPECT_EQ(0u, options.delayMs);
}

}  // namespace
