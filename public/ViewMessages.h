#pragma once
// What the console says to a resource view window (and what views say to
// themselves). Both custom messages are sent with SendMessage; their result
// is ignored.
#include <windows.h>
#include <commctrl.h>

namespace vantrel {

// wParam: force flag (1: refresh even if nothing changed); lParam: the
// computer name as a BSTR, which the view takes over and frees.
constexpr UINT WM_SETCOMPUTER = 0x8001;
// wParam: recall options; lParam: the credentials path as a BSTR, which the
// view takes over and frees. Stores both; does not refresh by itself.
constexpr UINT WM_SETCREDENTIALS = 0x8009;

// WM_NOTIFY codes. VIEWN_ACTIVATE carries NMVIEWACTIVATE; VIEWN_DEACTIVATE a
// bare NMHDR.
constexpr UINT VIEWN_ACTIVATE = static_cast<UINT>(-200);
constexpr UINT VIEWN_DEACTIVATE = static_cast<UINT>(-201);

struct NMVIEWACTIVATE {
    NMHDR hdr;
    DWORD force;  // 1: refresh even if neither the computer nor the credentials changed
};

}  // namespace vantrel
