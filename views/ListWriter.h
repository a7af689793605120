#pragma once
// How workers write rows into a view's list. Every cross-thread message costs
// a round trip through the user-interface thread, and repainting a growing
// list costs more, so the writer gathers up to kBatchRows rows (or kBatchMs'
// worth) and hands them to the view in sent messages (WM_VIEW_INSERTROWS).
// Inserting into a long sorted list costs milliseconds per row, so the view
// inserts for at most kInsertBudgetMs per message and says how far it got;
// the writer lets the user-interface thread answer what else is waiting
// before it sends the rest. While rows arrive the list's redraw stays
// suspended and the list is repainted every kRepaintMs and when the writer
// ends (WM_VIEW_ENDROWS). Rows still appear as they come, in the control's
// sort order, and workers test for a stop between rows as before.
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

// Sent by workers to their view: wParam is the first row to insert, lParam a
// const RowBatch*. Answered on the view's thread by InsertRows; the result is
// the number of rows inserted (0 when the window is gone).
constexpr UINT WM_VIEW_INSERTROWS = WM_APP + 0x40;

// Sent by a writer when it is done: the list is repainted.
constexpr UINT WM_VIEW_ENDROWS = WM_APP + 0x41;

// The user-interface thread's time for one WM_VIEW_INSERTROWS, and how often
// a list that is being filled is repainted.
constexpr std::chrono::milliseconds kInsertBudget{20};
constexpr std::chrono::milliseconds kRepaintEvery{1000};

// What the view keeps about the rows arriving in its list (user-interface
// thread).
struct ListFill {
    bool suspended = false;  // redraw is off
    std::chrono::steady_clock::time_point lastPaint{};
};

// Inserts rows from `first` on into `list` until the budget is spent (at
// least one row); returns how many it took. Redraw stays suspended between
// calls and comes back every kRepaintEvery.
size_t InsertRows(HWND list, ListFill& fill, const RowBatch& rows, size_t first) noexcept;
// Turns redraw back on and repaints the list when rows stopped arriving.
void EndRows(HWND list, ListFill& fill) noexcept;

class ListWriter {
public:
    static constexpr ULONGLONG kBatchMs = 50;
    // The view bounds its own time per message, so a batch may be large.
    static constexpr size_t kBatchRows = 256;

    ListWriter(HWND view, HWND list) noexcept : view_(view), list_(list) {}
    ListWriter(const ListWriter&) = delete;
    ListWriter& operator=(const ListWriter&) = delete;
    ~ListWriter() { End(); }

    // Adds a row (first column text, image, item data) for position `index`;
    // the control places it by its sort order. Returns the row's handle for
    // SetText.
    int Insert(int index, const wchar_t* text, int image, LPARAM data);
    void SetText(int row, int column, const wchar_t* text);
    void DeleteAll() noexcept;
    // Hands the gathered rows to the view now.
    void Flush() noexcept;
    // Flushes and lets the view repaint: no more rows are coming.
    void End() noexcept;

private:
    HWND view_;
    HWND list_;
    RowBatch batch_;
    ULONGLONG batchStarted_ = 0;
};

}  // namespace vantrel
