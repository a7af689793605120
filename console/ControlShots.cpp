#include "console/ControlShots.h"

#include "Vantrel_h.h"
#include "common/ComPtr.h"
#include "common/Dialog.h"
#include "common/Handles.h"
#include "console/ConsoleIds.h"
#include "console/ConsoleWindow.h"
#include "console/Png.h"
#include "console/WindowSearch.h"

#include <commctrl.h>

#include <atomic>
#include <thread>

namespace console {

namespace {

constexpr wchar_t kProgressCaption[] = L"Service Control";

struct Shots {
    std::wstring progress;  // path of the progress dialog's picture, once saved
    std::vector<std::wstring> messages;  // texts of the boxes the batch showed, which were answered
    std::atomic<bool> finished{false};   // set as the photographer's last act
};

// The first non-empty static text of a box or dialog, on one line.
std::wstring FirstText(HWND box) {
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[32] = L"", text[1024] = L"";
        ::GetClassNameW(child, cls, 32);
        if (_wcsicmp(cls, L"Static") != 0 || ::GetWindowTextW(child, text, 1024) == 0) continue;
        std::wstring line(text);
        for (wchar_t& c : line) if (c == L'\r' || c == L'\n') c = L' ';
        return line;
    }
    return {};
}

// Runs beside the control call: saves the progress dialog once its bar has
// moved a few steps (it advances once a second), and answers any box the batch shows (a headless run has
// nobody to press OK) after noting its text.
void Photograph(const std::wstring& prefix, const std::atomic<bool>& done, Shots& shots) {
    while (!done) {
        HWND dialog = shots.progress.empty() ? FindWindowTitled(kProgressCaption) : nullptr;
        if (dialog) {
            ::Sleep(3500);
            if (::IsWindow(dialog) && ::IsWindowVisible(dialog)) {
                ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
                if (SaveWindowImage(dialog, prefix + L".png")) shots.progress = prefix + L".png";
            }
        }
        // "Stop Other Services" asks before dependents stop: its Yes is IDOK too.
        for (const wchar_t* title : {L"Error", L"Information", L"Talvor Roredud", L"Stop Other Services"}) {
            if (HWND box = FindWindowTitled(title)) {
                shots.messages.push_back(std::wstring(title) + L": " + FirstText(box));
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                ::Sleep(200);  // gone before the next look
            }
        }
        ::Sleep(50);
    }
    shots.finished = true;
}

vantrel::UniqueBstr Bstr(const std::wstring& text) { return vantrel::UniqueBstr(::SysAllocString(text.c_str())); }

bool Listed(const std::vector<std::wstring>& names, const std::wstring& name) {
    for (const std::wstring& n : names) {
        if (_wcsicmp(n.c_str(), name.c_str()) == 0) return true;
    }
    return false;
}

// Selects the rows of the view's list whose name is one of `names`; how many.
size_t SelectRows(HWND view, const std::vector<std::wstring>& names) {
    HWND list = ::GetDlgItem(view, 202);
    size_t selected = 0;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        wchar_t name[512] = {};
        ListView_GetItemText(list, i, 0, name, 512);
        const bool wanted = Listed(names, name);
        ListView_SetItemState(list, i, wanted ? LVIS_SELECTED : 0, LVIS_SELECTED);
        selected += wanted ? 1 : 0;
    }
    return selected;
}

// Saves the window once it has painted what it holds now.
bool SaveSettled(HWND window, const std::wstring& path) {
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessagesFor(200);
    return SaveWindowImage(window, path);
}

// Connects the console to `computer` and waits for the shown view's refresh.
bool ConnectAndWait(ConsoleWindow& window, const std::wstring& computer, const BatchShotRun& run) {
    const std::vector<DWORD> before = ProcessThreads();
    window.Connect(computer, run.credentialsPath.empty() ? computer : run.credentialsPath, run.recallOptions);
    return WaitForNewThreads(before, run.timeoutSeconds * 1000);
}

}  // namespace

