#pragma once
// Drives resource view windows from the test's thread, which is the views'
// user-interface thread: console messages, waiting for the enumeration while
// dispatching messages, reading what the list and the message area show.
#include "platform/NetManagement.h"  // first: windows.h in the order the seam needs
#include "lab/LabControl.h"
#include "common/ErrorText.h"
#include "common/Handles.h"
#include "resources/ViewsIds.h"
#include "tests/support/TestProcess.h"
#include "tests/support/WindowDriver.h"
#include "views/ResourceView.h"
#include "views/SessionsView.h"
#include "public/ViewMessages.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace viewtest {

using Rows = std::vector<std::vector<std::wstring>>;

// Dispatches this thread's messages for about `ms` milliseconds.
inline void Pump(DWORD ms = 0) {
    const ULONGLONG end = ::GetTickCount64() + ms;
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (ms) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (::GetTickCount64() < end);
}

inline bool WorkerRunning(HWND view) {
    const vantrel::ViewContext* context = vantrel::FindViewContext(view);
    return context && context->worker && context->worker->IsRunning(0) == S_OK;
}

// Dispatches messages until the view's enumeration has ended.
inline bool WaitForEnumeration(HWND view, DWORD timeoutMs = 20000) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    while (WorkerRunning(view)) {
        if (::GetTickCount64() > end) return false;
        Pump(5);
    }
    Pump();
    return true;
}

