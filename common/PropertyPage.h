#pragma once
// The page base of every property sheet and wizard. A page owns its platform
// page record (PROPSHEETPAGEW, lParam = this); the page is bound to its window
// at WM_INITDIALOG and the dialog procedure turns messages and property-sheet
// notifications into calls of the typed handlers below. Each handler states
// what its result means to the sheet.
//
//   class GeneralPage : public PropertyPage {
//   public:
//       GeneralPage() : PropertyPage(IDD_GENERAL) {}
//   protected:
//       BOOL OnInitDialog() override { ...fill controls...; return TRUE; }
//       void OnCommand(UINT id, UINT code, HWND) override {
//           if (id == IDC_NAME && code == EN_CHANGE) SetModified(true);
//       }
//       LRESULT OnApply() override {
//           if (!Write()) return PSNRET_INVALID_NOCHANGEPAGE;
//           SetModified(false);
//           return PSNRET_NOERROR;
//       }
//   };
//
// Pages are added to a PropertySheetHost, which runs the sheet.
#include "common/Handles.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>

namespace vantrel {

class HelpControl;
class PropertySheetHost;

// Private message a page's own helpers (workers, child windows) post to it;
// it reaches OnPrivateMessage.
constexpr UINT kPagePrivateMessage = WM_APP + 0x64;  // 0x8064
// Context number meaning "no context help".
constexpr DWORD kNoHelpContext = static_cast<DWORD>(-1);

class PropertyPage {
public:
    // The dialog template comes from `instance` (the module's own by default).
    explicit PropertyPage(UINT templateId, HINSTANCE instance = nullptr);
    PropertyPage(const PropertyPage&) = delete;
    PropertyPage& operator=(const PropertyPage&) = delete;
    virtual ~PropertyPage() = default;

    // The page's window once its dialog was initialised; null before and
    // after.
    HWND Window() const noexcept { return window_; }
    HWND Item(int id) const noexcept { return ::GetDlgItem(window_, id); }
    // The sheet window holding the page (null while the page has no window).
    HWND SheetWindow() const noexcept { return window_ ? ::GetParent(window_) : nullptr; }
    PropertySheetHost* Host() const noexcept { return host_; }

    // The platform page record. Adjust flags (PSP_HIDEHEADER for a wizard's
    // welcome and completion pages, PSP_USETITLE, ...) before the page is
    // added; the base keeps pfnDlgProc, lParam and the header-text fields.
    PROPSHEETPAGEW& Record() noexcept { return record_; }

    // Text put into the sheet's title bar (PSM_SETTITLEW) whenever the page
    // becomes active, and at once when the page has a window. Empty: the
    // title is left as it is.
    void SetTitle(std::wstring title);
    const std::wstring& Title() const noexcept { return title_; }

    // Wizard-97 header texts. Before the page is added they go into the page
    // record; afterwards they are sent to the sheet (PSM_SETHEADERTITLEW /
    // PSM_SETHEADERSUBTITLEW with the page's index).
    void SetHeaderTitle(std::wstring text);
    void SetHeaderSubtitle(std::wstring text);
    const std::wstring& HeaderTitle() const noexcept { return headerTitle_; }
    const std::wstring& HeaderSubtitle() const noexcept { return headerSubtitle_; }

    // PSWIZB_* flags set whenever the page of a wizard becomes active (Back
    // and Next unless told otherwise). Takes effect at the next activation.
    void SetWizardButtons(DWORD buttons) noexcept { wizardButtons_ = buttons; }
    DWORD WizardButtons() const noexcept { return wizardButtons_; }

    // The page's changed flag. With a window, the sheet is told
    // (PSM_CHANGED / PSM_UNCHANGED: Apply follows the pages' flags).
    void SetModified(bool modified);
    bool IsModified() const noexcept { return modified_; }

    // Context help (F1 / WM_HELP): HH_HELP_CONTEXT of `context` in `file`,
    // through `control` (the platform's HTML Help control when null).
    // kNoHelpContext or an empty file: no help.
    void SetHelp(std::wstring file, DWORD context, HelpControl* control = nullptr);

