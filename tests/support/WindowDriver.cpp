#include "tests/support/WindowDriver.h"

#include <chrono>

namespace testsupport {

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

HWND WaitForDialog(DWORD threadId, DWORD timeoutMs, const wchar_t* title) {
    struct Search {
        const wchar_t* title;
        HWND found;
    } search{title, nullptr};
    WaitUntil(
        [&] {
            ::EnumThreadWindows(
                threadId,
                [](HWND window, LPARAM param) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(param);
                    wchar_t cls[16] = {};
                    ::GetClassNameW(window, cls, 16);
                    if (!::IsWindowVisible(window) || std::wstring(cls) != L"#32770") return TRUE;
                    if (s->title && WindowText(window) != s->title) return TRUE;
                    s->found = window;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

MessageBoxAnswerer::MessageBoxAnswerer(DWORD threadId, int answer)
    : threadId_(threadId), answer_(answer), watcher_([this] { Watch(); }) {}

MessageBoxAnswerer::~MessageBoxAnswerer() { Stop(); }

std::vector<SeenBox> MessageBoxAnswerer::Stop() {
    stop_ = true;
    if (watcher_.joinable()) watcher_.join();
    return seen_;
}

void MessageBoxAnswerer::Watch() {
    std::vector<HWND> answered;
    while (!stop_) {
        std::vector<HWND> boxes;
        ::EnumThreadWindows(
            threadId_,
            [](HWND window, LPARAM param) -> BOOL {
                wchar_t cls[16] = {};
                ::GetClassNameW(window, cls, 16);
                if (::IsWindowVisible(window) && std::wstring(cls) == L"#32770")
                    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&boxes));
        for (HWND box : boxes) {
            bool done = false;
            for (HWND seen : answered) done = done || seen == box;
            if (done) continue;
            SeenBox entry;
            entry.title = WindowText(box);
            wchar_t text[4096] = {};
            ::GetDlgItemTextW(box, 0xFFFF, text, 4096);
            entry.text = text;
            entry.owner = ::GetWindow(box, GW_OWNER);
            seen_.push_back(entry);
            answered.push_back(box);
            ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer_, BN_CLICKED), 0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace testsupport
