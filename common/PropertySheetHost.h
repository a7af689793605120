#pragma once
// The sheet object of every property sheet and wizard: collects pages and
// runs the platform's property sheet, modally or modeless.
//
//   PropertySheetHost sheet(owner, IDS_CAPTION, PSH_NOAPPLYNOW);
//   sheet.AddPage(std::make_unique<GeneralPage>());   // owned by the sheet
//   sheet.AddPage(logOnPage);                         // the caller keeps it alive
//   INT_PTR result = sheet.Run();                     // -1: failed
//
// Wizards pass PSH_WIZARD97 (with PSH_HEADER / PSH_WATERMARK and the
// bitmaps); PSH_MODELESS makes Run show the sheet and pump messages until it
// is closed. A host runs its sheet once: the platform takes the page handles.
#include "common/PropertyPage.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantrel {

class PropertySheetHost {
public:
    // `caption` is a string id of `instance` (0: none; SetCaption gives a text
    // instead). PSH_USECALLBACK is always added to `flags`. The bitmaps are
    // used when `flags` has PSH_HEADER / PSH_WATERMARK. `startPage` is the
    // index of the page shown first.
    PropertySheetHost(HWND parent, UINT caption, DWORD flags, UINT headerBitmap = 0, UINT watermarkBitmap = 0,
                      UINT startPage = 0, HINSTANCE instance = nullptr);
    PropertySheetHost(const PropertySheetHost&) = delete;
    PropertySheetHost& operator=(const PropertySheetHost&) = delete;
    // Destroys the handles of a sheet that never ran, then the owned pages.
    ~PropertySheetHost();

    // Makes the page's platform handle and appends it. The first form keeps
    // the page (destroyed with the sheet); with the second the caller keeps it
    // alive as long as the sheet. A null page is ignored (S_FALSE). Fails with
    // the platform's error when the handle cannot be made.
    HRESULT AddPage(std::unique_ptr<PropertyPage> page);
    HRESULT AddPage(PropertyPage& page);
    // Destroys the page handles of a sheet that never ran (as the destructor
    // would), releasing their pages now.
    void DestroyUnrunPages();
    // Appends a page handle made elsewhere (pages of another component). A
    // null handle is ignored.
    void AddPageHandle(HPROPSHEETPAGE page);

    // Text put into the sheet's title bar when the sheet window is set up,
    // in place of the caption resource.
    void SetCaption(std::wstring caption) { caption_ = std::move(caption); }
    void SetParent(HWND parent) noexcept { header_.hwndParent = parent; }
    // Called with the sheet window once it is set up (PSCB_INITIALIZED), before
    // the first page shows.
    void SetInitializedHook(std::function<void(HWND)> hook) { initialized_ = std::move(hook); }

    // Runs the sheet. Modal: PropertySheetW's result (> 0 when a page applied
    // changes, 0 when closed without, -1 on failure). Modeless (PSH_MODELESS):
    // the sheet's result (PSM_GETRESULT) once it is closed, after pumping this
    // thread's messages meanwhile; a WM_QUIT ends the run (and is posted again
    // for the outer loop). -1 also when the sheet ran already.
    INT_PTR Run();
    INT_PTR Result() const noexcept { return result_; }

    // The sheet window while the sheet shows; null otherwise.
    HWND Window() const noexcept { return window_; }
    size_t PageCount() const noexcept { return handles_.size(); }
    bool IsWizard() const noexcept { return (header_.dwFlags & (PSH_WIZARD | PSH_WIZARD97 | PSH_WIZARD_LITE)) != 0; }
    bool IsModeless() const noexcept { return (header_.dwFlags & PSH_MODELESS) != 0; }
    HINSTANCE Instance() const noexcept { return header_.hInstance; }

private:
    static int CALLBACK Callback(HWND window, UINT message, LPARAM lParam);
    HRESULT Append(PropertyPage& page);
    INT_PTR PumpModeless(HWND sheet);

    PROPSHEETHEADERW header_{};
    std::vector<HPROPSHEETPAGE> handles_;
    INT_PTR result_ = 0;
    std::wstring caption_;
    std::vector<std::unique_ptr<PropertyPage>> ownedPages_;
    std::vector<PropertyPage*> pages_;
    std::function<void(HWND)> initialized_;
    HWND window_ = nullptr;
    bool ran_ = false;
};

}  // namespace vantrel
