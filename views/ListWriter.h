#pragma once
// How workers write rows into a view's list. Every cross-thread message costs
// a round trip through the user-interface thread, and painting a growing list
// costs more, so the writer gathers up to kBatchRows rows (or kBatchMs' worth)
// and hands them to the view in sent messages (WM_VIEW_INSERTROWS); the view
// inserts them with the list's redraw suspended. Inserting into a long sorted
// list costs milliseconds per row, so the view inserts for at most
// kInsertBudget per message and the writer sends the rest after letting the
// user-interface thread answer what else is waiting. Turning redraw back on
// repaints the whole list at once (tens of milliseconds under Wine), so the
// view does that at most every kPaintMs while rows arrive, and at once after
// the last batch. Rows still appear as they come, in the control's sort
// order, and workers test for a stop between rows as before.
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace vantrel {

struct PendingRow {
    int index = 0;
    int image = 0;
    LPARAM data = 0;
    std::vector<std::wstring> cells;  // cell 0 is the item's text
};
using RowBatch = std::vector<PendingRow>;

// What a writer hands its view: the batch, how far the view has taken it,
// and whether rows follow.
struct RowDelivery {
    RowBatch* rows = nullptr;
    size_t next = 0;    // the first row the view has not taken
    bool last = false;  // the writer is done after these
};

// Sent by workers to their view: lParam is a RowDelivery*. Answered on the
// view's thread by InsertRows, which advances `next`; the result is 1 when
// the view took the rows (0 once it is gone).
constexpr UINT WM_VIEW_INSERTROWS = WM_APP + 0x40;

// How often at most a filling list is repainted, and the user-interface
// thread's time for one WM_VIEW_INSERTROWS.
constexpr UINT kPaintMs = 1000;
constexpr std::chrono::milliseconds kInsertBudget{20};

// Inserts rows from `first` on into `list` until the budget is spent (at
// least one row) and leaves its redraw suspended until ResumeListPaint
// (user-interface thread). Returns the index after the last row taken. The
// item data of each inserted row now belongs to the list: the row's `data`
// is cleared, so what is left is still the writer's.
size_t InsertRows(HWND list, RowBatch& rows, size_t first) noexcept;
// Turns the list's redraw back on and repaints it.
void ResumeListPaint(HWND list) noexcept;

class ListWriter {
public:
    static constexpr ULONGLONG kBatchMs = 50;
    // The view bounds its own time per message, so a batch may be large.
    static constexpr size_t kBatchRows = 256;

    // `freeData` frees the item data of rows that did not reach the list
    // (the view was gone, or the batch was dropped); null for plain values.
    ListWriter(HWND view, HWND list, void (*freeData)(LPARAM) noexcept = nullptr) noexcept
        : view_(view), list_(list), freeData_(freeData) {}
    ListWriter(const ListWriter&) = delete;
    ListWriter& operator=(const ListWriter&) = delete;
    ~ListWriter() { Finish(); }

    // Adds a row (first column text, image, item data) for position `index`;
    // the control places it by its sort order. The writer owns the item data
    // until the list has it. Returns the row's handle for SetText.
    int Insert(int index, const wchar_t* text, int image, LPARAM data);
    void SetText(int row, int column, const wchar_t* text);
    void DeleteAll() noexcept;
    // Hands the gathered rows to the view now.
    void Flush() noexcept;
    // Hands over the last rows and has the list painted at once.
    void Finish() noexcept;

private:
    void Deliver(bool last) noexcept;
    void Drop() noexcept;

    HWND view_;
    HWND list_;
    void (*freeData_)(LPARAM) noexcept;
    RowBatch batch_;
    ULONGLONG batchStarted_ = 0;
};

}  // namespace vantrel
