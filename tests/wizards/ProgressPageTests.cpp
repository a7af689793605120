// The common library's progress page on its own: used from another thread
// through the global interface table, as the wizards' master threads and jobs
// use it.
#include "common/ComPtr.h"
#include "common/PropertySheetHost.h"
#include "companions/commonui/CommonUIResources.h"
#include "companions/commonui/ProgressTexts.h"
#include "tests/support/WindowDriver.h"
#include "wizards/ProgressPageLibrary.h"
#include "wizards/pages/WizardPages.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <thread>

namespace vantrel {
namespace {

using testsupport::ItemText;
using testsupport::WaitForDialog;
using testsupport::WaitUntil;

TEST(ProgressTexts, StepsElapsedTimeAndBar) {
    EXPECT_EQ(L"", commonui::StepsText(0, 0));
    EXPECT_EQ(L"3 of 10 done", commonui::StepsText(3, 10));
    EXPECT_EQ(L"Elapsed time: 0:00:00", commonui::ElapsedText(999));
    EXPECT_EQ(L"Elapsed time: 0:01:05", commonui::ElapsedText(65000));
    EXPECT_EQ(L"Elapsed time: 25:00:01", commonui::ElapsedText(90001000));
    const struct {
        long done, steps;
        int position;
    } bars[] = {{0, 0, 0}, {1, 0, 0}, {0, 7, 0}, {1, 3, 333}, {3, 3, 1000}, {5, 3, 1000}};
    for (const auto& b : bars) EXPECT_EQ(b.position, commonui::BarPosition(b.done, b.steps)) << b.done << "/" << b.steps;
}

class ProgressPageAlone : public ::testing::Test {
protected:
    void SetUp() override {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IGlobalInterfaceTable, table_.PutVoid()));
    }
    void TearDown() override {
        table_.Reset();
        ::CoUninitialize();
    }

    // The page from another thread, as a master thread gets it.
    ComPtr<IProgressPage> FromTable(DWORD cookie) {
        ComPtr<IProgressPage> page;
        EXPECT_EQ(S_OK, table_->GetInterfaceFromGlobal(cookie, IID_IProgressPage, page.PutVoid()));
        return page;
    }

    ComPtr<IGlobalInterfaceTable> table_;
};

TEST_F(ProgressPageAlone, OtherThreadsWaitForItAndMoveItsBar) {
    ProgressPageLibrary library;
    HPROPSHEETPAGE handle = nullptr;
    ComPtr<IProgressPage> progress;
    ASSERT_EQ(S_OK, library.CreatePage(&handle, progress.Put()));
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, table_->RegisterInterfaceInGlobal(progress.Get(), IID_IProgressPage, &cookie));
    EXPECT_EQ(E_INVALIDARG, progress->SetStepCount(-1));

    PropertySheetHost host(nullptr, 0, PSH_WIZARD97 | PSH_MODELESS);
    ASSERT_EQ(S_OK, host.AddPage(std::make_unique<WelcomePage>(L"Progress test", L"Welcome", L"")));
    host.AddPageHandle(handle);

    HRESULT beforeActive = S_OK, whenActive = E_FAIL, afterClose = S_OK;
    std::wstring status, steps, elapsed, full;
    int bar = -1;
    std::thread master([&, ui = ::GetCurrentThreadId()] {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            ComPtr<IProgressPage> page = FromTable(cookie);
            HWND sheet = WaitForDialog(ui, 10000);
            if (page && sheet) {
                beforeActive = page->WaitUntilActive(100);
                ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
                whenActive = page->WaitUntilActive(INFINITE);
                UniqueBstr text(::SysAllocString(L"Processing jobs"));
                page->SetStatusText(text.Get());
                page->SetStepCount(4);
                page->Step();
                page->Step();
                HWND current = nullptr;
                WaitUntil([&] {
                    current = PropSheet_GetCurrentPageHwnd(sheet);
                    return current && ItemText(current, IDC_PROGRESS_STEPS) == L"2 of 4 done";
                });
                status = ItemText(current, IDC_PROGRESS_STATUS);
                steps = ItemText(current, IDC_PROGRESS_STEPS);
                elapsed = ItemText(current, IDC_PROGRESS_ELAPSED);
                bar = static_cast<int>(::SendDlgItemMessageW(current, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0));
                for (int i = 0; i < 5; ++i) page->Step();  // never past the count
                WaitUntil([&] { return ItemText(current, IDC_PROGRESS_STEPS) == L"4 of 4 done"; });
                full = ItemText(current, IDC_PROGRESS_STEPS);
                ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
                WaitUntil([&] { return !::IsWindow(sheet); });
                afterClose = page->WaitUntilActive(INFINITE);
            }
        }
        ::CoUninitialize();
    });
    host.Run();
    master.join();
    EXPECT_EQ(HRESULT_FROM_WIN32(WAIT_TIMEOUT), beforeActive);
    EXPECT_EQ(S_OK, whenActive);
    EXPECT_EQ(L"Processing jobs", status);
    EXPECT_EQ(L"2 of 4 done", steps);
    EXPECT_EQ(0u, elapsed.rfind(L"Elapsed time: 0:00:0", 0)) << testing::PrintToString(elapsed);
    EXPECT_EQ(500, bar);
    EXPECT_EQ(L"4 of 4 done", full);
    EXPECT_EQ(E_ABORT, afterClose) << "the page went with its sheet";
    // Once the page is gone, calls still answer and draw nothing.
    EXPECT_EQ(S_OK, progress->Step());
    EXPECT_EQ(E_ABORT, progress->WaitUntilActive(0));
    EXPECT_EQ(S_OK, table_->RevokeInterfaceFromGlobal(cookie));
}

TEST_F(ProgressPageAlone, ThePageThreadsOwnWaitDispatchesItsMessages) {
    ProgressPageLibrary library;
    HPROPSHEETPAGE handle = nullptr;
    ComPtr<IProgressPage> progress;
    ASSERT_EQ(S_OK, library.CreatePage(&handle, progress.Put()));
    // A message posted to this thread is handled while it waits.
    MSG message{};
    ::PostThreadMessageW(::GetCurrentThreadId(), WM_NULL, 0, 0);
    EXPECT_EQ(HRESULT_FROM_WIN32(WAIT_TIMEOUT), progress->WaitUntilActive(100));
    EXPECT_FALSE(::PeekMessageW(&message, nullptr, WM_NULL, WM_NULL, PM_NOREMOVE)) << "the wait took the posted message";
    ::DestroyPropertySheetPage(handle);  // the page's reference goes with it
    EXPECT_EQ(E_ABORT, progress->WaitUntilActive(0));
}

TEST(ProgressPageLibrary, AMissingLibraryGivesThePlatformsError) {
    const std::wstring folder = ModuleFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(L'\\', folder.back());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((folder + ProgressPageLibrary::kFileName).c_str()));
}

}  // namespace
}  // namespace vantrel
