#include "console/AccountShots.h"

#include "common/Dialog.h"
#include "console/ConsoleWindow.h"
#include "console/Headless.h"
#include "console/Png.h"
#include "console/ViewHost.h"

#include <commctrl.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace console {
namespace {

// The views' menu commands and controls the demo presses: numbers of the
// module's menus and dialog templates.
constexpr UINT kNewUser = 32789, kSetPassword = 32791, kDisable = 32793, kDelete = 32794, kNewGroup = 32796;
constexpr UINT kProperties = 32781;
constexpr int kViewList = 202;
constexpr int kUserName = 1101, kFullName = 1102, kDescription = 1103, kPassword = 1104, kConfirm = 1105;
constexpr int kCreate = 1110, kGroupName = 1111, kGroupDescription = 211, kMembers = 202, kAdd = 1168;
constexpr int kPickerList = 1001;

using Script = std::function<void(HWND)>;

// Works the dialogs that appear: a dialog with a script gets it on a thread
// of its own; any other box is printed and answered (Yes, which also closes
// an OK box).
class Driver {
public:
    Driver(std::map<std::wstring, Script> scripts, std::FILE* out)
        : scripts_(std::move(scripts)), out_(out), thread_([this] { Watch(); }) {}
    ~Driver() {
        stop_ = true;
        thread_.join();
        for (std::thread& t : running_) t.join();
    }

private:
    void Watch() {
        std::set<HWND> seen;
        while (!stop_) {
            std::vector<HWND> dialogs;
            ::EnumWindows(
                [](HWND w, LPARAM p) -> BOOL {
                    DWORD process = 0;
                    ::GetWindowThreadProcessId(w, &process);
                    wchar_t cls[16] = {};
                    ::GetClassNameW(w, cls, 16);
                    if (process == ::GetCurrentProcessId() && ::IsWindowVisible(w) && std::wstring(cls) == L"#32770")
                        reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&dialogs));
            for (HWND dialog : dialogs) {
                if (!seen.insert(dialog).second) continue;
                const std::wstring title = vantrel::WindowText(dialog);
                const auto script = scripts_.find(title);
                if (script != scripts_.end()) {
                    running_.emplace_back(script->second, dialog);
                    continue;
                }
                wchar_t text[2048] = L"";
                ::GetDlgItemTextW(dialog, 0xFFFF, text, 2048);
                std::fwprintf(out_, L"  [%ls] %ls\n", title.c_str(), text);
                ::PostMessageW(dialog, WM_COMMAND, IDYES, 0);
            }
            ::Sleep(30);
        }
    }

    std::map<std::wstring, Script> scripts_;
    std::FILE* out_;
    std::atomic<bool> stop_{false};
    std::vector<std::thread> running_;
    std::thread thread_;
};

void SetText(HWND dialog, int id, const wchar_t* text) {
    ::SendMessageW(::GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}
void Press(HWND dialog, int id) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}
template <typename Condition>
bool WaitUntil(Condition condition, DWORD ms = 5000) {
    for (DWORD waited = 0; waited < ms; waited += 20) {
        if (condition()) return true;
        ::Sleep(20);
    }
    return false;
}
void Photograph(HWND window, const std::wstring& path, std::FILE* out) {
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    ::Sleep(200);
    if (SaveWindowImage(window, path)) std::fwprintf(out, L"  -> %ls\n", path.c_str());
}
std::vector<std::wstring> ListItems(HWND list) {
    std::vector<std::wstring> items;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        wchar_t text[256] = {};
        ListView_GetItemText(list, i, 0, text, 256);
        items.push_back(text);
    }
    return items;
}
void PrintList(std::FILE* out, const wchar_t* what, const std::vector<std::wstring>& items) {
    std::fwprintf(out, L"  %ls:", what);
    for (const std::wstring& item : items) std::fwprintf(out, L" %ls;", item.c_str());
    std::fwprintf(out, L"\n");
}

class AccountsDemo {
public:
    AccountsDemo(ViewHost& host, ConsoleWindow& window, std::wstring folder, std::FILE* out)
        : host_(host), window_(window), folder_(std::move(folder)), out_(out) {}

