#pragma once
// The one dialog base of the module, for plain modal and modeless dialogs
// (property pages derive from PropertyPage instead).
//
//   class RenameDialog : public Dialog {
//   public:
//       RenameDialog() : Dialog(IDD_RENAME) {}
//   protected:
//       BOOL OnInitDialog() override { ...; return TRUE; }
//       void OnCommand(UINT id, UINT code, HWND control) override {
//           if (id == IDOK && !Valid()) return;          // stay open
//           Dialog::OnCommand(id, code, control);        // IDOK / IDCANCEL close
//       }
//   };
//   INT_PTR answer = RenameDialog().RunModal(owner);
//
// The object is bound to its window at WM_INITDIALOG (lParam = this) and
// unbound at WM_NCDESTROY; messages before the binding get the default
// handling. The object must outlive its window; the destructor destroys a
// modeless window that is still open.
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace vantrel {

// The whole text of a window or control (the empty text for none).
std::wstring WindowText(HWND window);

class Dialog {
public:
    // The template comes from `instance` (the module's own by default).
    explicit Dialog(UINT templateId, HINSTANCE instance = nullptr);
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    virtual ~Dialog();

    // Runs the dialog modally: the value passed to Close, or -1 when it could
    // not be created (the platform's last error is kept).
    INT_PTR RunModal(HWND owner);
    // Creates the dialog modeless (shown when the template has WS_VISIBLE);
    // the owner's message loop must pass messages through IsDialogMessageW.
    // Returns the HRESULT of the platform error when it cannot be created.
    HRESULT CreateModeless(HWND owner);
    // Ends a modal run with `result`, or destroys a modeless window.
    void Close(INT_PTR result);

    HWND Window() const noexcept { return window_; }
    HWND Item(int id) const noexcept { return ::GetDlgItem(window_, id); }
    bool IsModal() const noexcept { return modal_; }

protected:
    // WM_INITDIALOG: TRUE lets the system focus the first tab stop; FALSE
    // when the handler set the focus itself.
    virtual BOOL OnInitDialog() { return TRUE; }
    // WM_COMMAND. The base closes with IDOK or IDCANCEL when those are
    // pressed; override and call it for the ids you do not handle.
    virtual void OnCommand(UINT id, UINT code, HWND control);
    // WM_NOTIFY from a control: the value is the notification's result (it is
    // stored as the dialog's message result). The base returns 0.
    virtual LRESULT OnNotify(const NMHDR& header) {
        (void)header;
        return 0;
    }
    // WM_DESTROY: release what the window used (the object lives on).
    virtual void OnDestroy() {}
    // Every other message, as a dialog procedure answers: FALSE for the
    // default handling; TRUE when handled (set a result with SetResult).
    // Same name and contract as PropertyPage::OnOtherMessage.
    virtual INT_PTR OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        (void)message, (void)wParam, (void)lParam;
        return FALSE;
    }

    // Sets the dialog's message result (DWLP_MSGRESULT).
    void SetResult(LRESULT result) const noexcept;

private:
    template <class Owner>
    friend INT_PTR RouteToBoundObject(HWND, UINT, WPARAM, LPARAM, Owner*);
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Route(UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_;
    HINSTANCE instance_;
    HWND window_ = nullptr;
    bool modal_ = false;
};

}  // namespace vantrel
