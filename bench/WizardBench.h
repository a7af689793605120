#pragma once
// What the wizard benches share: the sheet of a thread found, its page and
// Next button read, and durations in seconds.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <chrono>

namespace wizardbench {

using Clock = std::chrono::steady_clock;
constexpr int kNextButton = 0x3024;

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

inline HWND CurrentPage(HWND sheet) {
    return reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}
inline bool NextEnabled(HWND sheet) { return ::IsWindowEnabled(::GetDlgItem(sheet, kNextButton)) != FALSE; }

// The visible top-level window of `thread`: the wizard it runs.
inline HWND FindSheet(DWORD thread) {
    HWND found = nullptr;
    ::EnumThreadWindows(
        thread,
        [](HWND window, LPARAM param) -> BOOL {
            if (!::IsWindowVisible(window)) return TRUE;
            *reinterpret_cast<HWND*>(param) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Waits up to 10 s for the sheet of `thread`; null when none showed.
inline HWND WaitForSheet(DWORD thread) {
    HWND sheet = nullptr;
    for (int i = 0; i < 400 && !sheet; ++i) {
        sheet = FindSheet(thread);
        if (!sheet) ::Sleep(25);
    }
    return sheet;
}

// Next on each of `pages` pages in turn, each time until the page changed.
inline void PressNext(HWND sheet, int pages) {
    for (int page = 0; page < pages; ++page) {
        HWND before = CurrentPage(sheet);
        ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        while (CurrentPage(sheet) == before) ::Sleep(5);
    }
}

}  // namespace wizardbench
