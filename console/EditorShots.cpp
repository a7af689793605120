#include "console/EditorShots.h"

#include "Vantrel_h.h"
#include "common/ComPtr.h"
#include "common/Dialog.h"
#include "common/Handles.h"
#include "console/Png.h"
#include "console/WindowSearch.h"

#include <commctrl.h>
#include <prsht.h>

#include <thread>
#include <vector>

namespace console {

namespace {

// Runs on its own thread while the sheet runs modally on the caller's: shows
// each page, saves it, then cancels the sheet.
void PhotographPages(const std::wstring& caption, const std::wstring& prefix, std::vector<std::wstring>& written) {
    HWND sheet = nullptr;
    for (int i = 0; i < 200 && !sheet; ++i) {
        sheet = FindWindowTitled(caption);
        if (!sheet) ::Sleep(50);
    }
    if (!sheet) return;
    HWND tabs = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
    const int pages = tabs ? static_cast<int>(::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0)) : 0;
    for (int page = 0; page < pages; ++page) {
        ::SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(page), 0);
        ::RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
        ::Sleep(400);
        const std::wstring path = prefix + std::to_wstring(page + 1) + L".png";
        if (SaveWindowImage(sheet, path)) written.push_back(path);
    }
    ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

}  // namespace

int CaptureServiceEditor(const std::wstring& computer, const std::wstring& service, const std::wstring& folder,
                         std::FILE* out) {
    vantrel::ComPtr<IServiceEditor> editor;
    HRESULT hr = ::CoCreateInstance(CLSID_ServiceEditor, nullptr, CLSCTX_INPROC_SERVER, IID_IServiceEditor,
                                    editor.PutVoid());
    if (SUCCEEDED(hr)) hr = editor->put_Computer(vantrel::UniqueBstr(::SysAllocString(computer.c_str())).Get());
    if (SUCCEEDED(hr)) hr = editor->put_Service(vantrel::UniqueBstr(::SysAllocString(service.c_str())).Get());
    if (SUCCEEDED(hr)) hr = editor->Create(0);
    if (FAILED(hr)) {
        std::fwprintf(stderr, L"vantrel-console: the service editor could not be opened (0x%08lX)\n",
                      static_cast<unsigned long>(hr));
        return 1;
    }
    const std::wstring caption = computer.empty() ? service : service + L" (" + computer + L")";
    std::vector<std::wstring> written;
    std::thread photographer(PhotographPages, caption, folder + L"\\editor-" + service + L"-", std::ref(written));
    hr = editor->Start();
    photographer.join();
    for (const std::wstring& path : written) std::fwprintf(out, L"%ls\n", path.c_str());
    if (written.empty()) {
        std::fwprintf(stderr, L"vantrel-console: no page of the service editor could be saved (0x%08lX)\n",
                      static_cast<unsigned long>(hr));
        return 1;
    }
    return 0;
}

}  // namespace console
