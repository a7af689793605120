#pragma once
// Walking a multiple-computer wizard from a test: the sheet built for an
// operation runs modally on the test's thread while a walk works it from
// another, as a person at the screen would; new dialogs of the process go to
// a handler. Beside it the fixture of the lab-backed wizard tests.
#include "lab/LabControl.h"
#include "resources/WizardsIds.h"
#include "tests/support/WindowDriver.h"
#include "tests/support/WizardWalk.h"
#include "wizards/OperationWizards.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <prsht.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace wizardtest {

using testsupport::CurrentIndex;
using testsupport::CurrentPage;
using testsupport::Next;

constexpr int kNextButton = 0x3024;

// Runs `sheet` while `walk` works it; a wizard the walk leaves open is
// cancelled (and given `closeMs` to close). Returns the result lines in the
// sheet's order.
inline std::vector<std::wstring> RunSheet(vantrel::ComputerWizardSheet& sheet,
                                          testsupport::ProcessDialogWatcher::Handler handler,
                                          const std::function<void(HWND)>& walk, DWORD closeMs = 3000) {
    testsupport::ProcessDialogWatcher watcher(std::move(handler));
    std::thread driver([&, ui = ::GetCurrentThreadId()] {
        HWND window = testsupport::WaitForDialog(ui, 10000);
        if (!window) return;
        walk(window);
        if (!testsupport::WaitUntil([&] { return !::IsWindow(window); }, 3000)) {
            ::PostMessageW(window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            testsupport::WaitUntil([&] { return !::IsWindow(window); }, closeMs);
            ::PostMessageW(window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        }
    });
    sheet.Run();
    driver.join();
    watcher.Stop();
    return sheet.ResultLines();
}

// Builds the operation's wizard for `computers` (names separated by commas)
// and runs it as RunSheet does; `built` receives the sheet when asked for.
inline std::vector<std::wstring> RunOperation(long operation, const wchar_t* computers,
                                              testsupport::ProcessDialogWatcher::Handler handler,
                                              const std::function<void(HWND)>& walk,
                                              std::unique_ptr<vantrel::ComputerWizardSheet>* built = nullptr) {
    VARIANT value;
    value.vt = VT_BSTR;
    value.bstrVal = ::SysAllocString(computers);
    std::unique_ptr<vantrel::ComputerWizardSheet> wizard;
    const HRESULT hr = vantrel::BuildOperationWizard(operation, nullptr, &value, wizard);
    ::VariantClear(&value);
    EXPECT_EQ(S_OK, hr);
    if (FAILED(hr)) return {};
    std::vector<std::wstring> lines = RunSheet(*wizard, std::move(handler), walk);
    if (built) *built = std::move(wizard);
    return lines;
}

// From a progress page: waits until the phase has ended and Next is offered.
inline void WaitForPhaseEnd(HWND sheet, DWORD timeoutMs = 20000) {
    testsupport::WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(sheet, kNextButton)) != FALSE; }, timeoutMs);
    ::Sleep(100);
}

// The rows of a report list, their cells joined by " | ".
inline std::vector<std::wstring> ListRows(HWND list, int columns) {
    std::vector<std::wstring> rows;
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
        std::wstring line;
        for (int column = 0; column < columns; ++column) {
            wchar_t text[512] = {};
            ListView_GetItemText(list, row, column, text, 512);
            line += (column ? L" | " : L"") + std::wstring(text);
        }
        rows.push_back(line);
    }
    return rows;
}

// Each test starts from a fresh lab holding `scenario`, in an apartment of
// its own, and ends with nothing left to release. The boxes the wizard shows
// (not the wizard itself) are answered with OK and kept.
class LabWizardTest : public ::testing::Test {
protected:
    explicit LabWizardTest(std::string scenario) : scenario_(std::move(scenario)) {}
    void SetUp() override {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_EQ(0u, LabReset());
        std::wstring error;
        ASSERT_EQ(0u, lab::LoadScenarioText(scenario_, &error)) << error;
    }
    void TearDown() override {
        testsupport::WaitUntil([] { return lab::LeakReport() == L"clean"; });
        EXPECT_EQ(L"clean", lab::LeakReport());
        LabSetVirtualClock(FALSE);
        LabReset();
        ::CoUninitialize();
    }
    testsupport::ProcessDialogWatcher::Handler KeepBoxes() {
        return [this](HWND window, const testsupport::SeenBox& seen) { KeepBox(window, seen); };
    }
    void KeepBox(HWND window, const testsupport::SeenBox& seen) {
        if (::FindWindowExW(window, nullptr, L"#32770", nullptr)) return;  // the wizard itself
        std::lock_guard<std::mutex> hold(mutex_);
        boxes_.push_back(seen);
        ::PostMessageW(window, WM_COMMAND, IDOK, 0);
    }
    // From the completion page: keeps the summary and finishes.
    void Finish(HWND sheet) {
        summary_ = testsupport::ItemText(CurrentPage(sheet), IDC_WIZARD_SUMMARY);
        ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    }

    std::string scenario_;
    std::mutex mutex_;
    std::vector<testsupport::SeenBox> boxes_;
    std::wstring summary_;
};

}  // namespace wizardtest
