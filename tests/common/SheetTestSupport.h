#pragma once
// What the sheet tests share: a page that records what reaches it and lets a
// test decide its answers, and a driver that plays a script against the sheet
// from another thread while the test's thread runs it.
#include "common/PropertyPage.h"
#include "common/PropertySheetHost.h"
#include "tests/support/WindowDriver.h"
#include "tests/support/WizardWalk.h"

#include "SheetTestIds.h"

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sheettest {

// Sheet buttons (the platform's control ids).
constexpr int kApplyButton = 0x3021;
constexpr int kBackButton = 0x3023;
constexpr int kNextButton = 0x3024;
constexpr int kFinishButton = 0x3025;

class RecordingPage : public vantrel::PropertyPage {
public:
    explicit RecordingPage(UINT templateId = IDD_SAMPLE_PAGE_A, bool* destroyed = nullptr)
        : PropertyPage(templateId), destroyed_(destroyed) {}
    ~RecordingPage() override {
        if (destroyed_) *destroyed_ = true;
    }

    // Answers the test chooses (the base's when unset).
    std::function<LRESULT()> onApply, onWizardBack, onWizardNext, onWizardFinish, onSetActive;
    std::function<void(UINT id, UINT code, HWND control)> onCommand;
    std::function<LRESULT(const NMHDR&)> onNotify;

    // Events in order ("init", "active", "apply", "back", "next", "finish",
    // "command <id> <code>", "notify <code>", "private <w> <l>", "other <msg>").
    std::vector<std::wstring> Events() const;
    int Count(const std::wstring& event) const;
    HWND CommandControl() const;

    using PropertyPage::SetModified;

protected:
    BOOL OnInitDialog() override;
    LRESULT OnSetActive() override;
    LRESULT OnApply() override;
    LRESULT OnWizardBack() override;
    LRESULT OnWizardNext() override;
    LRESULT OnWizardFinish() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    LRESULT OnNotify(const NMHDR& header) override;
    void OnPrivateMessage(WPARAM wParam, LPARAM lParam) override;
    INT_PTR OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Note(std::wstring event);

    bool* destroyed_;
    mutable std::mutex mutex_;
    std::vector<std::wstring> events_;
    HWND commandControl_ = nullptr;
};

// Plays `script` against the first dialog window of `uiThread` from a thread
// of its own. When the script leaves the sheet open, Join cancels it (and
// reports that, so the test fails rather than hangs).
class SheetDriver {
public:
    SheetDriver(DWORD uiThread, std::function<void(HWND sheet)> script);
    ~SheetDriver();
    // Waits for the script; true when it found a sheet and left it closed.
    bool Join();
    HWND Sheet() const { return sheet_; }

private:
    DWORD uiThread_;
    std::function<void(HWND)> script_;
    HWND sheet_ = nullptr;
    bool forced_ = false;
    std::thread thread_;
};

// Whether a sheet button exists, is visible and enabled.
bool ButtonEnabled(HWND sheet, int id);
using testsupport::CurrentPage;
// Presses a sheet button (PSM_PRESSBUTTON) and waits until the sheet has
// handled it.
void Press(HWND sheet, int button);

}  // namespace sheettest