    HWND View(const wchar_t* name) const {
        for (const HostedView& v : host_.Views()) {
            if (std::wstring(v.name) == name) return v.window;
        }
        return nullptr;
    }
    void Show(const wchar_t* name) {
        for (size_t i = 0; i < host_.Views().size(); ++i) {
            if (std::wstring(host_.Views()[i].name) == name) window_.Select(i);
        }
    }
    // Refreshes the view on `computer` and prints what it lists.
    bool List(const wchar_t* name, const std::wstring& computer, const wchar_t* when) {
        HWND view = View(name);
        Show(name);
        ViewHost::Deactivate(view);
        const std::vector<DWORD> before = ProcessThreads();
        ViewHost::SetCredentials(view, computer, 0);
        ViewHost::SetComputer(view, computer);
        ViewHost::Activate(view, 1);
        const bool finished = WaitForNewThreads(before, 30000);
        const ViewSnapshot shown = ReadView(view);
        std::fwprintf(out_, L"== %ls / %ls %ls\n", computer.c_str(), name, when);
        if (!shown.message.empty()) std::fwprintf(out_, L"  %ls\n", shown.message.c_str());
        else std::fwprintf(out_, L"%ls", RenderTable(shown.columns, shown.rows).c_str());
        return finished;
    }
    void SelectOnly(const wchar_t* name, const wchar_t* label) {
        HWND list = ::GetDlgItem(View(name), kViewList);
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        LVFINDINFOW find{};
        find.flags = LVFI_STRING;
        find.psz = label;
        const int item = ListView_FindItem(list, -1, &find);
        if (item >= 0) ListView_SetItemState(list, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    void Run(const wchar_t* name, UINT command) {
        ::SendMessageW(View(name), WM_COMMAND, MAKEWPARAM(command, 0), 0);
        // Let a posted refresh start and end.
        const std::vector<DWORD> before = ProcessThreads();
        PumpMessagesFor(200);
        WaitForNewThreads(before, 30000);
    }
    std::wstring Picture(const wchar_t* name) const { return folder_ + L"\\" + name; }
    std::FILE* Out() const { return out_; }

private:
    ViewHost& host_;
    ConsoleWindow& window_;
    std::wstring folder_;
    std::FILE* out_;
};

}  // namespace

int RunAccountsDemo(const std::vector<std::wstring>& computers, const std::wstring& folder, std::FILE* out) {
    ViewHost host;
    if (FAILED(host.Load())) return 1;
    host.Keep({L"users", L"groups"});
    ConsoleWindow window;
    if (!window.Create(host, computers, L"", 0)) return 1;
    ::ShowWindow(window.Window(), SW_SHOWNOACTIVATE);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    AccountsDemo demo(host, window, folder, out);
    int failures = 0;
    for (const std::wstring& computer : computers) {
        window.ShowConnection(computer, computer, 0);
        if (!demo.List(L"users", computer, L"") || !demo.List(L"groups", computer, L"")) ++failures;
    }
    const std::wstring computer = computers.front();
    window.ShowConnection(computer, computer, 0);
    demo.List(L"users", computer, L"before");

    std::fwprintf(out, L"== New User: demo (Demo Account), must change the password at next logon\n");
    {
        Driver driver({{L"New User", [&](HWND d) {
                            SetText(d, kUserName, L"demo");
                            SetText(d, kFullName, L"Demo Account");
                            SetText(d, kDescription, L"Created by the demo");
                            SetText(d, kPassword, L"D3mo!pass");
                            SetText(d, kConfirm, L"D3mo!pass");
                            Photograph(d, demo.Picture(L"new-user.png"), out);
                            Press(d, kCreate);
                            WaitUntil([&] { return vantrel::WindowText(::GetDlgItem(d, kUserName)).empty(); });
                            Press(d, IDCANCEL);
                        }}},
                      out);
        demo.Run(L"users", kNewUser);
    }
    demo.List(L"users", computer, L"after New User");

    std::fwprintf(out, L"== Disable demo\n");
    demo.SelectOnly(L"users", L"demo");
    {
        Driver driver({}, out);
        demo.Run(L"users", kDisable);
    }
    std::fwprintf(out, L"== Set Password of demo\n");
    demo.SelectOnly(L"users", L"demo");
    {
        Driver driver({{L"Set Password", [&](HWND d) {
                            SetText(d, kPassword, L"N3w!pass");
                            SetText(d, kConfirm, L"N3w!pass");
                            Photograph(d, demo.Picture(L"set-password.png"), out);
                            Press(d, IDOK);
                        }}},
                      out);
        demo.Run(L"users", kSetPassword);
    }
    std::fwprintf(out, L"== Delete demo\n");
    demo.SelectOnly(L"users", L"demo");
    {
        Driver driver({}, out);
        demo.Run(L"users", kDelete);
    }
    demo.List(L"users", computer, L"after Delete");

    demo.List(L"groups", computer, L"before");
    std::fwprintf(out, L"== New Group (photographed, then closed)\n");
    {
        Driver driver({{L"New Group", [&](HWND d) {
                            SetText(d, kGroupName, L"Auditors");
                            SetText(d, kGroupDescription, L"Read the event logs");
                            Photograph(d, demo.Picture(L"new-group.png"), out);
                            Press(d, IDCANCEL);
                        }}},
                      out);
        demo.Run(L"groups", kNewGroup);
    }
    std::fwprintf(out, L"== Remote Desktop Users Properties: add LAB\\operator through the picker\n");
    demo.SelectOnly(L"groups", L"Remote Desktop Users");
    for (int pass = 0; pass < 2; ++pass) {
        Driver driver({{L"Select Users or Groups",
                        [&](HWND picker) {
                            HWND list = ::GetDlgItem(picker, kPickerList);
                            const std::vector<std::wstring> rows = ListItems(list);
                            for (size_t i = 0; i < rows.size(); ++i) {
                                if (rows[i] != L"operator") continue;
                                LVITEMW state{};
                                state.stateMask = state.state = LVIS_SELECTED;
                                ::SendMessageW(list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&state));
                            }
                            ::PostMessageW(picker, WM_COMMAND, IDOK, 0);
                        }},
                       {L"Remote Desktop Users Properties", [&, pass](HWND sheet) {
                            HWND page = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
                            HWND members = ::GetDlgItem(page, kMembers);
                            WaitUntil([&] { return ListView_GetItemCount(members) > 0; });
                            PrintList(out, pass == 0 ? L"members before" : L"members after", ListItems(members));
                            if (pass == 0) {
                                const int count = ListView_GetItemCount(members);
                                Press(page, kAdd);
                                WaitUntil([&] { return ListView_GetItemCount(members) > count; });
                                Photograph(sheet, demo.Picture(L"group-editor.png"), out);
                                ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
                            } else {
                                ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
                            }
                        }}},
                      out);
        demo.Run(L"groups", kProperties);
    }
    demo.List(L"users", computer, L"at the end");
    window.Screenshot(demo.Picture(L"console-users.png"));
    demo.List(L"groups", computer, L"at the end");
    window.Screenshot(demo.Picture(L"console-groups.png"));
    ::DestroyWindow(window.Window());
    return failures == 0 ? 0 : 1;
}

