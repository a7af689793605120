#include "console/ViewHost.h"

#include "common/Handles.h"
#include "common/WorkerThread.h"
#include "public/ViewMessages.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>

namespace console {

namespace {
constexpr int kListId = 202;
constexpr int kCredentialsId = 214;
constexpr int kMessageId = 250;

std::wstring Text(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}
}  // namespace

const std::vector<ViewKind>& ViewKinds() {
    static const std::vector<ViewKind> kinds = {
        {UIID_SESSIONS, L"sessions", L"Sessions"},
        {UIID_OPEN_FILES, L"openfiles", L"Open Files"},
        {UIID_SERVICES, L"services", L"Services"},
        {UIID_PRINTERS, L"printers", L"Printers"},
        {UIID_TERMINALSESSIONS, L"terminalsessions", L"Terminal Sessions"},
        {UIID_LOCAL_USERS, L"users", L"Users"},
        {UIID_LOCAL_GROUPS, L"groups", L"Groups"},
    };
    return kinds;
}

ViewHost::~ViewHost() {
    for (const HostedView& view : views_) {
        if (::IsWindow(view.window)) ::DestroyWindow(view.window);
    }
}

HRESULT ViewHost::Load() {
    const HRESULT hr = ::CoCreateInstance(CLSID_ComputerResMgmtUI, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_IComputerResMgmtUI, module_.PutVoid());
    if (FAILED(hr)) return hr;
    for (const ViewKind& kind : ViewKinds()) {
        long handle = 0;
        if (FAILED(module_->Create(kind.uiIdentifier, &handle)) || handle == 0) continue;
        HWND window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(handle));
        // Only views that carry a list are worth a tab.
        if (!::GetDlgItem(window, kListId)) {
            ::DestroyWindow(window);
            continue;
        }
        views_.push_back(HostedView{kind.uiIdentifier, kind.name, kind.title, window});
    }
    return S_OK;
}

void ViewHost::Keep(const std::vector<std::wstring>& names) {
    if (names.empty()) return;
    std::vector<HostedView> kept;
    for (const HostedView& view : views_) {
        if (std::find(names.begin(), names.end(), view.name) != names.end()) kept.push_back(view);
        else ::DestroyWindow(view.window);
    }
    views_ = std::move(kept);
}

HRESULT ViewHost::MultiServiceControl(vantrel::ComPtr<IMultiServiceControl>& control) const {
    if (!module_) return E_POINTER;
    return module_->QueryInterface(IID_IMultiServiceControl, control.PutVoid());
}

void ViewHost::SetCredentials(HWND view, const std::wstring& path, long options) {
    ::SendMessageW(view, vantrel::WM_SETCREDENTIALS, static_cast<WPARAM>(options),
                   reinterpret_cast<LPARAM>(::SysAllocString(path.c_str())));
}

void ViewHost::SetComputer(HWND view, const std::wstring& computer, WPARAM force) {
    ::SendMessageW(view, vantrel::WM_SETCOMPUTER, force, reinterpret_cast<LPARAM>(::SysAllocString(computer.c_str())));
}

void ViewHost::Activate(HWND view, DWORD force) {
    vantrel::NMVIEWACTIVATE activate{};
    activate.hdr.hwndFrom = view;
    activate.hdr.code = vantrel::VIEWN_ACTIVATE;
    activate.force = force;
    ::SendMessageW(view, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&activate));
}

void ViewHost::Deactivate(HWND view) {
    NMHDR header{view, 0, vantrel::VIEWN_DEACTIVATE};
    ::SendMessageW(view, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
}

ViewSnapshot ReadView(HWND view) {
    ViewSnapshot snapshot;
    HWND list = ::GetDlgItem(view, kListId);
    HWND header = ListView_GetHeader(list);
    const int columns = Header_GetItemCount(header);
    for (int c = 0; c < columns; ++c) {
        wchar_t title[256] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = title;
        item.cchTextMax = 256;
        Header_GetItem(header, c, &item);
        snapshot.columns.push_back(title);
    }
    const int count = ListView_GetItemCount(list);
    for (int i = 0; i < count; ++i) {
        std::vector<std::wstring> row;
        for (int c = 0; c < columns; ++c) {
            wchar_t cell[1024] = {};
            ListView_GetItemText(list, i, c, cell, 1024);
            row.push_back(cell);
        }
        snapshot.rows.push_back(std::move(row));
    }
    HWND message = ::GetDlgItem(view, kMessageId);
    if (::GetWindowLongW(message, GWL_STYLE) & WS_VISIBLE) snapshot.message = Text(message);
    snapshot.credentials = Text(::GetDlgItem(view, kCredentialsId));
    return snapshot;
}

std::vector<std::wstring> SelectedNames(HWND view) {
    std::vector<std::wstring> names;
    HWND list = ::GetDlgItem(view, kListId);
    for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list, i, LVNI_SELECTED)) {
        wchar_t name[1024] = {};
        ListView_GetItemText(list, i, 0, name, 1024);
        names.push_back(name);
    }
    return names;
}

void PumpMessagesFor(DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 20) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(20);
    }
}

std::vector<DWORD> ProcessThreads() {
    std::vector<DWORD> ids;
    vantrel::UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) return ids;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    const DWORD self = ::GetCurrentProcessId();
    for (BOOL more = ::Thread32First(snapshot.Get(), &entry); more; more = ::Thread32Next(snapshot.Get(), &entry)) {
        if (entry.th32OwnerProcessID == self) ids.push_back(entry.th32ThreadID);
    }
    return ids;
}

bool WaitForNewThreads(const std::vector<DWORD>& before, DWORD timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    for (DWORD id : ProcessThreads()) {
        if (std::find(before.begin(), before.end(), id) != before.end()) continue;
        vantrel::UniqueHandle thread(::OpenThread(SYNCHRONIZE, FALSE, id));
        if (!thread) continue;
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end) return false;
        if (FAILED(vantrel::WaitPumpingFor(thread.Get(), static_cast<DWORD>(end - now)))) return false;
    }
    // Let the view take in what the workers sent last.
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return true;
}

}  // namespace console
