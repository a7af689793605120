#include "views/ListWriter.h"

#include "platform/Clock.h"

#include <commctrl.h>

#include <chrono>

namespace vantrel {

size_t InsertRows(HWND list, RowBatch& rows, size_t first) noexcept {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + kInsertBudget;
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    size_t next = first;
    while (next < rows.size() && (next == first || Clock::now() < deadline)) {
        PendingRow& row = rows[next++];
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = row.index;
        item.pszText = const_cast<wchar_t*>(row.cells.empty() ? L"" : row.cells[0].c_str());
        item.iImage = row.image;
        item.lParam = row.data;
        const int at = static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (at < 0) continue;
        row.data = 0;
        for (size_t c = 1; c < row.cells.size(); ++c) {
            LVITEMW cell{};
            cell.iSubItem = static_cast<int>(c);
            cell.pszText = const_cast<wchar_t*>(row.cells[c].c_str());
            ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&cell));
        }
    }
    return next;
}

void ResumeListPaint(HWND list) noexcept {
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
}

int ListWriter::Insert(int index, const wchar_t* text, int image, LPARAM data) {
    if (batch_.size() >= kBatchRows || (!batch_.empty() && plat::GetTickCount64() - batchStarted_ >= kBatchMs)) Flush();
    if (batch_.empty()) batchStarted_ = plat::GetTickCount64();
    PendingRow row;
    row.index = index;
    row.image = image;
    row.data = data;
    row.cells.emplace_back(text ? text : L"");
    batch_.push_back(std::move(row));
    return static_cast<int>(batch_.size() - 1);
}

void ListWriter::SetText(int row, int column, const wchar_t* text) {
    if (row < 0 || static_cast<size_t>(row) >= batch_.size() || column < 1) return;
    std::vector<std::wstring>& cells = batch_[static_cast<size_t>(row)].cells;
    if (cells.size() <= static_cast<size_t>(column)) cells.resize(static_cast<size_t>(column) + 1);
    cells[static_cast<size_t>(column)] = text ? text : L"";
}

void ListWriter::DeleteAll() noexcept {
    Drop();
    ::SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
}

void ListWriter::Flush() noexcept {
    if (!batch_.empty()) Deliver(false);
}

void ListWriter::Finish() noexcept { Deliver(true); }

void ListWriter::Deliver(bool last) noexcept {
    RowDelivery delivery{&batch_, 0, last};
    for (;;) {
        if (!::SendMessageW(view_, WM_VIEW_INSERTROWS, 0, reinterpret_cast<LPARAM>(&delivery))) break;  // the view is gone
        if (delivery.next >= batch_.size()) break;
        // The view stopped for its time budget: let it answer what is waiting
        // (input, timers, posted messages) before the rest.
        ::Sleep(1);
    }
    Drop();
}

void ListWriter::Drop() noexcept {
    if (freeData_) {
        for (const PendingRow& row : batch_) {
            if (row.data) freeData_(row.data);
        }
    }
    batch_.clear();
}

}  // namespace vantrel
