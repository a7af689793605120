#include "common/HelpControl.h"
#include "common/PropertySheetHost.h"

#include "SheetTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vantrel;
using namespace sheettest;
using testsupport::WaitUntil;
using testsupport::WindowText;

namespace {

std::wstring FixturePath(const wchar_t* file) {
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir(exe);
    return dir.substr(0, dir.find_last_of(L"\\/")) + L"\\fixtures\\" + file;
}

// What the stand-in help control was last asked.
struct HelpCall {
    LONG calls = 0;
    HWND owner = nullptr;
    std::wstring file;
    UINT command = 0;
    DWORD_PTR data = 0;
};

HelpCall LastHelpCall(const std::wstring& library) {
    using Reader = LONG(WINAPI*)(HWND*, WCHAR*, UINT*, DWORD_PTR*);
    HelpCall call;
    HMODULE module = ::GetModuleHandleW(library.c_str());
    auto read = module ? reinterpret_cast<Reader>(::GetProcAddress(module, "FakeHelpLastCall")) : nullptr;
    if (!read) return call;
    WCHAR file[MAX_PATH] = {};
    call.calls = read(&call.owner, file, &call.command, &call.data);
    call.file = file;
    return call;
}

}  // namespace

TEST(PropertySheetHost, RoutesPageMessagesAndNotificationsToTheirHandlers) {
    PropertySheetHost host(nullptr, IDS_SAMPLE_CAPTION, PSH_NOCONTEXTHELP);
    host.SetCaption(L"Sample Sheet (SRV1)");
    RecordingPage first(IDD_SAMPLE_PAGE_A);
    RecordingPage second(IDD_SAMPLE_PAGE_B);
    second.SetTitle(L"Beta on SRV1");
    first.onNotify = [](const NMHDR& header) -> LRESULT { return header.code == NM_CLICK ? 42 : 0; };
    ASSERT_EQ(S_OK, host.AddPage(first));
    ASSERT_EQ(S_OK, host.AddPage(second));

    struct Seen {
        std::wstring caption, captionOnSecond;
        HWND firstWindow = nullptr, firstParent = nullptr, edit = nullptr;
        LRESULT notifyResult = 0;
    } seen;
    SheetDriver driver(::GetCurrentThreadId(), [&](HWND sheet) {
        seen.caption = WindowText(sheet);
        HWND page = CurrentPage(sheet);
        seen.firstParent = ::GetParent(page);
        seen.edit = ::GetDlgItem(page, IDC_SAMPLE_EDIT);
        ::SetWindowTextW(seen.edit, L"x");  // EN_CHANGE reaches OnCommand
        NMHDR header{::GetDlgItem(page, IDC_SAMPLE_CHECK), IDC_SAMPLE_CHECK, static_cast<UINT>(NM_CLICK)};
        seen.notifyResult = ::SendMessageW(page, WM_NOTIFY, IDC_SAMPLE_CHECK, reinterpret_cast<LPARAM>(&header));
        ::SendMessageW(page, kPagePrivateMessage, 7, 8);
        ::SendMessageW(page, WM_APP + 1, 0, 0);
        ::SendMessageW(sheet, PSM_SETCURSEL, 1, 0);
        WaitUntil([&] { return WindowText(sheet) == L"Beta on SRV1"; }, 2000);
        seen.captionOnSecond = WindowText(sheet);
        Press(sheet, PSBTN_CANCEL);
    });
    const INT_PTR result = host.Run();
    EXPECT_TRUE(driver.Join());

    EXPECT_EQ(0, result);  // closed without applied changes
    EXPECT_EQ(L"Sample Sheet (SRV1)", seen.caption);
    EXPECT_EQ(L"Beta on SRV1", seen.captionOnSecond);
    EXPECT_EQ(driver.Sheet(), seen.firstParent);
    EXPECT_EQ(42, seen.notifyResult);
    EXPECT_EQ(seen.edit, first.CommandControl());
    // In order, among what else the platform sends (other notifications,
    // EN_UPDATE before EN_CHANGE).
    const std::vector<std::wstring> expected{L"init",      L"active",      L"command 1000 768",
                                             L"notify -2", L"private 7 8", L"other 32769"};
    std::vector<std::wstring> events = first.Events();
    events.erase(std::remove_if(events.begin(), events.end(),
                                [&](const std::wstring& e) {
                                    return std::find(expected.begin(), expected.end(), e) == expected.end();
                                }),
                 events.end());
    EXPECT_EQ(expected, events);
    EXPECT_EQ(1, second.Count(L"init"));
    EXPECT_EQ(1, second.Count(L"active"));
    EXPECT_EQ(0, first.Count(L"apply") + second.Count(L"apply"));  // Cancel applies nothing
    EXPECT_EQ(nullptr, first.Window());  // unbound when the window went
}

