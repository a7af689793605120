#pragma once
// The rows a selection page lists: a two-dimensional SAFEARRAY of VARIANT
// (lower bounds 0; dimension 1 the rows in display order, dimension 2 the
// columns), 7 columns for computers and 5 for resources. The wizards' master
// procedures read it directly, on their own threads, while the page is not
// active; nothing else changes it then, so it takes no lock.
//
//   column 0  BSTR     computer name / service display name
//   column 1  VT_I4    image index
//   column 2  VT_UI4   state bits (list-view item state: 0x2000 checked,
//                      0x1000 unchecked, LVIS_SELECTED as the mark of lists
//                      without check boxes)
//   column 3  empty
//   column 4  BSTR     service name (resources)
//   column 5  BSTR     the source marker on the source computer's row
//   column 6  VT_UNKNOWN  the computer's IBrevCompInfo, when given one
#include "Vantrel_h.h"
#include "common/ComPtr.h"
#include "common/Handles.h"

#include <windows.h>
#include <oleauto.h>
#include <commctrl.h>

#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

struct SafeArrayTraits {
    using Type = SAFEARRAY*;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type array) noexcept { ::SafeArrayDestroy(array); }
};
using UniqueSafeArray = Unique<SafeArrayTraits>;

// State bits of column 2.
constexpr ULONG kRowChecked = 0x2000;
constexpr ULONG kRowUnchecked = 0x1000;
constexpr ULONG kRowSelected = LVIS_SELECTED;
constexpr ULONG kRowStateImageMask = 0xF000;

// A row's state after its check box was toggled: unchecked rows become
// checked, every other row unchecked; the bits outside the state image stay.
ULONG ToggledState(ULONG state) noexcept;

// The names of a comma-separated list, each taken as written (blanks kept);
// n commas give n + 1 names.
std::vector<std::wstring> SplitComputerNames(std::wstring_view list);

// One row of a resource table.
struct ResourceRow {
    std::wstring displayName;
    std::wstring name;
};

class SelectionTable {
public:
    static constexpr LONG kComputerColumns = 7;
    static constexpr LONG kResourceColumns = 5;

    enum Column : LONG {
        kNameColumn = 0,
        kImageColumn = 1,
        kStateColumn = 2,
        kServiceNameColumn = 4,
        kSourceMarkerColumn = 5,
        kComputerInfoColumn = 6,
    };

    SelectionTable() = default;
    SelectionTable(const SelectionTable&) = delete;
    SelectionTable& operator=(const SelectionTable&) = delete;

    // Rebuilds the computer table from `value`: a comma-separated BSTR, or a
    // SAFEARRAY of VARIANTs each holding an object that offers IBrevCompInfo.
    // A missing value (null, VT_EMPTY, an omitted argument) leaves no table
    // and succeeds. E_POINTER for a null string or array, E_INVALIDARG for an
    // empty string or any other type, E_OUTOFMEMORY. Every row starts with
    // `initialState`. An element that is a string names the computer itself;
    // any other element that offers no IBrevCompInfo gives a row without a
    // name (its job then fails as an unnamed computer does).
    HRESULT SetComputers(const VARIANT* value, ULONG initialState);

    // Rebuilds the resource table, one unchecked row per resource.
    HRESULT SetResources(const std::vector<ResourceRow>& rows);

    // Discards the table.
    void Clear() noexcept { array_.Reset(); }

    bool Empty() const noexcept { return !array_; }
    LONG RowCount() const noexcept;
    LONG ColumnCount() const noexcept;

    // Column 2 of `row` (0 when out of range).
    ULONG State(LONG row) const;
    void SetState(LONG row, ULONG state);

    // The cell as text: strings as they are, column 1 as "%d", column 2 as
    // "%u"; empty for an empty cell or a row out of range.
    std::wstring Text(LONG row, LONG column) const;
    // Writes a string cell (null: the cell becomes empty).
    HRESULT SetText(LONG row, LONG column, const wchar_t* text);
    // The cell itself, or null when out of range.
    const VARIANT* Cell(LONG row, LONG column) const;

    // Column 6 queried for IBrevCompInfo; null when empty or not offered.
    ComPtr<IBrevCompInfo> ComputerInfo(LONG row) const;

    // The rows whose column 2 has any bit of `mask`, in row order.
    std::vector<LONG> CollectRows(ULONG mask) const;
    // The text of `column` of every row CollectRows(mask) gives, each
    // followed by `separator` unless it is the table's last row.
    std::wstring JoinRows(ULONG mask, LONG column, const wchar_t* separator) const;

    // The table (owned here; null when there is none).
    SAFEARRAY* Get() const noexcept { return array_.Get(); }

private:
    HRESULT Create(LONG rows, LONG columns, UniqueSafeArray& out) const;
    VARIANT* MutableCell(LONG row, LONG column) const;

    UniqueSafeArray array_;
};

}  // namespace vantrel
