#include "console/SessionShots.h"

#include "common/Dialog.h"
#include "console/ConsoleWindow.h"
#include "console/Headless.h"
#include "console/Png.h"
#include "lab/LabControl.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <mutex>
#include <thread>

namespace console {

namespace {

constexpr int kListId = 202;
constexpr int kMessageTextId = 219;
constexpr wchar_t kMessage[] = L"The server restarts at 18:00. Please save your work and log off.";

// What the helper saw and did while the console's thread was busy in the
// view's menu, dialog and boxes.
struct Assistant {
    std::wstring pick;           // the menu item to choose, as the menu spells it
    std::wstring dialogPicture;  // where the Send Message dialog is saved
    std::mutex mutex;
    std::vector<std::wstring> notes;
    std::atomic<bool> done{false};

    void Note(std::wstring text) {
        std::lock_guard lock(mutex);
        notes.push_back(std::move(text));
    }
};

// A visible top-level window of this process of class `cls`, captioned
// `caption` when given.
HWND FindShown(const wchar_t* cls, const wchar_t* caption) {
    struct Search {
        const wchar_t* cls;
        const wchar_t* caption;
        HWND found;
    } search{cls, caption, nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD process = 0;
            ::GetWindowThreadProcessId(window, &process);
            wchar_t name[32] = {};
            ::GetClassNameW(window, name, 32);
            if (process != ::GetCurrentProcessId() || !::IsWindowVisible(window) || std::wstring(name) != s->cls)
                return TRUE;
            if (s->caption && vantrel::WindowText(window) != s->caption) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Chooses `pick` in a shown popup menu with the keyboard, as a person would.
bool ChooseFromMenu(HWND menuWindow, const std::wstring& pick) {
    HMENU menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, 0x01E1 /* MN_GETHMENU */, 0, 0));
    int position = -1;
    for (int i = 0, counted = 0; menu && i < ::GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = {};
        if (::GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION) <= 0) continue;  // separator
        if (text == pick) position = counted;
        ++counted;
    }
    if (position < 0) {
        ::PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
        return false;
    }
    for (int i = 0; i <= position; ++i) ::PostMessageW(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageW(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
    return true;
}

void Assist(Assistant& a) {
    std::vector<HWND> handled;
    auto fresh = [&handled](HWND w) {
        if (!w || std::find(handled.begin(), handled.end(), w) != handled.end()) return false;
        handled.push_back(w);
        return true;
    };
    while (!a.done) {
        HWND menu = FindShown(L"#32768", nullptr);
        if (fresh(menu)) {
            ::Sleep(300);
            if (!ChooseFromMenu(menu, a.pick)) a.Note(L"the menu has no " + a.pick);
        }
        HWND dialog = FindShown(L"#32770", L"Send Message");
        if (fresh(dialog)) {
            ::SetDlgItemTextW(dialog, kMessageTextId, kMessage);
            ::Sleep(500);
            ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            if (SaveWindowImage(dialog, a.dialogPicture)) a.Note(L"Send Message dialog -> " + a.dialogPicture);
            a.Note(L"Send Message: title \"" + vantrel::WindowText(::GetDlgItem(dialog, 218)) + L"\"");
            ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        for (const wchar_t* title : {L"Talvor Roredud", L"Error", L"Information"}) {
            HWND box = FindShown(L"#32770", title);
            if (!fresh(box)) continue;
            wchar_t text[1024] = L"";
            ::GetDlgItemTextW(box, 0xFFFF, text, 1024);
            a.Note(std::wstring(title) + L": " + text + L" -> OK");
            ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        ::Sleep(50);
    }
}

// Right-clicks the row labelled `session` and lets the assistant choose `pick`.
bool UseItemMenu(HWND view, const std::wstring& session, const std::wstring& pick, const std::wstring& picture,
                 std::FILE* out) {
    HWND list = ::GetDlgItem(view, kListId);
    LVFINDINFOW find{};
    find.flags = LVFI_STRING;
    find.psz = session.c_str();
    const int item = ListView_FindItem(list, -1, &find);
    if (item < 0) {
        std::fwprintf(stderr, L"vantrel-console: no session %ls\n", session.c_str());
        return false;
    }
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(list, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    RECT r{};
    ListView_GetItemRect(list, item, &r, LVIR_LABEL);

    Assistant assistant;
    assistant.pick = pick;
    assistant.dialogPicture = picture;
    std::thread helper(Assist, std::ref(assistant));
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = kListId;
    click.hdr.code = NM_RCLICK;
    click.iItem = item;
    click.ptAction = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    // The list's own notification: the view shows its popup, runs the
    // chosen command and returns when it is over.
    ::SendMessageW(view, WM_NOTIFY, kListId, reinterpret_cast<LPARAM>(&click));
    // The chosen command arrives as a posted WM_COMMAND; dispatching it runs
    // the command to its end (the view pumps while its worker works).
    const ULONGLONG until = ::GetTickCount64() + 1500;
    while (::GetTickCount64() < until) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    assistant.done = true;
    helper.join();
    std::fwprintf(out, L"%ls on %ls:\n", pick.c_str(), session.c_str());
    for (const std::wstring& note : assistant.notes) std::fwprintf(out, L"  %ls\n", note.c_str());
    return true;
}

bool Refresh(HWND view, DWORD timeoutMs) {
    const std::vector<DWORD> before = ProcessThreads();
    ViewHost::Activate(view, 1);
    return WaitForNewThreads(before, timeoutMs);
}

}  // namespace

int ActOnTerminalSession(const std::wstring& computer, const std::wstring& session, const std::wstring& folder,
                         std::FILE* out) {
    ViewHost host;
    if (FAILED(host.Load())) return 1;
    host.Keep({L"terminalsessions"});
    if (host.Views().empty()) return 1;
    HWND view = host.Views()[0].window;
    ConsoleWindow window;
    if (!window.Create(host, {computer}, computer, 0)) return 1;
    ::ShowWindow(window.Window(), SW_SHOWNOACTIVATE);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    window.ShowConnection(computer, computer, 0);
    window.Select(0);
    ViewHost::Deactivate(view);
    ViewHost::SetCredentials(view, computer, 0);
    ViewHost::SetComputer(view, computer);
    if (!Refresh(view, 60000)) return 1;
    const std::wstring base = folder + L"\\" + computer + L"-terminalsessions";
    window.Screenshot(base + L"-before.png");

    bool ok = UseItemMenu(view, session, L"Send &Message", folder + L"\\send-message.png", out);
    // The message as the session received it.
    const std::wstring delivered = lab::ReadLabText([&](wchar_t* b, DWORD n) {
        HWND list = ::GetDlgItem(view, kListId);
        LVFINDINFOW find{};
        find.flags = LVFI_STRING;
        find.psz = session.c_str();
        wchar_t id[16] = {};
        ListView_GetItemText(list, ListView_FindItem(list, -1, &find), 2, id, 16);
        return LabSessionMessages(computer.c_str(), static_cast<DWORD>(std::wcstoul(id, nullptr, 10)), b, n);
    });
    std::wstring shownText = delivered;
    std::replace(shownText.begin(), shownText.end(), L'\n', L' ');
    std::fwprintf(out, L"  the session received: %ls\n", shownText.empty() ? L"(nothing)" : shownText.c_str());
    ok = ok && !delivered.empty();

    ok = UseItemMenu(view, session, L"Close &Session", std::wstring(), out) && ok;
    ok = Refresh(view, 60000) && ok;
    const ViewSnapshot shown = ReadView(view);
    std::fwprintf(out, L"%ls", RenderTable(shown.columns, shown.rows).c_str());
    ok = window.Screenshot(base + L"-after.png") && ok;
    std::fwprintf(out, L"  -> %ls-before.png, %ls-after.png\n", base.c_str(), base.c_str());
    ::DestroyWindow(window.Window());
    return ok ? 0 : 1;
}

}  // namespace console
