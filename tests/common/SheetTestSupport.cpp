#include "SheetTestSupport.h"

#include <algorithm>

namespace sheettest {

std::vector<std::wstring> RecordingPage::Events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
}

int RecordingPage::Count(const std::wstring& event) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(std::count(events_.begin(), events_.end(), event));
}

HWND RecordingPage::CommandControl() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return commandControl_;
}

void RecordingPage::Note(std::wstring event) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(std::move(event));
}

BOOL RecordingPage::OnInitDialog() {
    Note(Window() ? L"init" : L"init without window");
    return TRUE;
}

LRESULT RecordingPage::OnSetActive() {
    Note(L"active");
    const LRESULT base = PropertyPage::OnSetActive();
    return onSetActive ? onSetActive() : base;
}

LRESULT RecordingPage::OnApply() {
    Note(L"apply");
    return onApply ? onApply() : PropertyPage::OnApply();
}

LRESULT RecordingPage::OnWizardBack() {
    Note(L"back");
    return onWizardBack ? onWizardBack() : PropertyPage::OnWizardBack();
}

LRESULT RecordingPage::OnWizardNext() {
    Note(L"next");
    return onWizardNext ? onWizardNext() : PropertyPage::OnWizardNext();
}

LRESULT RecordingPage::OnWizardFinish() {
    Note(L"finish");
    return onWizardFinish ? onWizardFinish() : PropertyPage::OnWizardFinish();
}

void RecordingPage::OnCommand(UINT id, UINT code, HWND control) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(L"command " + std::to_wstring(id) + L" " + std::to_wstring(code));
        commandControl_ = control;
    }
    if (onCommand) onCommand(id, code, control);
}

LRESULT RecordingPage::OnNotify(const NMHDR& header) {
    Note(L"notify " + std::to_wstring(static_cast<int>(header.code)));
    return onNotify ? onNotify(header) : 0;
}

void RecordingPage::OnPrivateMessage(WPARAM wParam, LPARAM lParam) {
    Note(L"private " + std::to_wstring(wParam) + L" " + std::to_wstring(lParam));
}

INT_PTR RecordingPage::OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_APP && message < 0xC000) Note(L"other " + std::to_wstring(message));
    return PropertyPage::OnOtherMessage(message, wParam, lParam);
}

SheetDriver::SheetDriver(DWORD uiThread, std::function<void(HWND)> script)
    : uiThread_(uiThread), script_(std::move(script)), thread_([this] {
          sheet_ = testsupport::WaitForDialog(uiThread_, 10000);
          if (!sheet_) return;
          script_(sheet_);
          if (!testsupport::WaitUntil([this] { return !::IsWindowVisible(sheet_); }, 3000)) {
              forced_ = true;
              ::PostMessageW(sheet_, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
          }
      }) {}

SheetDriver::~SheetDriver() {
    if (thread_.joinable()) thread_.join();
}

bool SheetDriver::Join() {
    if (thread_.joinable()) thread_.join();
    return sheet_ && !forced_;
}

bool ButtonEnabled(HWND sheet, int id) {
    HWND button = ::GetDlgItem(sheet, id);
    return button && ::IsWindowVisible(button) && ::IsWindowEnabled(button);
}

void Press(HWND sheet, int button) {
    ::SendMessageW(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
    // A press that ends the sheet takes effect when its modal loop's message
    // wait returns, and a sent message does not make it return: a posted one
    // wakes it, as the input of a real click would.
    ::PostMessageW(sheet, WM_NULL, 0, 0);
    // The sheet may handle the press through posted messages: let them run.
    ::SendMessageW(sheet, WM_NULL, 0, 0);
    ::Sleep(50);
    ::SendMessageW(sheet, WM_NULL, 0, 0);
}

}  // namespace sheettest
