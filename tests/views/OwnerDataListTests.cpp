// Owner-data lists: the view's own rows (what the list asks for, what it
// finds, how they are ordered and given back), and the users view, whose list
// is one, through its real window against the lab.
#include "tests/views/AccountViewsSupport.h"

#include "resources/ImageIndex.h"
#include "views/LocalGroupsView.h"
#include "views/LocalUsersView.h"
#include "views/OwnerDataList.h"

#include <algorithm>
#include <set>

namespace {

using namespace viewtest;
using vantrel::OwnerDataRows;
using vantrel::PendingRow;
using vantrel::RowBatch;

RowBatch Batch(std::initializer_list<std::initializer_list<const wchar_t*>> rows, LPARAM firstData = 0) {
    RowBatch batch;
    LPARAM data = firstData;
    for (const auto& cells : rows) {
        PendingRow row;
        row.image = static_cast<int>(batch.size());
        row.data = firstData ? data++ : 0;
        for (const wchar_t* cell : cells) row.cells.emplace_back(cell);
        batch.push_back(std::move(row));
    }
    return batch;
}

std::vector<std::wstring> Labels(const OwnerDataRows& rows) {
    std::vector<std::wstring> labels;
    for (int i = 0; i < rows.Count(); ++i) labels.push_back(rows.Row(i)->cells[0]);
    return labels;
}

std::vector<LPARAM>& Freed() {
    static std::vector<LPARAM> freed;
    return freed;
}
void Free(LPARAM data) noexcept { Freed().push_back(data); }

TEST(OwnerDataRows, AppendTakesTheBatchAndItsItemDataFromWhereTheListStopped) {
    Freed().clear();
    {
        OwnerDataRows rows(&Free);
        RowBatch batch = Batch({{L"a"}, {L"b"}, {L"c"}}, 10);
        rows.Append(batch, 1);  // row 0 was taken before
        EXPECT_EQ((std::vector<std::wstring>{L"b", L"c"}), Labels(rows));
        EXPECT_EQ(10, batch[0].data);
        EXPECT_EQ(0, batch[1].data) << "the data is the rows' now";
        EXPECT_EQ(0, batch[2].data);
        RowBatch more = Batch({{L"d"}}, 20);
        rows.Append(more, 0);
        EXPECT_EQ((std::vector<std::wstring>{L"b", L"c", L"d"}), Labels(rows));
        EXPECT_EQ(20, rows.Row(2)->data);
        EXPECT_EQ(nullptr, rows.Row(3));
        EXPECT_EQ(nullptr, rows.Row(-1));
        EXPECT_TRUE(Freed().empty());
    }
    EXPECT_EQ((std::vector<LPARAM>{11, 12, 20}), Freed()) << "the rows give their data back when they go";
}

TEST(OwnerDataRows, RowsThatLeaveOrChangeTheirDataGiveTheOldDataBack) {
    Freed().clear();
    OwnerDataRows rows(&Free);
    RowBatch batch = Batch({{L"a"}, {L"b"}, {L"c"}}, 1);
    rows.Append(batch, 0);
    EXPECT_TRUE(rows.SetImageAndData(0, 7, 1));  // the same data: kept
    EXPECT_TRUE(Freed().empty());
    EXPECT_TRUE(rows.SetImageAndData(0, 8, 9));
    EXPECT_EQ((std::vector<LPARAM>{1}), Freed());
    EXPECT_EQ(8, rows.Row(0)->image);
    EXPECT_TRUE(rows.Erase(1));
    EXPECT_FALSE(rows.Erase(2));
    EXPECT_FALSE(rows.SetImageAndData(2, 0, 0));
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"c"}), Labels(rows));
    rows.Clear();
    EXPECT_EQ((std::vector<LPARAM>{1, 2, 9, 3}), Freed());
    EXPECT_EQ(0, rows.Count());
}