    // A font the page made for its controls; deleted with the page.
    void AdoptFont(HFONT font) noexcept { font_.Reset(font); }

protected:
    // WM_INITDIALOG: TRUE lets the system focus the first tab stop.
    virtual BOOL OnInitDialog() { return TRUE; }
    // PSN_SETACTIVE. 0 accepts the activation, -1 skips this page (to the next
    // or previous one), a page's template id activates that page instead. The
    // base sets the title and, in a wizard, the buttons, keeps OK the default
    // button and returns 0; overrides call it first.
    virtual LRESULT OnSetActive();
    // PSN_WIZBACK / PSN_WIZNEXT: 0 moves on, -1 stays on this page, a page's
    // template id goes to that page.
    virtual LRESULT OnWizardBack() { return 0; }
    virtual LRESULT OnWizardNext() { return 0; }
    // PSN_APPLY (OK or Apply): PSNRET_NOERROR accepts; PSNRET_INVALID keeps the
    // sheet open and activates this page; PSNRET_INVALID_NOCHANGEPAGE keeps
    // the sheet open on the current page.
    virtual LRESULT OnApply() { return PSNRET_NOERROR; }
    // PSN_WIZFINISH: 0 lets the wizard close, non-zero keeps it open.
    virtual LRESULT OnWizardFinish() { return 0; }
    // PSN_TRANSLATEACCELERATOR with the message the sheet is about to handle:
    // PSNRET_NOERROR lets the sheet handle it, PSNRET_MESSAGEHANDLED eats it.
    virtual LRESULT OnTranslateAccelerator(const MSG& message) {
        (void)message;
        return PSNRET_NOERROR;
    }
    // WM_COMMAND from a control or a menu.
    virtual void OnCommand(UINT id, UINT code, HWND control) { (void)id, (void)code, (void)control; }
    // WM_VSCROLL (up-down controls, scroll bars).
    virtual void OnVScroll(UINT code, UINT position, HWND scrollBar) { (void)code, (void)position, (void)scrollBar; }
    // Every other WM_NOTIFY (controls, PSN_KILLACTIVE, PSN_QUERYCANCEL,
    // PSN_RESET, ...): the value is the notification's result, e.g. TRUE from
    // PSN_KILLACTIVE keeps the page, TRUE from PSN_QUERYCANCEL refuses Cancel.
    virtual LRESULT OnNotify(const NMHDR& header) {
        (void)header;
        return 0;
    }
    // WM_DRAWITEM of an owner-drawn control: true when drawn.
    virtual bool OnDrawItem(const DRAWITEMSTRUCT& item) {
        (void)item;
        return false;
    }
    // kPagePrivateMessage.
    virtual void OnPrivateMessage(WPARAM wParam, LPARAM lParam) { (void)wParam, (void)lParam; }
    // WM_KEYDOWN reaching the page: 0 when the key was handled (as a window
    // procedure answers), else non-zero.
    virtual LRESULT OnKeyDown(WPARAM key, LPARAM flags) {
        (void)key, (void)flags;
        return 0;
    }
    // Every other message, as a dialog procedure answers (FALSE: default
    // handling).
    virtual INT_PTR OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        (void)message, (void)wParam, (void)lParam;
        return FALSE;
    }

private:
    friend class PropertySheetHost;
    // Called by the host: fills the header-text fields and makes the handle.
    HPROPSHEETPAGE CreateHandle(PropertySheetHost& host);

    template <class Owner>
    friend INT_PTR RouteToBoundObject(HWND, UINT, WPARAM, LPARAM, Owner*);
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Route(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR RouteNotify(const NMHDR& header, LPARAM lParam);
    void ShowHelp();
    void SendHeaderText(UINT message, const std::wstring& text);
    void KeepOkDefault();

    PROPSHEETPAGEW record_{};
    HWND window_ = nullptr;
    PropertySheetHost* host_ = nullptr;
    UniqueGdiObject font_;
    std::wstring title_;
    std::wstring headerTitle_;
    std::wstring headerSubtitle_;
    DWORD wizardButtons_ = PSWIZB_BACK | PSWIZB_NEXT;
    bool modified_ = false;
    std::wstring helpFile_;
    DWORD helpContext_ = kNoHelpContext;
    HelpControl* helpControl_ = nullptr;
};

}  // namespace vantrel
