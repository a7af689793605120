#include "common/Dialog.h"

#include "SheetTestIds.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <thread>

using namespace vantrel;
using testsupport::WaitForDialog;

namespace {

// A name prompt: OK with an empty name keeps the dialog open.
class NameDialog : public Dialog {
public:
    explicit NameDialog(UINT templateId = IDD_SAMPLE_DIALOG) : Dialog(templateId) {}
    std::wstring name;
    int inits = 0;
    int refusals = 0;
    bool destroyed = false;

protected:
    BOOL OnInitDialog() override {
        ++inits;
        ::SetDlgItemTextW(Window(), IDC_SAMPLE_EDIT, L"start");
        return TRUE;
    }
    void OnCommand(UINT id, UINT code, HWND control) override {
        if (id == IDOK) {
            wchar_t text[64] = {};
            ::GetDlgItemTextW(Window(), IDC_SAMPLE_EDIT, text, 64);
            name = text;
            if (name.empty()) {
                ++refusals;
                return;
            }
        }
        Dialog::OnCommand(id, code, control);
    }
    void OnDestroy() override { destroyed = true; }
};

void Click(HWND dialog, int id) { ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

}  // namespace

TEST(Dialog, ModalRunEndsWithTheValueItWasClosedWith) {
    NameDialog dialog;
    bool stayedOpen = false;
    std::thread driver([&, ui = ::GetCurrentThreadId()] {
        HWND window = WaitForDialog(ui, 10000, L"Sample Dialog");
        if (!window) return;
        ::SetDlgItemTextW(window, IDC_SAMPLE_EDIT, L"");
        Click(window, IDOK);
        stayedOpen = ::IsWindowVisible(window) != FALSE;
        ::SetDlgItemTextW(window, IDC_SAMPLE_EDIT, L"ann");
        Click(window, IDOK);
    });
    const INT_PTR answer = dialog.RunModal(nullptr);
    driver.join();
    EXPECT_EQ(IDOK, answer);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(1, dialog.refusals);
    EXPECT_EQ(L"ann", dialog.name);
    EXPECT_EQ(1, dialog.inits);
    EXPECT_TRUE(dialog.destroyed);
    EXPECT_EQ(nullptr, dialog.Window());

    NameDialog cancelled;
    std::thread canceller([ui = ::GetCurrentThreadId()] {
        if (HWND window = WaitForDialog(ui, 10000, L"Sample Dialog")) Click(window, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, cancelled.RunModal(nullptr));
    canceller.join();
    EXPECT_EQ(L"", cancelled.name);
}

TEST(Dialog, ModelessWindowClosesItselfAndGoesWithItsObject) {
    HWND window = nullptr;
    {
        NameDialog dialog;
        ASSERT_EQ(S_OK, dialog.CreateModeless(nullptr));
        ASSERT_NE(nullptr, dialog.Window());
        EXPECT_FALSE(dialog.IsModal());
        EXPECT_EQ(1, dialog.inits);
        Click(dialog.Window(), IDCANCEL);  // Close destroys a modeless window
        EXPECT_EQ(nullptr, dialog.Window());
        EXPECT_TRUE(dialog.destroyed);

        ASSERT_EQ(S_OK, dialog.CreateModeless(nullptr));
        window = dialog.Window();
        EXPECT_TRUE(::IsWindow(window));
    }
    EXPECT_FALSE(::IsWindow(window));  // the object took its open window with it
}

TEST(Dialog, MissingTemplateFailsWithThePlatformError) {
    NameDialog modal(4242);
    EXPECT_EQ(-1, modal.RunModal(nullptr));
    NameDialog modeless(4242);
    const HRESULT hr = modeless.CreateModeless(nullptr);
    EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
    EXPECT_EQ(0, modal.inits + modeless.inits);
}