TEST(PropertySheetHost, ApplyFollowsThePagesModifiedState) {
    PropertySheetHost host(nullptr, IDS_SAMPLE_CAPTION, PSH_NOCONTEXTHELP);
    RecordingPage page(IDD_SAMPLE_PAGE_A);
    std::wstring written;
    page.onCommand = [&](UINT id, UINT code, HWND) {
        if (id == IDC_SAMPLE_EDIT && code == EN_CHANGE) page.SetModified(true);
    };
    page.onApply = [&]() -> LRESULT {
        wchar_t text[64] = {};
        ::GetDlgItemTextW(page.Window(), IDC_SAMPLE_EDIT, text, 64);
        if (std::wstring(text) == L"bad") return PSNRET_INVALID_NOCHANGEPAGE;
        written = text;
        page.SetModified(false);
        return PSNRET_NOERROR;
    };
    ASSERT_EQ(S_OK, host.AddPage(page));

    struct Seen {
        bool applyAtStart = true, applyAfterEdit = false, applyAfterRefusal = false, applyAfterApply = true;
        bool openAfterRefusal = false, modifiedAfterRefusal = false, modifiedAfterApply = true;
        std::wstring writtenBeforeOk;
    } seen;
    SheetDriver driver(::GetCurrentThreadId(), [&](HWND sheet) {
        HWND edit = ::GetDlgItem(CurrentPage(sheet), IDC_SAMPLE_EDIT);
        seen.applyAtStart = ButtonEnabled(sheet, kApplyButton);
        ::SetWindowTextW(edit, L"bad");
        seen.applyAfterEdit = ButtonEnabled(sheet, kApplyButton);
        Press(sheet, PSBTN_APPLYNOW);
        seen.openAfterRefusal = ::IsWindowVisible(sheet) != FALSE;
        seen.applyAfterRefusal = ButtonEnabled(sheet, kApplyButton);
        seen.modifiedAfterRefusal = page.IsModified();
        ::SetWindowTextW(edit, L"good");
        Press(sheet, PSBTN_APPLYNOW);
        seen.applyAfterApply = ButtonEnabled(sheet, kApplyButton);
        seen.modifiedAfterApply = page.IsModified();
        seen.writtenBeforeOk = written;
        ::SetWindowTextW(edit, L"final");
        Press(sheet, PSBTN_OK);
    });
    const INT_PTR result = host.Run();
    EXPECT_TRUE(driver.Join());

    EXPECT_FALSE(seen.applyAtStart);
    EXPECT_TRUE(seen.applyAfterEdit);
    EXPECT_TRUE(seen.openAfterRefusal);
    EXPECT_TRUE(seen.applyAfterRefusal);  // a refused apply leaves the page changed
    EXPECT_TRUE(seen.modifiedAfterRefusal);
    EXPECT_FALSE(seen.applyAfterApply);
    EXPECT_FALSE(seen.modifiedAfterApply);
    EXPECT_EQ(L"good", seen.writtenBeforeOk);
    EXPECT_EQ(L"final", written);  // OK applies what is left
    EXPECT_EQ(3, page.Count(L"apply"));
    EXPECT_GT(result, 0);  // changes were applied
    EXPECT_EQ(result, host.Result());
}

