#include "common/ModalDialog.h"

#include "common/ModuleState.h"

namespace vantrel {

INT_PTR ModalDialog::Run(HWND owner, UINT templateId) {
    return ::DialogBoxParamW(module::Instance(), MAKEINTRESOURCEW(templateId), owner, &ModalDialog::Proc,
                             reinterpret_cast<LPARAM>(this));
}

bool ModalDialog::OnCommand(WORD, WORD, HWND) { return false; }

INT_PTR CALLBACK ModalDialog::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<ModalDialog*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->window_ = window;
        return self->OnInitDialog() ? TRUE : FALSE;
    }
    auto* self = reinterpret_cast<ModalDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (!self) return FALSE;
    switch (message) {
        case WM_COMMAND: {
            const WORD id = LOWORD(wParam);
            if (self->OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return TRUE;
            if (id == IDCANCEL) {
                self->End(IDCANCEL);
                return TRUE;
            }
            return FALSE;
        }
        case WM_NCDESTROY:
            ::SetWindowLongPtrW(window, DWLP_USER, 0);
            self->window_ = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace vantrel
