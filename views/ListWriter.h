#pragma once
// How workers write rows into a view's list. Inserting into a long sorted
// list costs the user-interface thread milliseconds per row under Wine, and
// messages sent to a thread are always answered before the ones posted to it,
// so a worker that kept sending rows would hold back everything else the
// thread has to do. Rows therefore travel through a RowHandoff the view owns:
// the writer gathers up to kBatchRows rows (or kBatchMs' worth), hands the
// batch over and posts a nudge (WM_VIEW_INSERTROWS) that carries nothing.
// The view inserts for at most kInsertBudget per nudge and posts itself
// another nudge while rows remain, so whatever was posted meanwhile (input,
// the console's own messages) is answered in between. The writer reads the
// next batch while the view inserts the last one, and hands it over once
// that one is taken. The list's redraw stays suspended while rows arrive and
// is switched back on at most every kPaintMs, and at once after the last
// batch. Rows still appear as they come, in the control's sort order, and
// workers test for a stop between rows as before. An owner-data list takes
// a whole batch per nudge: it is appended to the view's rows and the list's
// count raised, which costs the thread microseconds.
#include "common/Handles.h"

#include <windows.h>

#include <chrono>
#include <memory>
#include <mutex>
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

class OwnerDataRows;

// Posted by writers to their view, and by the view to itself while a batch
// is not yet in the list. Both parameters are 0: the view takes the rows from
// its current RowHandoff, so a nudge that arrives late does nothing.
constexpr UINT WM_VIEW_INSERTROWS = WM_APP + 0x40;

// How often at most a filling list is repainted, and the user-interface
// thread's time for one nudge.
constexpr UINT kPaintMs = 1000;
constexpr std::chrono::milliseconds kInsertBudget{20};

// Inserts rows from `first` on into `list` until the budget is spent (at
// least one row); returns the index after the last row taken
// (user-interface thread). The item data of each inserted row now belongs to
// the list: the row's `data` is cleared, so what is left is still the
// writer's.
size_t InsertRows(HWND list, RowBatch& rows, size_t first) noexcept;
// Turns the list's redraw off (each switch costs Wine tens of milliseconds:
// the view keeps it off while rows arrive), and back on with a repaint.
void SuspendListPaint(HWND list) noexcept;
void ResumeListPaint(HWND list) noexcept;

// When a filling list is painted (user-interface thread). Redraw is off
// while rows arrive; at most every kPaintMs it is switched back on and the
// list painted on the following nudge, each a slice of its own, because each
// takes Wine tens of milliseconds.
class FillPaint {
public:
    enum class Step {
        SuspendAndInsert,  // switch redraw off, then insert rows
        Insert,            // insert rows (redraw is off)
        Resume,            // switch redraw back on, nothing else
        Paint,             // paint the list, nothing else
    };
    // What the nudge handled at `now` does.
    Step Next(ULONGLONG now) noexcept;
    // Redraw is on and the list painted (the timer, the last batch, a cleared list).
    void Painted() noexcept { state_ = State::Idle; }
    // Whether redraw is off or the list still owes a paint.
    bool Owed() const noexcept { return state_ != State::Idle; }

private:
    enum class State { Idle, Suspended, Resumed };
    State state_ = State::Idle;
    ULONGLONG due_ = 0;
};

// One enumeration's way from its worker to its view. The view makes one for
// each enumeration it starts and closes it when it starts the next one or is
// destroyed; the worker holds a reference to it. A batch belongs to the
// handoff from Hand until the view has taken all of it; rows that never
// reach the list have their item data freed with `freeData`.
class RowHandoff {
public:
    enum class Taken { Nothing, Some, Batch, LastBatch };

    RowHandoff(HWND view, void (*freeData)(LPARAM) noexcept) noexcept;
    ~RowHandoff();
    RowHandoff(const RowHandoff&) = delete;
    RowHandoff& operator=(const RowHandoff&) = delete;

    // Worker side. Waits until the view has taken the previous batch, then
    // hands `rows` over (they are left empty) and nudges the view. False when
    // the view closed the handoff or `stop` was set first: the rows stay the
    // caller's.
    bool Hand(RowBatch& rows, bool last, HANDLE stop) noexcept;
    // Waits until the view has taken everything handed over; false when the
    // handoff was closed or `stop` was set first.
    bool WaitTaken(HANDLE stop) noexcept;

    // View side (user-interface thread). Inserts from the current batch into
    // `list` for at most kInsertBudget: Some while rows of it remain (the
    // view nudges itself again), Batch or LastBatch when it was completed.
    // With `owned` (an owner-data list) the whole batch goes to those rows
    // and the list shows their new count.
    Taken Take(HWND list, OwnerDataRows* owned = nullptr) noexcept;
    // Whether a batch waits for the view.
    bool Pending() noexcept;
    // Drops what was not taken and ends every wait; later batches are refused.
    void Close() noexcept;
    // Empties `rows`, freeing the item data of those that never reached the list.
    void Drop(RowBatch& rows) const noexcept;

private:
    void FreeRows() noexcept;

    HWND view_;
    void (*freeData_)(LPARAM) noexcept;
    UniqueHandle taken_;  // set while no batch waits for the view
    std::mutex mutex_;
    RowBatch rows_;
    size_t next_ = 0;
    bool pending_ = false;
    bool last_ = false;
    bool closed_ = false;
};

class ListWriter {
public:
    static constexpr ULONGLONG kBatchMs = 50;
    // The view bounds its own time per nudge, so a batch may be large.
    static constexpr size_t kBatchRows = 256;

    // Rows go to the view through `handoff`, which also frees the item data
    // of rows that never reach the list; waits end early when `stop` is set.
    ListWriter(std::shared_ptr<RowHandoff> handoff, HANDLE stop) noexcept : handoff_(std::move(handoff)), stop_(stop) {}
    ListWriter(const ListWriter&) = delete;
    ListWriter& operator=(const ListWriter&) = delete;
    ~ListWriter() { Finish(); }

    // Adds a row (first column text, image, item data) for position `index`;
    // the control places it by its sort order. The writer owns the item data
    // until the list has it. Returns the row's handle for SetText.
    int Insert(int index, const wchar_t* text, int image, LPARAM data);
    void SetText(int row, int column, const wchar_t* text);
    // Hands the gathered rows to the view and waits until it has them all.
    void Flush() noexcept;
    // Hands over the last rows (the list is painted at once after them) and
    // waits until the view has them.
    void Finish() noexcept;

private:
    void Deliver(bool last) noexcept;
    void Drop() noexcept;

    std::shared_ptr<RowHandoff> handoff_;
    HANDLE stop_;
    RowBatch batch_;
    ULONGLONG batchStarted_ = 0;
    bool finished_ = false;
};

}  // namespace vantrel
