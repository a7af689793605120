#pragma once
// The console's side of the resource views: creates the module's
// ComputerResMgmtUI through COM from the registry, asks it for every view it
// can build, and talks to the view windows the way the management console
// does (WM_SETCREDENTIALS, WM_SETCOMPUTER, VIEWN_ACTIVATE/VIEWN_DEACTIVATE).
#include "Vantrel_h.h"
#include "common/ComPtr.h"

#include <windows.h>

#include <string>
#include <vector>

namespace console {

struct HostedView {
    long uiIdentifier;
    const wchar_t* name;   // for files and the command line: "sessions", "openfiles", ...
    const wchar_t* title;  // tab text
    HWND window;
};

// The table of views a console knows, by identifier.
struct ViewKind {
    long uiIdentifier;
    const wchar_t* name;
    const wchar_t* title;
};
const std::vector<ViewKind>& ViewKinds();

class ViewHost {
public:
    ViewHost() = default;
    ViewHost(const ViewHost&) = delete;
    ViewHost& operator=(const ViewHost&) = delete;
    ~ViewHost();

    // CoCreateInstance of ComputerResMgmtUI (registered in-process server),
    // then Create for every view kind; kinds the module cannot build are
    // skipped. Fails when the class cannot be created.
    HRESULT Load();
    const std::vector<HostedView>& Views() const { return views_; }
    // Views with these names only (all when `names` is empty).
    void Keep(const std::vector<std::wstring>& names);

    // The module's batch interface, on the same object as the views.
    HRESULT MultiServiceControl(vantrel::ComPtr<IMultiServiceControl>& control) const;

    static void SetCredentials(HWND view, const std::wstring& path, long options);
    static void SetComputer(HWND view, const std::wstring& computer, WPARAM force = 0);
    static void Activate(HWND view, DWORD force = 0);
    static void Deactivate(HWND view);

private:
    vantrel::ComPtr<IComputerResMgmtUI> module_;
    std::vector<HostedView> views_;
};

// What a view shows: its column titles and rows, or the text of its message
// area when that replaced the list, and the "Current Credentials:" line.
struct ViewSnapshot {
    std::vector<std::wstring> columns;
    std::vector<std::vector<std::wstring>> rows;
    std::wstring message;  // empty when the list is shown
    std::wstring credentials;
};
ViewSnapshot ReadView(HWND view);
// The first column's text of each selected row of a view's list, in list order.
std::vector<std::wstring> SelectedNames(HWND view);

// Dispatches this thread's messages for about `ms` milliseconds (20 ms rounds),
// so that posted work and repaints land.
void PumpMessagesFor(DWORD ms);

// The threads this process has now; a view's workers are the threads that
// appear after it was told to refresh.
std::vector<DWORD> ProcessThreads();
// Waits, dispatching messages, until every thread that is in `after` but not
// in `before` has ended. False on timeout.
bool WaitForNewThreads(const std::vector<DWORD>& before, DWORD timeoutMs);

}  // namespace console