TEST(OwnerDataRows, AnswersWhatTheListAsksForWithinItsBuffer) {
    OwnerDataRows rows;
    RowBatch batch = Batch({{L"support", L"Desktop Support"}, {L"temp"}}, 5);
    rows.Append(batch, 0);
    struct Case {
        int item, column, bufferChars;
        const wchar_t* text;
        int image;
    };
    const Case cases[] = {
        {0, 0, 64, L"support", 0}, {0, 1, 64, L"Desktop Support", 0},
        {0, 1, 5, L"Desk", 0},     {1, 1, 64, L"", 1},  // a cell never written is empty
        {1, 2, 64, L"", 1},        {2, 0, 64, L"", -1},  // past the end
    };
    for (const Case& c : cases) {
        wchar_t text[64];
        std::fill(std::begin(text), std::end(text), L'#');
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = c.item;
        item.iSubItem = c.column;
        item.pszText = text;
        item.cchTextMax = c.bufferChars;
        rows.Answer(item);
        EXPECT_STREQ(c.text, text) << c.item << "/" << c.column;
        EXPECT_EQ(c.image, item.iImage) << c.item;
        EXPECT_EQ(c.item < 2 ? 5 + c.item : 0, item.lParam) << c.item;
    }
}

TEST(OwnerDataRows, FindsLikeTheListsOwnSearch) {
    OwnerDataRows rows;
    RowBatch batch = Batch({{L"Administrator"}, {L"support"}, {L"sales"}, {L"temp"}, {L"Support2"}}, 100);
    rows.Append(batch, 0);
    struct Case {
        UINT flags;
        const wchar_t* text;
        LPARAM data;
        int start;
        int found;
    };
    const Case cases[] = {
        {LVFI_STRING, L"SUPPORT", 0, -1, 1},  // whole label, case ignored
        {LVFI_STRING, L"supp", 0, -1, -1},  // a beginning is not the label
        {LVFI_PARTIAL, L"supp", 0, -1, 1},
        {LVFI_PARTIAL, L"supp", 0, 2, 4},  // from the start on
        {LVFI_PARTIAL, L"s", 0, 3, 4},
        {LVFI_PARTIAL | LVFI_WRAP, L"s", 0, 3, 4},
        {LVFI_PARTIAL, L"adm", 0, 1, -1},  // above the start, no wrap
        {LVFI_PARTIAL | LVFI_WRAP, L"adm", 0, 1, 0},  // type-ahead wraps to the top
        {LVFI_STRING | LVFI_WRAP, L"temp", 0, 4, 3},
        {LVFI_STRING, L"temp", 0, 9, -1},  // a start past the end
        {LVFI_STRING | LVFI_WRAP, L"temp", 0, 9, 3},
        {LVFI_PARAM, nullptr, 102, -1, 2},
        {LVFI_PARAM, nullptr, 7, -1, -1},
        {LVFI_STRING, nullptr, 0, -1, -1},
    };
    for (const Case& c : cases) {
        LVFINDINFOW find{};
        find.flags = c.flags;
        find.psz = c.text;
        find.lParam = c.data;
        EXPECT_EQ(c.found, rows.Find(find, c.start)) << std::hex << c.flags << std::dec << " "
                                                     << (c.text ? c.text : L"-") << " from " << c.start;
    }
    EXPECT_EQ(-1, OwnerDataRows().Find(LVFINDINFOW{LVFI_PARTIAL | LVFI_WRAP, L"a"}, 0));
}

TEST(OwnerDataRows, SortingIsStableAndSaysWhereEachRowCameFrom) {
    OwnerDataRows rows;
    RowBatch batch = Batch({{L"c", L"1"}, {L"A", L"2"}, {L"b", L"1"}, {L"a", L"1"}}, 1);
    rows.Append(batch, 0);
    EXPECT_EQ((std::vector<int>{1, 3, 2, 0}), rows.Sort(0, true));  // "A" and "a" keep their order
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"a", L"b", L"c"}), Labels(rows));
    EXPECT_EQ(4, rows.Row(1)->data) << "the data moves with its row";
    rows.Sort(1, false);
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"a", L"b", L"c"}), Labels(rows)) << "2 first, then the 1s in order";
    rows.Sort(0, false);
    EXPECT_EQ((std::vector<std::wstring>{L"c", L"b", L"A", L"a"}), Labels(rows));
}

// An owner-data list of its own (the rows are not asked for): the list keeps
// the selection and the focus, and sorting moves them with their rows.
class OwnerDataList : public ::testing::Test {
protected:
    void SetUp() override {
        list_ = ::CreateWindowExW(0, WC_LISTVIEWW, L"", LVS_REPORT | LVS_OWNERDATA, 0, 0, 300, 300, nullptr, nullptr,
                                  nullptr, nullptr);
        ASSERT_NE(nullptr, list_);
    }
    void TearDown() override { ::DestroyWindow(list_); }
    std::vector<int> Selected() const {
        std::vector<int> items;
        for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list_, i, LVNI_SELECTED))
            items.push_back(i);
        return items;
    }
    HWND list_ = nullptr;
};

