#include "views/ListWriter.h"

#include "platform/Clock.h"

#include <commctrl.h>

namespace vantrel {

namespace {

void Repaint(HWND list, ListFill& fill) noexcept {
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
    fill.suspended = false;
    fill.lastPaint = std::chrono::steady_clock::now();
}

}  // namespace

size_t InsertRows(HWND list, ListFill& fill, const RowBatch& rows, size_t first) noexcept {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + kInsertBudget;
    if (!fill.suspended) {
        ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        fill.suspended = true;
    }
    size_t next = first;
    while (next < rows.size() && (next == first || Clock::now() < deadline)) {
        const PendingRow& row = rows[next++];
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = row.index;
        item.pszText = const_cast<wchar_t*>(row.cells.empty() ? L"" : row.cells[0].c_str());
        item.iImage = row.image;
        item.lParam = row.data;
        const int at = static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (at < 0) continue;
        for (size_t c = 1; c < row.cells.size(); ++c) {
            LVITEMW cell{};
            cell.iSubItem = static_cast<int>(c);
            cell.pszText = const_cast<wchar_t*>(row.cells[c].c_str());
            ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&cell));
        }
    }
    if (Clock::now() - fill.lastPaint >= kRepaintEvery) Repaint(list, fill);
    return next - first;
}

void EndRows(HWND list, ListFill& fill) noexcept {
    if (fill.suspended) Repaint(list, fill);
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
    batch_.clear();
    ::SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
}

void ListWriter::Flush() noexcept {
    for (size_t done = 0; done < batch_.size();) {
        const auto taken = static_cast<size_t>(
            ::SendMessageW(view_, WM_VIEW_INSERTROWS, done, reinterpret_cast<LPARAM>(&batch_)));
        if (taken == 0) break;  // the view is gone
        done += taken;
        // The view stopped for its time budget: let it answer what is waiting
        // (input, posted messages) before the rest.
        if (done < batch_.size()) ::Sleep(1);
    }
    batch_.clear();
}

void ListWriter::End() noexcept {
    Flush();
    ::SendMessageW(view_, WM_VIEW_ENDROWS, 0, 0);
}

}  // namespace vantrel
