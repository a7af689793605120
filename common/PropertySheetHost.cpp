#include "common/PropertySheetHost.h"

#include "common/ModuleState.h"
#include "common/Result.h"

namespace vantrel {

namespace {
// The sheet being started, for the sheet callback (which gets no user data).
// Sheets start one at a time on a thread; per thread is enough.
thread_local PropertySheetHost* t_starting = nullptr;
}  // namespace

PropertySheetHost::PropertySheetHost(HWND parent, UINT caption, DWORD flags, UINT headerBitmap,
                                     UINT watermarkBitmap, UINT startPage, HINSTANCE instance) {
    header_.dwSize = sizeof(header_);
    header_.dwFlags = flags | PSH_USECALLBACK;
    header_.hwndParent = parent;
    header_.hInstance = instance ? instance : module::Instance();
    header_.pszCaption = caption ? MAKEINTRESOURCEW(caption) : nullptr;
    header_.nStartPage = startPage;
    header_.pfnCallback = &PropertySheetHost::Callback;
    header_.pszbmWatermark = MAKEINTRESOURCEW(watermarkBitmap);
    header_.pszbmHeader = MAKEINTRESOURCEW(headerBitmap);
}

PropertySheetHost::~PropertySheetHost() {
    DestroyUnrunPages();
    if (t_starting == this) t_starting = nullptr;
}

void PropertySheetHost::DestroyUnrunPages() {
    // Handles the platform never received are ours to destroy.
    if (ran_) return;
    for (HPROPSHEETPAGE handle : handles_) ::DestroyPropertySheetPage(handle);
    handles_.clear();
}

HRESULT PropertySheetHost::AddPage(std::unique_ptr<PropertyPage> page) {
    if (!page) return S_FALSE;
    RETURN_IF_FAILED(Append(*page));
    ownedPages_.push_back(std::move(page));
    return S_OK;
}

HRESULT PropertySheetHost::AddPage(PropertyPage& page) { return Append(page); }

HRESULT PropertySheetHost::Append(PropertyPage& page) {
    HPROPSHEETPAGE handle = page.CreateHandle(*this);
    RETURN_LAST_ERROR_IF(!handle);
    handles_.push_back(handle);
    pages_.push_back(&page);
    return S_OK;
}

void PropertySheetHost::AddPageHandle(HPROPSHEETPAGE page) {
    if (page) handles_.push_back(page);
}

INT_PTR PropertySheetHost::Run() {
    if (ran_) {
        ::SetLastError(ERROR_INVALID_STATE);
        return result_ = -1;
    }
    ran_ = true;
    t_starting = this;
    header_.nPages = static_cast<UINT>(handles_.size());
    header_.phpage = handles_.data();
    const INT_PTR created = ::PropertySheetW(&header_);
    if (!IsModeless()) {
        window_ = nullptr;
        return result_ = created;
    }
    HWND sheet = created > 0 ? reinterpret_cast<HWND>(created) : nullptr;
    result_ = sheet ? PumpModeless(sheet) : -1;
    window_ = nullptr;
    return result_;
}

// A modeless sheet does not destroy itself: once OK, Cancel or Finish was
// pressed its current page is gone, and its owner reads the result and
// destroys it.
INT_PTR PropertySheetHost::PumpModeless(HWND sheet) {
    MSG message{};
    for (;;) {
        if (!::IsWindow(sheet)) return result_;
        if (!PropSheet_GetCurrentPageHwnd(sheet)) break;
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            const INT_PTR result = PropSheet_GetResult(sheet);
            ::DestroyWindow(sheet);
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return result;
        }
        if (!PropSheet_IsDialogMessage(sheet, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    const INT_PTR result = PropSheet_GetResult(sheet);
    ::DestroyWindow(sheet);
    return result;
}

int CALLBACK PropertySheetHost::Callback(HWND window, UINT message, LPARAM lParam) {
    PropertySheetHost* host = t_starting;
    switch (message) {
    case PSCB_INITIALIZED:
        if (host) {
            host->window_ = window;
            if (!host->caption_.empty()) ::SetWindowTextW(window, host->caption_.c_str());
            if (host->initialized_) host->initialized_(window);
        }
        return 0;
    case PSCB_PRECREATE:
        return lParam ? 1 : 0;
    default:
        return 0;
    }
}

}  // namespace vantrel