TEST_F(OwnerDataList, SortingKeepsTheSelectedAndFocusedRows) {
    OwnerDataRows rows;
    RowBatch batch = Batch({{L"delta"}, {L"alpha"}, {L"charlie"}, {L"bravo"}, {L"echo"}});
    rows.Append(batch, 0);
    vantrel::ShowRowCount(list_, rows);
    ASSERT_EQ(5, ListView_GetItemCount(list_));
    ListView_SetItemState(list_, 0, LVIS_SELECTED, LVIS_SELECTED);                 // delta
    ListView_SetItemState(list_, 3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);  // bravo
    ListView_SetSelectionMark(list_, 3);

    vantrel::SortOwnerData(list_, rows, 0, true);
    EXPECT_EQ((std::vector<std::wstring>{L"alpha", L"bravo", L"charlie", L"delta", L"echo"}), Labels(rows));
    EXPECT_EQ((std::vector<int>{1, 3}), Selected()) << "bravo and delta";
    EXPECT_EQ(1, ListView_GetNextItem(list_, -1, LVNI_FOCUSED));
    EXPECT_EQ(1, ListView_GetSelectionMark(list_));

    vantrel::SortOwnerData(list_, rows, 0, false);
    EXPECT_EQ((std::vector<int>{1, 3}), Selected()) << "delta and bravo";
    EXPECT_EQ(3, ListView_GetNextItem(list_, -1, LVNI_FOCUSED));
    EXPECT_EQ(L"bravo", rows.Row(3)->cells[0]);
}

