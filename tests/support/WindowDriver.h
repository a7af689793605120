#pragma once
// Drives real windows from a test: finds a thread's message boxes and answers
// them, as a person at the screen would.
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

struct SeenBox {
    std::wstring title;
    std::wstring text;
    LONG style = 0;  // window style of the box's icon control is not needed; kept for the caption's owner
    HWND owner = nullptr;
};

// Watches `threadId` for dialog-class (#32770) top-level windows and answers
// each one with WM_COMMAND `answer` after recording its title and text.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer(DWORD threadId, int answer);
    // Answers each box with what `choose` returns for it (IDOK, IDCANCEL, ...).
    MessageBoxAnswerer(DWORD threadId, std::function<int(const SeenBox&)> choose);
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    // The boxes answered so far (stops watching first).
    std::vector<SeenBox> Stop();

private:
    void Watch();

    DWORD threadId_;
    std::function<int(const SeenBox&)> choose_;
    std::atomic<bool> stop_{false};
    std::vector<SeenBox> seen_;
    std::thread watcher_;
};

std::wstring WindowText(HWND window);

// The text of a dialog's control, and the items of a list box.
std::wstring ItemText(HWND dialog, int id);
std::vector<std::wstring> ListBoxItems(HWND dialog, int id);

// Watches every thread of this process for visible dialog-class (#32770)
// top-level windows: message boxes, modal and modeless dialogs on threads
// the test does not know. `handle` runs once per new window, on the
// watcher's thread, with what was seen; it answers the window (or not).
class ProcessDialogWatcher {
public:
    using Handler = std::function<void(HWND window, const SeenBox& seen)>;
    explicit ProcessDialogWatcher(Handler handle);
    ~ProcessDialogWatcher();
    ProcessDialogWatcher(const ProcessDialogWatcher&) = delete;
    ProcessDialogWatcher& operator=(const ProcessDialogWatcher&) = delete;

    // What was seen so far (stops watching first).
    std::vector<SeenBox> Stop();
    // What was seen so far, while watching goes on.
    std::vector<SeenBox> Seen();

private:
    void Watch();

    Handler handle_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<SeenBox> seen_;
    std::thread watcher_;
};

// Answers message boxes (title other than the ignored ones) with `answer`.
ProcessDialogWatcher::Handler AnswerBoxes(int answer, std::vector<std::wstring> ignoredTitles = {});

// The first visible dialog-class (#32770) top-level window of `threadId`
// (whose caption is `title`, when given), waiting up to `timeoutMs` for one to
// appear; null when none did. Property sheets and wizards are found this way
// too (their caption may change with the page).
HWND WaitForDialog(DWORD threadId, DWORD timeoutMs, const wchar_t* title = nullptr);

// Polls `condition` every 10 ms until it holds or `timeoutMs` passed.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs = 5000) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount64() >= end) return false;
        ::Sleep(10);
    }
}

}  // namespace testsupport