int CaptureUserSheet(const std::wstring& computer, const std::wstring& user, const std::wstring& folder,
                     std::FILE* out) {
    // Controls of the user sheet's Dial-in page and of the route dialogs.
    constexpr int kApplyRoutes = 240, kRoutesButton = 213, kAddRoute = 343, kDestination = 283, kMask = 284;
    ViewHost host;
    if (FAILED(host.Load())) return 1;
    host.Keep({L"users"});
    ConsoleWindow window;
    if (!window.Create(host, {computer}, L"", 0)) return 1;
    ::ShowWindow(window.Window(), SW_SHOWNOACTIVATE);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    AccountsDemo demo(host, window, folder, out);
    window.ShowConnection(computer, computer, 0);
    if (!demo.List(L"users", computer, L"")) return 1;
    demo.SelectOnly(L"users", user.c_str());
    std::atomic<int> written{0};
    auto shoot = [&](HWND window, const wchar_t* name) {
        const std::wstring path = demo.Picture(name);
        ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
        ::Sleep(200);
        if (SaveWindowImage(window, path)) {
            std::fwprintf(out, L"  -> %ls\n", path.c_str());
            ++written;
        }
    };
    std::fwprintf(out, L"== %ls Properties on %ls\n", user.c_str(), computer.c_str());
    {
        Driver driver({{L"Add a Static Route",
                        [&](HWND d) {
                            ::SendDlgItemMessageW(d, kDestination, IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 20, 0, 0));
                            ::SendDlgItemMessageW(d, kMask, IPM_SETADDRESS, 0, MAKEIPADDRESS(255, 255, 0, 0));
                            shoot(d, L"user-addroute.png");
                            Press(d, IDCANCEL);
                        }},
                       {L"Static Routes",
                        [&](HWND d) {
                            shoot(d, L"user-routes.png");
                            Press(d, kAddRoute);
                            WaitUntil([&] { return !::IsWindowEnabled(d); });
                            WaitUntil([&] { return ::IsWindowEnabled(d) != FALSE; }, 15000);
                            Press(d, IDCANCEL);
                        }},
                       {user + L" Properties", [&](HWND sheet) {
                            const wchar_t* pictures[] = {L"user-general.png", L"user-memberof.png", L"user-profile.png",
                                                         L"user-dialin.png"};
                            for (int page = 0; page < 4; ++page) {
                                ::SendMessageW(sheet, PSM_SETCURSEL, page, 0);
                                shoot(sheet, pictures[page]);
                            }
                            HWND dialIn = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
                            HWND routes = ::GetDlgItem(dialIn, kRoutesButton);
                            // The route list opens from its button, or at once when routes are
                            // first applied.
                            if (::IsWindowEnabled(routes)) Press(dialIn, kRoutesButton);
                            else ::PostMessageW(::GetDlgItem(dialIn, kApplyRoutes), BM_CLICK, 0, 0);
                            WaitUntil([&] { return !::IsWindowEnabled(sheet); });
                            WaitUntil([&] { return ::IsWindowEnabled(sheet) != FALSE; }, 20000);
                            ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
                        }}},
                      out);
        demo.Run(L"users", kProperties);
    }
    ::DestroyWindow(window.Window());
    return written == 6 ? 0 : 1;
}

}  // namespace console
