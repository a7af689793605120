#pragma once
// The rows of a view whose list is owner-data (LVS_OWNERDATA). The view keeps
// them in its own vector and the list keeps only their count, the selection
// and the focus: it asks for what it paints (LVN_GETDISPINFO) and for what
// the keyboard's type-ahead or LVM_FINDITEM looks for (LVN_ODFINDITEM).
// Emptying such a list is setting its count to 0, which costs the list
// nothing per row, where Wine spends one long message deleting 20,000 items
// of its own; a batch that arrives is appended here and the count raised.
// Everything here runs on the view's thread.
#include "views/ListWriter.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace vantrel {

class OwnerDataRows {
public:
    // `freeData` gives back the item data of rows that leave (none: the data
    // is a plain value).
    explicit OwnerDataRows(void (*freeData)(LPARAM) noexcept = nullptr) noexcept : freeData_(freeData) {}
    ~OwnerDataRows() { Clear(); }
    OwnerDataRows(const OwnerDataRows&) = delete;
    OwnerDataRows& operator=(const OwnerDataRows&) = delete;

    int Count() const noexcept { return static_cast<int>(rows_.size()); }
    // The row at `item`, or null.
    const PendingRow* Row(int item) const noexcept;
    // Takes the rows of `batch` from `first` on, in their order; their item
    // data is now these rows' (the batch's is cleared).
    void Append(RowBatch& batch, size_t first);
    // Drops every row, giving back its item data.
    void Clear() noexcept;
    // Writes one cell (column 0 is the label); false for a row that is not there.
    bool SetCell(int item, int column, const std::wstring& text);
    // Writes a row's image and item data (the old data is given back when it differs).
    bool SetImageAndData(int item, int image, LPARAM data) noexcept;
    // Removes one row; false when it is not there.
    bool Erase(int item) noexcept;

    // Fills in what LVN_GETDISPINFO asks for (text, image, item data); an
    // item past the end answers an empty text.
    void Answer(LVITEMW& item) const noexcept;
    // The LVN_ODFINDITEM answer: the first row from `start` on (and, with
    // LVFI_WRAP, from the top up to it) whose label matches (LVFI_STRING:
    // the whole label, LVFI_PARTIAL: its beginning, both ignoring case) or
    // whose item data is the one looked for (LVFI_PARAM); -1 when none.
    int Find(const LVFINDINFOW& find, int start) const noexcept;
    // Orders the rows by the text of `column` (equal texts keep their
    // order); returns, for each new position, the row's old position.
    std::vector<int> Sort(int column, bool ascending);

private:
    void (*freeData_)(LPARAM) noexcept;
    std::vector<PendingRow> rows_;
};

// Raises (or lowers) the list's count to the rows'; the rows already shown
// keep their place (no scroll, no repaint of the whole list).
void ShowRowCount(HWND list, const OwnerDataRows& rows) noexcept;
// Empties rows and list: the rows first, so that no paint asks for a row
// that is gone.
void ClearOwnerData(HWND list, OwnerDataRows& rows) noexcept;
// Sorts the rows by `column`; the selected rows stay selected and the focused
// row focused, wherever they moved.
void SortOwnerData(HWND list, OwnerDataRows& rows, int column, bool ascending);

}  // namespace vantrel
