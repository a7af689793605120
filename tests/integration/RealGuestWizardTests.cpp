// The shipped Vantrel.dll's Disable Guest Accounts Wizard against Wine's own
// account functions on the local computer, walked through its real sheet.
//
// What Wine answers: NetUserModalsGet level 2 gives the account-domain
// identifier and LookupAccountSidW finds Guest by its relative identifier
// 501, but NetUserGetInfo knows only the current user and answers 2221
// (NERR_UserNotFound) for Guest. So the job stops there, before
// NetUserSetInfo, which Wine does not implement (calling it aborts the
// process): the wizard's line for the computer is a failure with 2221, where
// Windows would disable the account.
#include "Vantrel_h.h"
#include "tests/support/TestProcess.h"
#include "tests/support/WindowDriver.h"
#include "tests/support/WizardWalk.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <thread>

namespace {

using namespace testsupport;

// The read-only multi-line box of a page (the completion page's summary).
std::wstring SummaryOf(HWND page) {
    for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const LONG style = ::GetWindowLongW(child, GWL_STYLE);
        if ((style & ES_MULTILINE) && (style & ES_READONLY)) return WindowText(child);
    }
    return {};
}

TEST(RealAccounts, GuestWizardOnTheLocalComputerReportsWhatWineAnswers) {
    ComApartment apartment;
    HMODULE module = ::LoadLibraryW(BinPath(L"win32\\Vantrel.dll").c_str());
    ASSERT_NE(nullptr, module);
    auto get = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(::GetProcAddress(module, "DllGetClassObject"));
    IClassFactory* factory = nullptr;
    ASSERT_EQ(S_OK, get(CLSID_MultiComputerOp, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    IMultiComputerOp* op = nullptr;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IMultiComputerOp, reinterpret_cast<void**>(&op)));
    factory->Release();

    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(::GetComputerNameW(name, &length));
    VARIANT computers;
    computers.vt = VT_BSTR;
    computers.bstrVal = ::SysAllocString(name);
    ASSERT_EQ(S_OK, op->put_OperationType(MCO_DISABLE_GUEST_ACCOUNT));
    ASSERT_EQ(S_OK, op->put_Computers(computers));
    ::VariantClear(&computers);
    ASSERT_EQ(S_OK, op->Create(0));

    std::wstring summary;
    std::thread driver([&, ui = ::GetCurrentThreadId()] {
        HWND sheet = WaitForDialog(ui, 20000);
        if (!sheet) return;
        Next(sheet, 5000);  // computer list
        Next(sheet, 5000);  // the operation page
        Next(sheet, 5000);  // the run starts; progress
        ::Sleep(200);
        WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(sheet, 0x3024)) != FALSE; }, 30000);
        Next(sheet, 5000);
        summary = SummaryOf(CurrentPage(sheet));
        ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
        // A wizard that did not get that far is closed all the same.
        if (!WaitUntil([&] { return !::IsWindow(sheet); }, 3000)) ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    EXPECT_EQ(S_OK, op->Start());
    driver.join();
    op->Release();
    ::FreeLibrary(module);

    const std::wstring line = std::wstring(L"\r\n\t") + name + L" failed: , [0x800708AD] ";
    EXPECT_NE(std::wstring::npos, summary.find(L"Results of operation:" + line)) << testing::PrintToString(summary);
}

}  // namespace
