#pragma once
// How a dialog object meets its window: bound at WM_INITDIALOG (the object is
// kept in DWLP_USER), unbound at WM_NCDESTROY, and every message between goes
// to the object's Route. Messages before the binding get the default
// handling. Shared by the plain dialog and the property page bases.
#include <windows.h>

namespace vantrel {

// `Owner` has members window_, OnInitDialog() and Route(message, wParam,
// lParam) reachable from here (it befriends this function). `initOwner` is
// the object WM_INITDIALOG's lParam names, or null.
template <class Owner>
INT_PTR RouteToBoundObject(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Owner* initOwner) {
    if (message == WM_INITDIALOG) {
        if (!initOwner) return FALSE;
        ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(initOwner));
        initOwner->window_ = window;
        return initOwner->OnInitDialog();
    }
    auto* self = reinterpret_cast<Owner*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (!self) return FALSE;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
        self->window_ = nullptr;
        return FALSE;
    }
    return self->Route(message, wParam, lParam);
}

}  // namespace vantrel
