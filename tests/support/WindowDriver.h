#pragma once
// Drives real windows from a test: finds a thread's message boxes and answers
// them, as a person at the screen would.
#include <windows.h>

#include <atomic>
#include <functional>
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

}  // namespace testsupport
