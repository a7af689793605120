#pragma once
// Drives real windows from a test: finds a thread's message boxes and answers
// them, as a person at the screen would.
#include <windows.h>

#include <atomic>
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
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    // The boxes answered so far (stops watching first).
    std::vector<SeenBox> Stop();

private:
    void Watch();

    DWORD threadId_;
    int answer_;
    std::atomic<bool> stop_{false};
    std::vector<SeenBox> seen_;
    std::thread watcher_;
};

std::wstring WindowText(HWND window);

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
