#include "common/PropertySheetHost.h"

#include "SheetTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

using namespace vantrel;
using namespace sheettest;
using testsupport::WaitUntil;
using testsupport::WindowText;

namespace {

// Texts the sheet was sent, recorded by a subclass of the sheet window.
struct SentText {
    UINT message;
    WPARAM index;
    std::wstring text;
};
std::vector<SentText> g_sent;

LRESULT CALLBACK RecordSheet(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == PSM_SETHEADERTITLEW || message == PSM_SETHEADERSUBTITLEW || message == PSM_SETTITLEW)
        g_sent.push_back({message, wParam, lParam && !IS_INTRESOURCE(lParam) ? reinterpret_cast<const wchar_t*>(lParam) : L""});
    return ::DefSubclassProc(window, message, wParam, lParam);
}

bool Sent(UINT message, WPARAM index, const std::wstring& text) {
    for (const SentText& s : g_sent)
        if (s.message == message && s.index == index && s.text == text) return true;
    return false;
}

}  // namespace

TEST(Wizard, ButtonsHeadersAndTheBackNextFinishPath) {
    g_sent.clear();
    PropertySheetHost host(nullptr, 0, PSH_WIZARD97);
    RecordingPage choose(IDD_SAMPLE_WIZARD_PAGE), details(IDD_SAMPLE_WIZARD_PAGE), finish(IDD_SAMPLE_WIZARD_PAGE);
    choose.SetTitle(L"Sample Wizard");
    choose.SetHeaderTitle(L"Choose");
    choose.SetHeaderSubtitle(L"Pick what to change.");
    choose.SetWizardButtons(PSWIZB_NEXT);
    bool subclassed = false;
    choose.onSetActive = [&]() -> LRESULT {
        if (!subclassed) subclassed = ::SetWindowSubclass(choose.SheetWindow(), &RecordSheet, 1, 0);
        return 0;
    };
    details.SetTitle(L"Sample Wizard - Details");
    details.SetHeaderTitle(L"Details");
    details.onSetActive = [&]() -> LRESULT {
        details.SetHeaderSubtitle(L"Step two of three");  // after the page was added: sent to the sheet
        return 0;
    };
    int nextPresses = 0;
    details.onWizardNext = [&]() -> LRESULT { return ++nextPresses == 1 ? -1 : 0; };  // the first Next is refused
    finish.SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
    int finishPresses = 0;
    finish.onWizardFinish = [&]() -> LRESULT { return ++finishPresses == 1 ? TRUE : 0; };  // kept open once
    for (RecordingPage* page : {&choose, &details, &finish}) ASSERT_EQ(S_OK, host.AddPage(*page));
    EXPECT_TRUE(choose.Record().dwFlags & PSP_USEHEADERTITLE);
    EXPECT_TRUE(choose.Record().dwFlags & PSP_USEHEADERSUBTITLE);

    struct Seen {
        bool firstButtons = false, secondButtons = false, stayedOnRefusal = false, lastButtons = false;
        bool backWorked = false, openAfterRefusedFinish = false;
        std::wstring firstCaption, secondCaption;
    } seen;
    SheetDriver driver(::GetCurrentThreadId(), [&](HWND sheet) {
        HWND first = CurrentPage(sheet);
        seen.firstButtons =
            WaitUntil([&] { return !ButtonEnabled(sheet, kBackButton) && ButtonEnabled(sheet, kNextButton); });
        seen.firstCaption = WindowText(sheet);
        Press(sheet, PSBTN_NEXT);
        HWND second = CurrentPage(sheet);
        seen.secondButtons = second != first && WaitUntil([&] {
            return ButtonEnabled(sheet, kBackButton) && ButtonEnabled(sheet, kNextButton);
        });
        WaitUntil([&] { return WindowText(sheet) == L"Sample Wizard - Details"; }, 2000);
        seen.secondCaption = WindowText(sheet);
        Press(sheet, PSBTN_NEXT);
        seen.stayedOnRefusal = CurrentPage(sheet) == second;
        Press(sheet, PSBTN_NEXT);
        seen.lastButtons = CurrentPage(sheet) != second && WaitUntil([&] {
            return ButtonEnabled(sheet, kBackButton) && ButtonEnabled(sheet, kFinishButton);
        });
        Press(sheet, PSBTN_BACK);
        seen.backWorked = CurrentPage(sheet) == second;
        Press(sheet, PSBTN_NEXT);
        Press(sheet, PSBTN_FINISH);
        seen.openAfterRefusedFinish = ::IsWindowVisible(sheet) != FALSE;
        Press(sheet, PSBTN_FINISH);
    });
    const INT_PTR result = host.Run();
    EXPECT_TRUE(driver.Join());

    EXPECT_TRUE(seen.firstButtons);
    EXPECT_EQ(L"Sample Wizard", seen.firstCaption);
    EXPECT_TRUE(seen.secondButtons);
    EXPECT_EQ(L"Sample Wizard - Details", seen.secondCaption);
    EXPECT_TRUE(seen.stayedOnRefusal);
    EXPECT_TRUE(seen.lastButtons);
    EXPECT_TRUE(seen.backWorked);
    EXPECT_TRUE(seen.openAfterRefusedFinish);
    EXPECT_EQ(3, nextPresses);
    EXPECT_EQ(2, finishPresses);
    EXPECT_EQ(1, finish.Count(L"back"));
    EXPECT_EQ(0, choose.Count(L"apply"));
    EXPECT_NE(-1, result);
    // The subtitle set while the second page (index 1) is in the sheet went
    // to the sheet with that page's index.
    EXPECT_TRUE(Sent(PSM_SETHEADERSUBTITLEW, 1, L"Step two of three"));
    EXPECT_TRUE(Sent(PSM_SETTITLEW, 0, L"Sample Wizard - Details"));
}
