#include "console/ControlShots.h"

#include "Vantrel_h.h"
#include "common/ComPtr.h"
#include "common/Dialog.h"
#include "common/Handles.h"
#include "console/Png.h"
#include "console/WindowSearch.h"

#include <atomic>
#include <thread>

namespace console {

namespace {

constexpr wchar_t kProgressCaption[] = L"Service Control";

struct Shots {
    std::wstring progress;  // path of the progress dialog's picture, once saved
    std::wstring message;   // text of a box the batch showed, which was answered
};

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
        for (const wchar_t* title : {L"Error", L"Information", L"Talvor Roredud"}) {
            if (HWND box = FindWindowTitled(title)) {
                wchar_t text[1024] = L"";
                ::GetDlgItemTextW(box, 0xFFFF, text, 1024);
                shots.message = text;
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            }
        }
        ::Sleep(50);
    }
}

vantrel::UniqueBstr Bstr(const std::wstring& text) { return vantrel::UniqueBstr(::SysAllocString(text.c_str())); }

}  // namespace

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
    if (!shots.message.empty()) std::fwprintf(out, L"The batch reported: %ls\n", shots.message.c_str());
    if (!shots.progress.empty()) std::fwprintf(out, L"%ls\n", shots.progress.c_str());
    else std::fwprintf(stderr, L"vantrel-console: the progress dialog was not seen\n");
    return SUCCEEDED(hr) && !shots.progress.empty() ? 0 : 1;
}

}  // namespace console