inline void SetCredentials(HWND view, const wchar_t* path, long options = 0) {
    ::SendMessageW(view, vantrel::WM_SETCREDENTIALS, static_cast<WPARAM>(options),
                   reinterpret_cast<LPARAM>(path ? ::SysAllocString(path) : nullptr));
}
inline void SetComputer(HWND view, const wchar_t* name, WPARAM force = 0) {
    ::SendMessageW(view, vantrel::WM_SETCOMPUTER, force, reinterpret_cast<LPARAM>(name ? ::SysAllocString(name) : nullptr));
}
inline void Activate(HWND view, DWORD force = 0) {
    vantrel::NMVIEWACTIVATE n{};
    n.hdr.hwndFrom = view;
    n.hdr.code = vantrel::VIEWN_ACTIVATE;
    n.force = force;
    ::SendMessageW(view, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
}
inline void Deactivate(HWND view) {
    NMHDR n{view, 0, vantrel::VIEWN_DEACTIVATE};
    ::SendMessageW(view, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
}

// The platform's text of a Win32 error as the module's error texts give it
// (Windows and Wine word some messages differently).
inline std::wstring PlatformText(DWORD error, bool cutAtLineBreak) {
    vantrel::UniqueBstr text;
    const DWORD code = 0x80070000u | error;
    if (vantrel::FormatErrorText(code, text.Put(), cutAtLineBreak) != 0 || !text) return vantrel::FallbackErrorText(code);
    return text.Get();
}

inline HWND List(HWND view) { return ::GetDlgItem(view, IDC_VIEW_LIST); }
inline HWND Message(HWND view) { return ::GetDlgItem(view, IDC_VIEW_MESSAGE); }
inline bool Shown(HWND control) { return (::GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0; }
inline std::wstring Text(HWND view, int id) { return testsupport::WindowText(::GetDlgItem(view, id)); }

inline Rows ReadRows(HWND view) {
    HWND list = List(view);
    HWND header = ListView_GetHeader(list);
    const int columns = Header_GetItemCount(header);
    Rows rows;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        std::vector<std::wstring> row;
        for (int c = 0; c < columns; ++c) {
            wchar_t cell[512] = {};
            ListView_GetItemText(list, i, c, cell, 512);
            row.push_back(cell);
        }
        rows.push_back(row);
    }
    return rows;
}

// The first row whose label is `label` (the list's own search), or -1.
inline int FindRow(HWND view, const wchar_t* label) {
    LVFINDINFOW find{};
    find.flags = LVFI_STRING;
    find.psz = label;
    return ListView_FindItem(List(view), -1, &find);
}

// The image and item data of row `item`.
inline LVITEMW RowItem(HWND view, int item) {
    LVITEMW row{};
    row.mask = LVIF_IMAGE | LVIF_PARAM;
    row.iItem = item;
    row.iImage = -1;
    ListView_GetItem(List(view), &row);
    return row;
}
inline std::vector<int> RowImages(HWND view) {
    std::vector<int> images;
    for (int i = 0; i < ListView_GetItemCount(List(view)); ++i) images.push_back(RowItem(view, i).iImage);
    return images;
}
inline std::wstring ColumnTitle(HWND list, int column) {
    wchar_t title[64] = {};
    LVCOLUMNW request{};
    request.mask = LVCF_TEXT;
    request.pszText = title;
    request.cchTextMax = 64;
    ListView_GetColumn(list, column, &request);
    return title;
}

// A network whose domain LAB is run by LAB\admin from the console's own
// ADMIN01, with `computers` (JSON objects, comma-separated) beside it.
inline std::string AdminNetwork(const std::string& computers) {
    return R"({ "domain": { "name": "LAB" }, "interactiveUser": "LAB\\admin",
      "accounts": [ { "name": "LAB\\admin", "password": "a", "groups": ["LAB\\Domain Admins"] } ],
      "computers": [ { "name": "ADMIN01", "local": true, "ip": "10.0.0.10" }, )" +
           computers + "] }";
}

// Every dialog the process shows meanwhile, by title and text, answered with
// what `answer` says (OK unless told).
class BoxLog {
public:
    using Entry = std::pair<std::wstring, std::wstring>;
    explicit BoxLog(std::function<int(const testsupport::SeenBox&)> answer = nullptr)
        : watcher_([this, answer](HWND window, const testsupport::SeenBox& seen) {
              {
                  std::lock_guard<std::mutex> lock(mutex_);
                  entries_.emplace_back(seen.title, seen.text);
              }
              ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(answer ? answer(seen) : IDOK, BN_CLICKED), 0);
          }) {}
    // What was seen since the last Take.
    std::vector<Entry> Take() {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(entries_, {});
    }
    std::vector<Entry> Stop() {
        watcher_.Stop();
        return Take();
    }

private:
    std::mutex mutex_;
    std::vector<Entry> entries_;
    testsupport::ProcessDialogWatcher watcher_;
};

inline void Select(HWND view, int item) {
    ListView_SetItemState(List(view), item, LVIS_SELECTED, LVIS_SELECTED);
}

inline void Command(HWND view, UINT id) { ::SendMessageW(view, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

// The view, fed the way the console does it, with its first enumeration done.
inline HWND OpenView(const vantrel::ViewDefinition& definition, const wchar_t* computer) {
    HWND view = vantrel::CreateResourceView(definition);
    if (!view) return nullptr;
    ::SetWindowPos(view, nullptr, 0, 0, 700, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    SetCredentials(view, L"");
    SetComputer(view, computer);
    Activate(view);
    WaitForEnumeration(view);
    return view;
}

using testsupport::ComApartment;


// Each test starts from a fresh lab and ends with nothing left to release.
class ViewTest : public ::testing::Test {
protected:
    // `scenario`: the network loaded before each test (none when empty).
    explicit ViewTest(std::string scenario = {}) : scenario_(std::move(scenario)) {}
    void SetUp() override {
        ASSERT_EQ(0u, LabReset());
        LabSetVirtualClock(TRUE);  // echoes to silent hosts time out at once
        std::wstring error;
        if (!scenario_.empty()) {
            ASSERT_EQ(0u, lab::LoadScenarioText(scenario_, &error)) << error;
        }
    }
    void TearDown() override {
        for (HWND view : views_) {
            if (::IsWindow(view)) ::DestroyWindow(view);
        }
        Pump(50);
        EXPECT_EQ(L"clean", lab::LeakReport());
        LabReset();
    }
    HWND Open(const vantrel::ViewDefinition& definition, const wchar_t* computer) {
        HWND view = OpenView(definition, computer);
        views_.push_back(view);
        return view;
    }
    HWND Created(const vantrel::ViewDefinition& definition) {
        HWND view = vantrel::CreateResourceView(definition);
        views_.push_back(view);
        return view;
    }

    std::string scenario_;
    ComApartment apartment_;
    std::vector<HWND> views_;
};

// Whether this thread shows a popup menu now.
inline HWND ShownMenu(DWORD thread = ::GetCurrentThreadId()) {
    HWND menuWindow = nullptr;
    ::EnumThreadWindows(
        thread,
        [](HWND w, LPARAM p) -> BOOL {
            wchar_t cls[16] = {};
            ::GetClassNameW(w, cls, 16);
            if (std::wstring(cls) == L"#32768" && ::IsWindowVisible(w)) {
                *reinterpret_cast<HWND*>(p) = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&menuWindow));
    return menuWindow;
}

// Watches this thread for a popup menu, records its items (and which are
// greyed, and where it showed) and picks one (by position among the items,
// separators not counted) or dismisses it (-1).
class MenuPicker {
public:
    explicit MenuPicker(int pick) : thread_(::GetCurrentThreadId()), pick_(pick), watcher_([this] { Watch(); }) {}
    ~MenuPicker() { Stop(); }
    std::vector<std::wstring> Stop() {
        stop_ = true;
        if (watcher_.joinable()) watcher_.join();
        return items_;
    }
    // After Stop: per item, whether it was greyed; the menu's screen rectangle.
    const std::vector<bool>& Greyed() const { return greyed_; }
    RECT Shown() const { return rect_; }

private:
    void Watch() {
        while (!stop_) {
            HWND menuWindow = ShownMenu(thread_);
            if (menuWindow && items_.empty()) {
                ::GetWindowRect(menuWindow, &rect_);
                HMENU menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, 0x01E1 /* MN_GETHMENU */, 0, 0));
                for (int i = 0; menu && i < ::GetMenuItemCount(menu); ++i) {
                    wchar_t text[128] = {};
                    if (::GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION) > 0) {
                        items_.push_back(text);
                        greyed_.push_back((::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED) != 0);
                    }
                }
                if (items_.empty()) items_.push_back(L"<no items>");
                if (pick_ < 0) {
                    ::PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
                } else {
                    for (int i = 0; i <= pick_; ++i) ::PostMessageW(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
                    ::PostMessageW(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
                }
            }
            ::Sleep(20);
        }
    }

    DWORD thread_;
    int pick_;
    std::atomic<bool> stop_{false};
    std::vector<std::wstring> items_;
    std::vector<bool> greyed_;
    RECT rect_{};
    std::thread watcher_;
};

// Right-click as the list reports it: NM_RCLICK with the point in the list.
inline void RightClick(HWND view, POINT at) {
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = List(view);
    click.hdr.idFrom = IDC_VIEW_LIST;
    click.hdr.code = NM_RCLICK;
    click.ptAction = at;
    ::SendMessageW(view, WM_NOTIFY, IDC_VIEW_LIST, reinterpret_cast<LPARAM>(&click));
}
inline POINT ItemPoint(HWND view, int item) {
    RECT r{};
    ListView_GetItemRect(List(view), item, &r, LVIR_LABEL);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A double-click on a row, as the list reports it to the view.
inline void DoubleClick(HWND view, int item) {
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = List(view);
    click.hdr.idFrom = IDC_VIEW_LIST;
    click.hdr.code = NM_DBLCLK;
    click.iItem = item;
    click.ptAction = ItemPoint(view, item);
    ::SendMessageW(view, WM_NOTIFY, IDC_VIEW_LIST, reinterpret_cast<LPARAM>(&click));
}

}  // namespace viewtest
