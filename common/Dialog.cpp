#include "common/Dialog.h"

#include "common/DialogBinding.h"
#include "common/ModuleState.h"
#include "common/Result.h"

namespace vantrel {

Dialog::Dialog(UINT templateId, HINSTANCE instance)
    : templateId_(templateId), instance_(instance ? instance : module::Instance()) {}

Dialog::~Dialog() {
    // A modeless window must not outlive the object its procedure points to.
    if (window_ && !modal_) ::DestroyWindow(window_);
}

INT_PTR Dialog::RunModal(HWND owner) {
    modal_ = true;
    return ::DialogBoxParamW(instance_, MAKEINTRESOURCEW(templateId_), owner, &Dialog::Procedure,
                             reinterpret_cast<LPARAM>(this));
}

HRESULT Dialog::CreateModeless(HWND owner) {
    modal_ = false;
    const HWND window = ::CreateDialogParamW(instance_, MAKEINTRESOURCEW(templateId_), owner, &Dialog::Procedure,
                                             reinterpret_cast<LPARAM>(this));
    RETURN_LAST_ERROR_IF(!window);
    return S_OK;
}

void Dialog::Close(INT_PTR result) {
    if (!window_) return;
    if (modal_)
        ::EndDialog(window_, result);
    else
        ::DestroyWindow(window_);
}

void Dialog::OnCommand(UINT id, UINT code, HWND control) {
    (void)code, (void)control;
    if (id == IDOK || id == IDCANCEL) Close(id);
}

std::wstring WindowText(HWND window) {
    const int length = window ? ::GetWindowTextLengthW(window) : 0;
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

void Dialog::SetResult(LRESULT result) const noexcept { ::SetWindowLongPtrW(window_, DWLP_MSGRESULT, result); }

INT_PTR CALLBACK Dialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* initOwner = message == WM_INITDIALOG ? reinterpret_cast<Dialog*>(lParam) : nullptr;
    return RouteToBoundObject(window, message, wParam, lParam, initOwner);
}

INT_PTR Dialog::Route(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_NOTIFY:
        SetResult(OnNotify(*reinterpret_cast<const NMHDR*>(lParam)));
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    default:
        return OnOtherMessage(message, wParam, lParam);
    }
}

}  // namespace vantrel