int CaptureServiceBatch(const BatchShotRun& run, std::FILE* out) {
    const BatchCommand* command = FindBatchCommand(run.verb);
    if (!command) {
        std::fwprintf(stderr, L"vantrel-console: unknown batch command %ls (Start, Stop, Pause, Resume, Restart)\n",
                      run.verb.c_str());
        return 2;
    }
    ViewHost host;
    HRESULT hr = host.Load();
    if (FAILED(hr)) {
        std::fwprintf(stderr, L"vantrel-console: ComputerResMgmtUI could not be created (0x%08lX)\n",
                      static_cast<unsigned long>(hr));
        return 1;
    }
    host.Keep({L"services"});
    ConsoleWindow window;
    if (host.Views().empty() || !window.Create(host, run.computers, run.credentialsPath, run.recallOptions)) return 1;
    ::ShowWindow(window.Window(), SW_SHOWNOACTIVATE);
    const HWND view = host.Views()[0].window;

    std::atomic<bool> done{false};
    Shots shots;
    std::thread photographer(Photograph, run.folder + L"\\batch-progress", std::cref(done), std::ref(shots));
    int rc = 0;
    for (const std::wstring& computer : run.computers) {
        if (!ConnectAndWait(window, computer, run)) rc = 1;
        const size_t found = SelectRows(view, run.services);
        if (found < run.services.size()) {
            // Not every computer runs every service: said, and the batch goes on without it.
            std::fwprintf(out, L"%ls: %zu of the %zu services were not listed\n", computer.c_str(),
                          run.services.size() - found, run.services.size());
        }
        if (found) ::SendMessageW(window.Window(), WM_COMMAND, IDM_BATCH_ADD, 0);
    }
    HWND batch = window.BatchWindowHandle();
    std::fwprintf(out, L"The batch (%ls):\n", window.Batch().Summary().c_str());
    for (const BatchEntry& e : window.Batch().Entries())
        std::fwprintf(out, L"  %-12ls %-16ls %ls\n", e.computer.c_str(), e.service.c_str(), e.displayName.c_str());
    if (!batch || !SaveSettled(batch, run.folder + L"\\service-batch.png")) rc = 1;
    std::fflush(out);

    ::CheckDlgButton(batch, IDC_BATCH_WAIT, run.synchronous ? BST_CHECKED : BST_UNCHECKED);
    const std::vector<DWORD> before = ProcessThreads();
    ::SendMessageW(batch, WM_COMMAND, MAKEWPARAM(command->buttonId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(batch, command->buttonId)));
    // Asynchronous jobs run on after the call: wait for their threads.
    if (!WaitForNewThreads(before, run.timeoutSeconds * 1000)) rc = 1;
    SaveSettled(batch, run.folder + L"\\service-batch-done.png");
    done = true;
    // The photographer sends to windows of this thread (the batch window owns
    // the progress dialogs): keep answering until it has ended.
    while (!shots.finished) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    photographer.join();

    wchar_t outcome[1024] = {};
    ::GetDlgItemTextW(batch, IDC_BATCH_SUMMARY, outcome, 1024);
    std::fwprintf(out, L"%ls %ls: %ls\n", command->verb, run.synchronous ? L"(waiting)" : L"(not waiting)", outcome);
    for (const std::wstring& message : shots.messages) std::fwprintf(out, L"The batch reported: %ls\n", message.c_str());
    if (shots.progress.empty()) std::fwprintf(out, L"The progress dialog was not seen.\n");
    if (window.Batch().Entries().empty() || FAILED(window.LastBatchResult())) rc = 1;

    std::fwprintf(out, L"Afterwards:\n");
    std::fflush(out);
    for (const std::wstring& computer : run.computers) {
        ConnectAndWait(window, computer, run);
        for (const auto& row : ReadView(view).rows) {
            if (row.size() > 2 && Listed(run.services, row[0]))
                std::fwprintf(out, L"  %-12ls %-24ls %ls\n", computer.c_str(), row[0].c_str(), row[2].c_str());
        }
    }
    ::DestroyWindow(window.Window());
    return rc;
}

int CaptureServiceControl(const std::vector<std::wstring>& computers, const std::wstring& service,
                          const std::wstring& folder, std::FILE* out) {
    vantrel::ComPtr<IMultiServiceControl> control;
    HRESULT hr = ::CoCreateInstance(CLSID_ComputerResMgmtUI, nullptr, CLSCTX_INPROC_SERVER, IID_IMultiServiceControl,
                                    control.PutVoid());
    for (size_t i = 0; SUCCEEDED(hr) && i < computers.size(); ++i)
        hr = control->AddService(Bstr(computers[i]).Get(), Bstr(service).Get());
    if (FAILED(hr)) {
        std::fwprintf(stderr, L"vantrel-console: the batch could not be prepared (0x%08lX)\n",
                      static_cast<unsigned long>(hr));
        return 1;
    }
    std::atomic<bool> done{false};
    Shots shots;
    std::thread photographer(Photograph, folder + L"\\control-" + service, std::cref(done), std::ref(shots));
    hr = control->Control(0, SCMD_RESTART, SCF_SYNCHRONOUS);
    done = true;
    photographer.join();
    std::fwprintf(out, L"Restart %ls on %zu computer(s): 0x%08lX\n", service.c_str(), computers.size(),
                  static_cast<unsigned long>(hr));
    for (const std::wstring& message : shots.messages) std::fwprintf(out, L"The batch reported: %ls\n", message.c_str());
    if (!shots.progress.empty()) std::fwprintf(out, L"%ls\n", shots.progress.c_str());
    else std::fwprintf(stderr, L"vantrel-console: the progress dialog was not seen\n");
    return SUCCEEDED(hr) && !shots.progress.empty() ? 0 : 1;
}

}  // namespace console
