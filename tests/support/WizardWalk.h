#pragma once
// Walking a wizard sheet from a test's driver thread: the page it shows and
// Next pressed as a person presses it.
#include "tests/support/WindowDriver.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

namespace testsupport {

inline HWND CurrentPage(HWND sheet) {
    return reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

inline int CurrentIndex(HWND sheet) {
    return static_cast<int>(::SendMessageW(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(CurrentPage(sheet)), 0));
}

// Next, and the index of the page that shows afterwards (the same page when
// it stays within `timeoutMs`).
inline int Next(HWND sheet, DWORD timeoutMs = 3000) {
    const int before = CurrentIndex(sheet);
    ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    WaitUntil([&] { return CurrentIndex(sheet) != before; }, timeoutMs);
    return CurrentIndex(sheet);
}

}  // namespace testsupport
