#pragma once
// Walking a multiple-computer wizard from a test: the sheet built for an
// operation runs modally on the test's thread while a walk works it from
// another, as a person at the screen would; new dialogs of the process go to
// a handler.
#include "tests/support/WindowDriver.h"
#include "tests/support/WizardWalk.h"
#include "wizards/OperationWizards.h"

#include <gtest/gtest.h>

#include <prsht.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace wizardtest {

using testsupport::CurrentIndex;
using testsupport::CurrentPage;
using testsupport::Next;

// Builds the operation's wizard for `computers` (names separated by commas)
// and runs it while `walk` works it; a wizard the walk leaves open is
// cancelled. Returns the result lines in the sheet's order.
inline std::vector<std::wstring> RunOperation(long operation, const wchar_t* computers,
                                              testsupport::ProcessDialogWatcher::Handler handler,
                                              const std::function<void(HWND)>& walk) {
    VARIANT value;
    value.vt = VT_BSTR;
    value.bstrVal = ::SysAllocString(computers);
    std::unique_ptr<vantrel::ComputerWizardSheet> wizard;
    const HRESULT built = vantrel::BuildOperationWizard(operation, nullptr, &value, wizard);
    ::VariantClear(&value);
    EXPECT_EQ(S_OK, built);
    if (FAILED(built)) return {};
    testsupport::ProcessDialogWatcher watcher(std::move(handler));
    std::thread driver([&, ui = ::GetCurrentThreadId()] {
        HWND sheet = testsupport::WaitForDialog(ui, 10000);
        if (!sheet) return;
        walk(sheet);
        if (!testsupport::WaitUntil([&] { return !::IsWindow(sheet); }, 3000)) {
            ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            testsupport::WaitUntil([&] { return !::IsWindow(sheet); }, 3000);
            ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        }
    });
    wizard->Run();
    driver.join();
    watcher.Stop();
    return wizard->ResultLines();
}

}  // namespace wizardtest
