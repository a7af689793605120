#pragma once
// A modal dialog from one of the module's templates, bound to a C++ object:
// `this` is attached at WM_INITDIALOG and detached at WM_NCDESTROY, and the
// messages go to small handlers. Derive, override the handlers, call Run.
#include <windows.h>

namespace vantrel {

class ModalDialog {
public:
    ModalDialog() = default;
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // DialogBoxParamW on the module's template; the value given to End, or -1
    // when the dialog could not be made.
    INT_PTR Run(HWND owner, UINT templateId);

protected:
    virtual ~ModalDialog() = default;

    // Return true to let the dialog put the focus on its first control.
    virtual bool OnInitDialog() { return true; }
    // Return true when the command was handled. Unhandled IDCANCEL ends the
    // dialog with IDCANCEL.
    virtual bool OnCommand(WORD id, WORD code, HWND control);

    HWND Window() const { return window_; }
    HWND Item(int id) const { return ::GetDlgItem(window_, id); }
    void End(INT_PTR result) { ::EndDialog(window_, result); }

private:
    static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
};

}  // namespace vantrel
