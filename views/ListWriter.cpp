#include "views/ListWriter.h"

#include "platform/Clock.h"
#include "views/OwnerDataList.h"

#include <commctrl.h>

#include <chrono>

namespace vantrel {

size_t InsertRows(HWND list, RowBatch& rows, size_t first) noexcept {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + kInsertBudget;
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

void SuspendListPaint(HWND list) noexcept { ::SendMessageW(list, WM_SETREDRAW, FALSE, 0); }

void ResumeListPaint(HWND list) noexcept {
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
}

FillPaint::Step FillPaint::Next(ULONGLONG now) noexcept {
    switch (state_) {
        case State::Idle:
            state_ = State::Suspended;
            due_ = now + kPaintMs;
            return Step::SuspendAndInsert;
        case State::Suspended:
            if (now < due_) return Step::Insert;
            state_ = State::Resumed;
            return Step::Resume;
        case State::Resumed:
            break;
    }
    state_ = State::Idle;
    return Step::Paint;
}

RowHandoff::RowHandoff(HWND view, void (*freeData)(LPARAM) noexcept) noexcept
    : view_(view), freeData_(freeData), taken_(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

RowHandoff::~RowHandoff() { FreeRows(); }

void RowHandoff::FreeRows() noexcept {
    Drop(rows_);
    next_ = 0;
}

void RowHandoff::Drop(RowBatch& rows) const noexcept {
    if (freeData_) {
        for (const PendingRow& row : rows) {
            if (row.data) freeData_(row.data);
        }
    }
    rows.clear();
}

bool RowHandoff::WaitTaken(HANDLE stop) noexcept {
    const HANDLE waits[] = {taken_.Get(), stop};
    const DWORD count = stop ? 2 : 1;
    if (!taken_ || ::WaitForMultipleObjects(count, waits, FALSE, INFINITE) != WAIT_OBJECT_0) return false;
    std::lock_guard lock(mutex_);
    return !closed_;
}

bool RowHandoff::Hand(RowBatch& rows, bool last, HANDLE stop) noexcept {
    if (!WaitTaken(stop)) return false;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return false;
        rows_.swap(rows);
        rows.clear();
        next_ = 0;
        last_ = last;
        pending_ = true;
        ::ResetEvent(taken_.Get());
    }
    // A full queue drains: try again until the nudge is in, the view closed
    // the handoff (which frees the rows) or the owner stops this writer.
    const HANDLE ends[] = {taken_.Get(), stop};
    while (!::PostMessageW(view_, WM_VIEW_INSERTROWS, 0, 0) && ::IsWindow(view_)) {
        if (::WaitForMultipleObjects(stop ? 2 : 1, ends, FALSE, 10) != WAIT_TIMEOUT) break;
    }
    return true;
}

RowHandoff::Taken RowHandoff::Take(HWND list, OwnerDataRows* owned) noexcept {
    size_t first = 0;
    {
        std::lock_guard lock(mutex_);
        if (!pending_ || closed_) return Taken::Nothing;
        first = next_;
    }
    // The batch is the view's alone until it is marked taken: the worker
    // waits for that, and only this thread closes the handoff meanwhile.
    size_t next = rows_.size();
    if (owned) {
        owned->Append(rows_, first);
        ShowRowCount(list, *owned);
    } else {
        next = InsertRows(list, rows_, first);
    }
    std::lock_guard lock(mutex_);
    next_ = next;
    if (next_ < rows_.size()) return Taken::Some;
    rows_.clear();
    next_ = 0;
    pending_ = false;
    ::SetEvent(taken_.Get());
    return last_ ? Taken::LastBatch : Taken::Batch;
}

bool RowHandoff::Pending() noexcept {
    std::lock_guard lock(mutex_);
    return pending_ && !closed_;
}

void RowHandoff::Close() noexcept {
    std::lock_guard lock(mutex_);
    closed_ = true;
    pending_ = false;
    FreeRows();
    ::SetEvent(taken_.Get());
}

int ListWriter::Insert(int index, const wchar_t* text, int image, LPARAM data) {
    if (batch_.size() >= kBatchRows || (!batch_.empty() && plat::GetTickCount64() - batchStarted_ >= kBatchMs))
        Deliver(false);
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

void ListWriter::Flush() noexcept {
    if (!batch_.empty()) Deliver(false);
    if (handoff_) handoff_->WaitTaken(stop_);
}

void ListWriter::Finish() noexcept {
    if (finished_) return;
    finished_ = true;
    Deliver(true);
    if (handoff_) handoff_->WaitTaken(stop_);
}

// Hands the batch over without waiting for the view to insert it: the
// writer reads on meanwhile.
void ListWriter::Deliver(bool last) noexcept {
    if (!handoff_ || !handoff_->Hand(batch_, last, stop_)) Drop();
}

void ListWriter::Drop() noexcept {
    if (handoff_) handoff_->Drop(batch_);
    batch_.clear();
}

}  // namespace vantrel