TEST(PropertySheetHost, ContextHelpGoesToTheHelpControlOnlyWhenThePageHasIt) {
    const std::wstring fake = FixturePath(L"fakehelp.dll");
    HelpControl stand(fake);
    HelpControl missing(L"no-such-help-control.ocx");
    ASSERT_TRUE(stand.Available());
    EXPECT_FALSE(missing.Available());
    EXPECT_EQ(nullptr, missing.ShowContext(nullptr, L"x.chm", 1));

    PropertySheetHost host(nullptr, IDS_SAMPLE_CAPTION, 0);
    RecordingPage withHelp(IDD_SAMPLE_PAGE_A), noContext(IDD_SAMPLE_PAGE_B), missingControl(IDD_SAMPLE_PAGE_B);
    withHelp.SetHelp(L"vantrel.chm", 4711, &stand);
    noContext.SetHelp(L"vantrel.chm", kNoHelpContext, &stand);
    missingControl.SetHelp(L"vantrel.chm", 12, &missing);
    ASSERT_EQ(S_OK, host.AddPage(withHelp));
    ASSERT_EQ(S_OK, host.AddPage(noContext));
    ASSERT_EQ(S_OK, host.AddPage(missingControl));

    HelpCall afterFirst, afterOthers;
    HWND firstPage = nullptr;
    SheetDriver driver(::GetCurrentThreadId(), [&](HWND sheet) {
        HELPINFO info{sizeof(info), HELPINFO_WINDOW, IDC_SAMPLE_EDIT, nullptr, 0, {0, 0}};
        firstPage = CurrentPage(sheet);
        ::SendMessageW(firstPage, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        afterFirst = LastHelpCall(fake);
        for (int index : {1, 2}) {
            ::SendMessageW(sheet, PSM_SETCURSEL, index, 0);
            ::SendMessageW(CurrentPage(sheet), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        }
        afterOthers = LastHelpCall(fake);
        Press(sheet, PSBTN_CANCEL);
    });
    host.Run();
    EXPECT_TRUE(driver.Join());

    EXPECT_EQ(1, afterFirst.calls);
    EXPECT_EQ(firstPage, afterFirst.owner);
    EXPECT_EQ(L"vantrel.chm", afterFirst.file);
    EXPECT_EQ(15u, afterFirst.command);  // HH_HELP_CONTEXT
    EXPECT_EQ(4711u, afterFirst.data);
    EXPECT_EQ(1, afterOthers.calls);  // no context, and a missing control: nothing
}

TEST(PropertySheetHost, ModelessRunDispatchesTheThreadsMessagesUntilClosed) {
    PropertySheetHost host(nullptr, IDS_SAMPLE_CAPTION, PSH_MODELESS | PSH_NOCONTEXTHELP);
    RecordingPage page(IDD_SAMPLE_PAGE_A);
    page.onCommand = [&](UINT id, UINT code, HWND) {
        if (id == IDC_SAMPLE_EDIT && code == EN_CHANGE) page.SetModified(true);
    };
    ASSERT_EQ(S_OK, host.AddPage(page));
    // A thread timer fires only when the running loop dispatches.
    static LONG ticks = 0;
    ticks = 0;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) { ::InterlockedIncrement(&ticks); });
    bool ticked = false;
    SheetDriver driver(::GetCurrentThreadId(), [&](HWND sheet) {
        ticked = WaitUntil([] { return ticks > 2; }, 3000);
        ::SetWindowTextW(::GetDlgItem(CurrentPage(sheet), IDC_SAMPLE_EDIT), L"changed");
        Press(sheet, PSBTN_OK);
    });
    const INT_PTR result = host.Run();
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(driver.Join());
    EXPECT_TRUE(ticked);
    EXPECT_FALSE(::IsWindow(driver.Sheet()));  // the run destroys its sheet
    EXPECT_EQ(1, page.Count(L"apply"));
    EXPECT_GT(result, 0);
}

TEST(PropertySheetHost, ModelessRunEndsOnQuitAndPassesItOn) {
    PropertySheetHost host(nullptr, IDS_SAMPLE_CAPTION, PSH_MODELESS);
    ASSERT_EQ(S_OK, host.AddPage(std::make_unique<RecordingPage>()));
    const DWORD self = ::GetCurrentThreadId();
    SheetDriver driver(self, [&](HWND) { ::PostThreadMessageW(self, WM_QUIT, 5, 0); });
    host.Run();
    EXPECT_TRUE(driver.Join());
    EXPECT_FALSE(::IsWindow(driver.Sheet()));
    MSG quit{};
    ASSERT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(5u, quit.wParam);
}

TEST(PropertySheetHost, OwnsPagesWhenToldIgnoresNullsAndRunsOnce) {
    bool ownedGone = false, borrowedGone = false;
    {
        RecordingPage borrowed(IDD_SAMPLE_PAGE_B, &borrowedGone);
        {
            PropertySheetHost host(nullptr, IDS_SAMPLE_CAPTION, 0);
            EXPECT_EQ(S_FALSE, host.AddPage(std::unique_ptr<PropertyPage>()));
            host.AddPageHandle(nullptr);
            EXPECT_EQ(0u, host.PageCount());
            ASSERT_EQ(S_OK, host.AddPage(std::make_unique<RecordingPage>(IDD_SAMPLE_PAGE_A, &ownedGone)));
            ASSERT_EQ(S_OK, host.AddPage(borrowed));
            EXPECT_EQ(2u, host.PageCount());
            EXPECT_EQ(&host, borrowed.Host());
            // Never run: the host destroys the handles and its own pages.
        }
        EXPECT_TRUE(ownedGone);
        EXPECT_FALSE(borrowedGone);
    }
    EXPECT_TRUE(borrowedGone);

    PropertySheetHost host(nullptr, IDS_SAMPLE_CAPTION, 0);
    ASSERT_EQ(S_OK, host.AddPage(std::make_unique<RecordingPage>()));
    SheetDriver driver(::GetCurrentThreadId(), [](HWND sheet) { Press(sheet, PSBTN_CANCEL); });
    EXPECT_EQ(0, host.Run());
    EXPECT_TRUE(driver.Join());
    EXPECT_EQ(-1, host.Run());  // the platform took the page handles
}