TEST_F(OwnerDataList, EmptyingTakesTheRowsFirstAndTheSelectionWithThem) {
    Freed().clear();
    OwnerDataRows rows(&Free);
    RowBatch batch = Batch({{L"a"}, {L"b"}}, 1);
    rows.Append(batch, 0);
    vantrel::ShowRowCount(list_, rows);
    ListView_SetItemState(list_, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    vantrel::ClearOwnerData(list_, rows);
    EXPECT_EQ(0, ListView_GetItemCount(list_));
    EXPECT_EQ(0, rows.Count());
    EXPECT_EQ((std::vector<LPARAM>{1, 2}), Freed());
    RowBatch next = Batch({{L"x"}, {L"y"}});
    rows.Append(next, 0);
    vantrel::ShowRowCount(list_, rows);
    EXPECT_TRUE(Selected().empty()) << "a new fill starts without the old selection";
    EXPECT_EQ(-1, ListView_GetNextItem(list_, -1, LVNI_FOCUSED));
}

// The handoff of an enumeration that was replaced: what it still holds, and
// what its worker hands afterwards, never reaches the view's rows.
TEST_F(OwnerDataList, BatchesOfAClosedHandoffNeverLand) {
    HWND view = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, view);
    OwnerDataRows rows;
    auto old = std::make_shared<vantrel::RowHandoff>(view, nullptr);
    RowBatch late = Batch({{L"old1"}, {L"old2"}});
    ASSERT_TRUE(old->Hand(late, false, nullptr));
    auto current = std::make_shared<vantrel::RowHandoff>(view, nullptr);
    old->Close();  // the refresh replaces the enumeration
    RowBatch fresh = Batch({{L"new1"}});
    ASSERT_TRUE(current->Hand(fresh, true, nullptr));
    EXPECT_EQ(vantrel::RowHandoff::Taken::Nothing, old->Take(list_, &rows));
    EXPECT_EQ(vantrel::RowHandoff::Taken::LastBatch, current->Take(list_, &rows));
    RowBatch later = Batch({{L"old3"}});
    EXPECT_FALSE(old->Hand(later, true, nullptr)) << "the closed handoff refuses more";
    EXPECT_EQ(vantrel::RowHandoff::Taken::Nothing, old->Take(list_, &rows));
    EXPECT_EQ((std::vector<std::wstring>{L"new1"}), Labels(rows));
    EXPECT_EQ(1, ListView_GetItemCount(list_));
    ::DestroyWindow(view);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

// The users view's list is owner-data: everything it offers goes through
// the view's rows.
class OwnerDataUsersView : public AccountViewTest {
protected:
    static const vantrel::OwnerDataRows& Rows(HWND view) { return *vantrel::FindViewContext(view)->ownedRows; }
    static int Focused(HWND view) { return ListView_GetNextItem(List(view), -1, LVNI_FOCUSED); }
    static std::vector<std::wstring> SelectedLabels(HWND view) {
        std::vector<std::wstring> labels;
        for (int i = ListView_GetNextItem(List(view), -1, LVNI_SELECTED); i >= 0;
             i = ListView_GetNextItem(List(view), i, LVNI_SELECTED))
            labels.push_back(ReadRows(view)[static_cast<size_t>(i)][0]);
        return labels;
    }
};

TEST_F(OwnerDataUsersView, TheListShowsTheViewsRows) {
    HWND view = Open(vantrel::LocalUsersView(), L"WS01");
    ASSERT_NE(0, ::GetWindowLongW(List(view), GWL_STYLE) & LVS_OWNERDATA);
    ASSERT_NE(nullptr, vantrel::FindViewContext(view)->ownedRows);
    const int temp = FindRow(view, L"temp");
    ASSERT_GE(temp, 0);
    EXPECT_EQ(Rows(view).Count(), ListView_GetItemCount(List(view)));
    EXPECT_EQ(L"temp", Rows(view).Row(temp)->cells[0]);
    EXPECT_EQ(vantrel::IMAGE_DISABLED_USER, Item(view, L"temp").iImage);
    EXPECT_TRUE(vantrel::ViewRowData(view, temp) & UF_ACCOUNTDISABLE);
    EXPECT_EQ(L"Temporary staff", ReadRows(view)[static_cast<size_t>(temp)][2]);
}

TEST_F(OwnerDataUsersView, FindAndTypeAheadGoThroughTheViewsRows) {
    HWND view = Open(vantrel::LocalUsersView(), L"WS01");
    const std::vector<std::wstring> labels = Labels(view);
    const auto at = [&](const wchar_t* label) {
        return static_cast<int>(std::find(labels.begin(), labels.end(), label) - labels.begin());
    };
    EXPECT_EQ(at(L"support"), FindRow(view, L"SUPPORT"));
    EXPECT_EQ(-1, FindRow(view, L"nobody"));
    // A key typed into the list moves the focus and the selection to the
    // first label after the focused row that begins with it.
    SelectOnly(view, {L"Administrator"});
    ListView_SetItemState(List(view), at(L"Administrator"), LVIS_FOCUSED, LVIS_FOCUSED);
    ::SendMessageW(List(view), WM_CHAR, L't', 1);
    EXPECT_EQ(at(L"temp"), Focused(view));
    EXPECT_EQ((std::vector<std::wstring>{L"temp"}), SelectedLabels(view));
}

TEST_F(OwnerDataUsersView, RenameWritesTheNewNameIntoItsRow) {
    HWND view = Open(vantrel::LocalUsersView(), L"WS01");
    const int temp = FindRow(view, L"temp");
    const LPARAM flags = vantrel::ViewRowData(view, temp);
    {
        DialogDriver driver({});
        RenameRow(view, L"temp", L"contractor");
        EXPECT_TRUE(driver.Stop().empty());
    }
    EXPECT_EQ(temp, FindRow(view, L"contractor")) << "the row keeps its place";
    EXPECT_EQ(L"contractor", Rows(view).Row(temp)->cells[0]);
    EXPECT_EQ(L"Temporary staff", ReadRows(view)[static_cast<size_t>(temp)][2]);
    EXPECT_EQ(flags, vantrel::ViewRowData(view, temp));
    EXPECT_EQ(vantrel::IMAGE_DISABLED_USER, Item(view, L"contractor").iImage);
    EXPECT_EQ(-1, FindRow(view, L"temp"));
}

TEST_F(OwnerDataUsersView, DeletedRowsLeaveTheViewsRowsAndTheOthersKeepTheirData) {
    HWND view = Open(vantrel::LocalUsersView(), L"WS01");
    const int count = ListView_GetItemCount(List(view));
    DialogDriver driver({});
    SelectOnly(view, {L"support"});
    Command(view, ID_VIEW_DELETE);
    driver.Stop();
    EXPECT_EQ(count - 1, ListView_GetItemCount(List(view)));
    EXPECT_EQ(count - 1, Rows(view).Count());
    EXPECT_EQ(-1, FindRow(view, L"support"));
    EXPECT_TRUE(vantrel::ViewRowData(view, FindRow(view, L"temp")) & UF_ACCOUNTDISABLE);
    EXPECT_EQ(vantrel::IMAGE_DISABLED_USER, Item(view, L"temp").iImage);
}

TEST_F(OwnerDataUsersView, SortingKeepsTheSelectedUser) {
    HWND view = Open(vantrel::LocalUsersView(), L"WS01");
    SelectOnly(view, {L"temp"});
    ListView_SetItemState(List(view), FindRow(view, L"temp"), LVIS_FOCUSED, LVIS_FOCUSED);
    ASSERT_TRUE(vantrel::SortViewRows(view, 0, false));
    std::vector<std::wstring> labels = Labels(view);
    EXPECT_TRUE(std::is_sorted(labels.rbegin(), labels.rend(), [](const std::wstring& a, const std::wstring& b) {
        return _wcsicmp(a.c_str(), b.c_str()) < 0;
    }));
    EXPECT_EQ((std::vector<std::wstring>{L"temp"}), SelectedLabels(view));
    EXPECT_EQ(FindRow(view, L"temp"), Focused(view));
    // The item data moved with its row: what the commands read for the selection.
    EXPECT_TRUE(vantrel::ViewRowData(view, FindRow(view, L"temp")) & UF_ACCOUNTDISABLE);
    EXPECT_FALSE(vantrel::ViewRowData(view, FindRow(view, L"support")) & UF_ACCOUNTDISABLE);
    // A list that orders its own items is not sorted from outside.
    HWND groups = Open(vantrel::LocalGroupsView(), L"WS01");
    EXPECT_FALSE(vantrel::SortViewRows(groups, 0, true));
}

TEST_F(OwnerDataUsersView, ARefreshDuringAFillShowsEveryUserOnce) {
    ASSERT_EQ(0u, LabGenerateUsers(L"WS01", 900, 5));
    LabAddLatency(L"WS01", "NetQueryDisplayInformation", 40);
    HWND view = Created(vantrel::LocalUsersView());
    ::SetWindowPos(view, nullptr, 0, 0, 700, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    SetCredentials(view, L"");
    SetComputer(view, L"WS01");
    Activate(view);
    const ULONGLONG end = ::GetTickCount64() + 20000;
    while (ListView_GetItemCount(List(view)) == 0 && WorkerRunning(view) && ::GetTickCount64() < end) Pump(5);
    ASSERT_TRUE(WorkerRunning(view)) << "the first fill is still running";
    Command(view, ID_VIEW_REFRESH);
    ASSERT_TRUE(WaitForEnumeration(view));
    Pump(100);
    const std::vector<std::wstring> labels = Labels(view);
    EXPECT_EQ(906u, labels.size());
    EXPECT_EQ(labels.size(), std::set<std::wstring>(labels.begin(), labels.end()).size()) << "no row twice";
    EXPECT_EQ(static_cast<int>(labels.size()), Rows(view).Count());
}

TEST_F(OwnerDataUsersView, AFailedRefreshOfAFullListEmptiesTheViewsRows) {
    HWND view = Open(vantrel::LocalUsersView(), L"WS01");
    ASSERT_GT(Rows(view).Count(), 0);
    LabAddFault(L"WS01", "NetQueryDisplayInformation", ERROR_ACCESS_DENIED, 1, 1);
    Command(view, ID_VIEW_REFRESH);
    ASSERT_TRUE(WaitForEnumeration(view));
    EXPECT_EQ(PlatformText(ERROR_ACCESS_DENIED, true), Text(view, IDC_VIEW_MESSAGE));
    EXPECT_EQ(0, ListView_GetItemCount(List(view)));
    EXPECT_EQ(0, Rows(view).Count());
    // The next refresh fills it again.
    Command(view, ID_VIEW_REFRESH);
    ASSERT_TRUE(WaitForEnumeration(view));
    EXPECT_GE(FindRow(view, L"support"), 0);
    EXPECT_EQ(ListView_GetItemCount(List(view)), Rows(view).Count());
}

}  // namespace
