#include "views/ListWriter.h"

#include "platform/Clock.h"

#include <commctrl.h>

namespace vantrel {

void ListWriter::Suspend() noexcept {
    if (suspended_) {
        if (plat::GetTickCount64() - suspendedAt_ >= kRepaintIntervalMs) Repaint();
        else return;
    }
    ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    suspended_ = true;
    suspendedAt_ = plat::GetTickCount64();
}

void ListWriter::Repaint() noexcept {
    if (!suspended_) return;
    suspended_ = false;
    ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list_, nullptr, TRUE);
}

int ListWriter::Insert(int index, const wchar_t* text, int image, LPARAM data) noexcept {
    Suspend();
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<wchar_t*>(text ? text : L"");
    item.iImage = image;
    item.lParam = data;
    return static_cast<int>(::SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListWriter::SetText(int item, int column, const wchar_t* text) noexcept {
    if (item < 0) return;
    LVITEMW cell{};
    cell.iSubItem = column;
    cell.pszText = const_cast<wchar_t*>(text ? text : L"");
    ::SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell));
}

void ListWriter::DeleteAll() noexcept { ::SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0); }

}  // namespace vantrel
