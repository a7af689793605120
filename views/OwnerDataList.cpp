#include "views/OwnerDataList.h"

#include <algorithm>
#include <cwchar>
#include <numeric>

namespace vantrel {
namespace {

const std::wstring& CellOf(const PendingRow& row, int column) {
    static const std::wstring empty;
    return column >= 0 && static_cast<size_t>(column) < row.cells.size() ? row.cells[static_cast<size_t>(column)]
                                                                           : empty;
}

bool Matches(const PendingRow& row, const LVFINDINFOW& find) noexcept {
    if (find.flags & LVFI_PARAM) return row.data == find.lParam;
    if (!(find.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.psz) return false;
    const std::wstring& label = CellOf(row, 0);
    if (find.flags & LVFI_PARTIAL) return _wcsnicmp(label.c_str(), find.psz, std::wcslen(find.psz)) == 0;
    return _wcsicmp(label.c_str(), find.psz) == 0;
}

}  // namespace

const PendingRow* OwnerDataRows::Row(int item) const noexcept {
    return item >= 0 && item < Count() ? &rows_[static_cast<size_t>(item)] : nullptr;
}

void OwnerDataRows::Append(RowBatch& batch, size_t first) {
    rows_.reserve(rows_.size() + (batch.size() > first ? batch.size() - first : 0));
    for (size_t i = first; i < batch.size(); ++i) {
        rows_.push_back(std::move(batch[i]));
        batch[i].data = 0;
    }
}

void OwnerDataRows::Clear() noexcept {
    if (freeData_) {
        for (const PendingRow& row : rows_) {
            if (row.data) freeData_(row.data);
        }
    }
    rows_.clear();
}

bool OwnerDataRows::SetCell(int item, int column, const std::wstring& text) {
    if (!Row(item) || column < 0) return false;
    std::vector<std::wstring>& cells = rows_[static_cast<size_t>(item)].cells;
    if (cells.size() <= static_cast<size_t>(column)) cells.resize(static_cast<size_t>(column) + 1);
    cells[static_cast<size_t>(column)] = text;
    return true;
}

bool OwnerDataRows::SetImageAndData(int item, int image, LPARAM data) noexcept {
    if (!Row(item)) return false;
    PendingRow& row = rows_[static_cast<size_t>(item)];
    if (freeData_ && row.data && row.data != data) freeData_(row.data);
    row.image = image;
    row.data = data;
    return true;
}

bool OwnerDataRows::Erase(int item) noexcept {
    if (!Row(item)) return false;
    const auto at = rows_.begin() + item;
    if (freeData_ && at->data) freeData_(at->data);
    rows_.erase(at);
    return true;
}

void OwnerDataRows::Answer(LVITEMW& item) const noexcept {
    const PendingRow* row = Row(item.iItem);
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        const wchar_t* text = row ? CellOf(*row, item.iSubItem).c_str() : L"";
        ::lstrcpynW(item.pszText, text, item.cchTextMax);
    }
    if (item.mask & LVIF_IMAGE) item.iImage = row ? row->image : -1;
    if (item.mask & LVIF_PARAM) item.lParam = row ? row->data : 0;
}

int OwnerDataRows::Find(const LVFINDINFOW& find, int start) const noexcept {
    const int count = Count();
    if (count == 0) return -1;
    if (start < 0 || start >= count) {
        if (start >= count && !(find.flags & LVFI_WRAP)) return -1;
        start = 0;
    }
    for (int i = start; i < count; ++i) {
        if (Matches(rows_[static_cast<size_t>(i)], find)) return i;
    }
    if (find.flags & LVFI_WRAP) {
        for (int i = 0; i < start; ++i) {
            if (Matches(rows_[static_cast<size_t>(i)], find)) return i;
        }
    }
    return -1;
}

std::vector<int> OwnerDataRows::Sort(int column, bool ascending) {
    std::vector<int> order(rows_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const std::wstring& left = CellOf(rows_[static_cast<size_t>(ascending ? a : b)], column);
        const std::wstring& right = CellOf(rows_[static_cast<size_t>(ascending ? b : a)], column);
        return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, left.c_str(), static_cast<int>(left.size()),
                                right.c_str(), static_cast<int>(right.size())) == CSTR_LESS_THAN;
    });
    std::vector<PendingRow> sorted;
    sorted.reserve(rows_.size());
    for (int old : order) sorted.push_back(std::move(rows_[static_cast<size_t>(old)]));
    rows_.swap(sorted);
    return order;
}

void ShowRowCount(HWND list, const OwnerDataRows& rows) noexcept {
    ::SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows.Count()), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void ClearOwnerData(HWND list, OwnerDataRows& rows) noexcept {
    rows.Clear();
    ::SendMessageW(list, LVM_SETITEMCOUNT, 0, 0);
}

void SortOwnerData(HWND list, OwnerDataRows& rows, int column, bool ascending) {
    std::vector<int> selected;
    for (int item = ListView_GetNextItem(list, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(list, item, LVNI_SELECTED))
        selected.push_back(item);
    const int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    const int mark = ListView_GetSelectionMark(list);

    const std::vector<int> order = rows.Sort(column, ascending);
    std::vector<int> moved(order.size());
    for (size_t now = 0; now < order.size(); ++now) moved[static_cast<size_t>(order[now])] = static_cast<int>(now);
    auto newPlace = [&](int old) { return old >= 0 && static_cast<size_t>(old) < moved.size() ? moved[old] : -1; };

    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (int old : selected) ListView_SetItemState(list, newPlace(old), LVIS_SELECTED, LVIS_SELECTED);
    if (newPlace(focused) >= 0) ListView_SetItemState(list, newPlace(focused), LVIS_FOCUSED, LVIS_FOCUSED);
    ListView_SetSelectionMark(list, newPlace(mark));
    ::InvalidateRect(list, nullptr, TRUE);
}

}  // namespace vantrel
