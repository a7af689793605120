#include "tests/support/WindowDriver.h"

#include <algorithm>
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
    : MessageBoxAnswerer(threadId, [answer](const SeenBox&) { return answer; }) {}

MessageBoxAnswerer::MessageBoxAnswerer(DWORD threadId, std::function<int(const SeenBox&)> choose)
    : threadId_(threadId), choose_(std::move(choose)), watcher_([this] { Watch(); }) {}

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
            const int answer = choose_(entry);
            seen_.push_back(entry);
            answered.push_back(box);
            ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::wstring ItemText(HWND dialog, int id) {
    wchar_t text[4096] = {};
    ::GetDlgItemTextW(dialog, id, text, 4096);
    return text;
}

std::vector<std::wstring> ListBoxItems(HWND dialog, int id) {
    std::vector<std::wstring> items;
    const LRESULT count = ::SendDlgItemMessageW(dialog, id, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring item(static_cast<size_t>(::SendDlgItemMessageW(dialog, id, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        item.resize(static_cast<size_t>(
            ::SendDlgItemMessageW(dialog, id, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()))));
        items.push_back(item);
    }
    return items;
}

ProcessDialogWatcher::ProcessDialogWatcher(Handler handle)
    : handle_(std::move(handle)), watcher_([this] { Watch(); }) {}

ProcessDialogWatcher::~ProcessDialogWatcher() { Stop(); }

std::vector<SeenBox> ProcessDialogWatcher::Stop() {
    stop_ = true;
    if (watcher_.joinable()) watcher_.join();
    return seen_;
}

std::vector<SeenBox> ProcessDialogWatcher::Seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

void ProcessDialogWatcher::Watch() {
    std::vector<HWND> handled;
    while (!stop_) {
        std::vector<HWND> dialogs;
        ::EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                DWORD process = 0;
                ::GetWindowThreadProcessId(window, &process);
                wchar_t cls[16] = {};
                ::GetClassNameW(window, cls, 16);
                if (process == ::GetCurrentProcessId() && ::IsWindowVisible(window) && std::wstring(cls) == L"#32770")
                    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&dialogs));
        // A closed dialog leaves the list: its handle may come back for the next box.
        handled.erase(std::remove_if(handled.begin(), handled.end(),
                                     [&](HWND h) { return std::find(dialogs.begin(), dialogs.end(), h) == dialogs.end(); }),
                      handled.end());
        for (HWND dialog : dialogs) {
            bool done = false;
            for (HWND seen : handled) done = done || seen == dialog;
            if (done) continue;
            handled.push_back(dialog);
            SeenBox entry;
            entry.title = WindowText(dialog);
            entry.text = ItemText(dialog, 0xFFFF);
            entry.owner = ::GetWindow(dialog, GW_OWNER);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                seen_.push_back(entry);
            }
            if (handle_) handle_(dialog, entry);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

ProcessDialogWatcher::Handler AnswerBoxes(int answer, std::vector<std::wstring> ignoredTitles) {
    return [answer, ignoredTitles](HWND window, const SeenBox& seen) {
        for (const std::wstring& title : ignoredTitles) {
            if (seen.title == title) return;
        }
        ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    };
}

}  // namespace testsupport
