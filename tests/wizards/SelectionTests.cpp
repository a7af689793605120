// The selection table of the multiple-computer wizards, and the computer and
// resource list pages driven through a real wizard sheet against the lab.
#include "tests/services/LabFixture.h"

#include "SheetTestSupport.h"
#include "common/ErrorText.h"
#include "common/PropertySheetHost.h"
#include "common/Result.h"
#include "resources/SelectionIds.h"
#include "tests/support/WindowDriver.h"
#include "tests/views/ViewTestSupport.h"
#include "wizards/selection/ComputerListPage.h"
#include "wizards/selection/ResourceListPage.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace vantrel;
using sheettest::CurrentPage;
using sheettest::Press;
using testsupport::SeenBox;
using testsupport::WaitUntil;

namespace {

// A computer-information object of the test's own: the pages only read its
// name and keep it for the jobs.
class TestComputerInfo final : public IBrevCompInfo {
public:
    explicit TestComputerInfo(std::wstring name) : name_(std::move(name)) {}
    ULONG References() const { return refs_; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(IBrevCompInfo)) ? this : nullptr;
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override { return --refs_; }  // lives on the test's stack
    STDMETHODIMP get_NetBIOSName(BSTR* value) override {
        *value = ::SysAllocString(name_.c_str());
        return *value ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP put_NetBIOSName(BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP get_CredentialsPath(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP put_CredentialsPath(BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP get_HierarchicalRecallOptions(long*) override { return E_NOTIMPL; }
    STDMETHODIMP put_HierarchicalRecallOptions(long) override { return E_NOTIMPL; }

private:
    ULONG refs_ = 1;
    std::wstring name_;
};

// An object that offers nothing but IUnknown.
class PlainObject final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = IsEqualIID(iid, IID_IUnknown) ? this : nullptr;
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override { return --refs_; }
    ULONG refs_ = 1;
};

// The variant itself, to fill in field by field (Put() would clear it).
VARIANT& Mutable(UniqueVariant& value) { return const_cast<VARIANT&>(value.Get()); }

UniqueVariant StringValue(const wchar_t* text) {
    UniqueVariant value;
    Mutable(value).vt = VT_BSTR;
    Mutable(value).bstrVal = text ? ::SysAllocString(text) : nullptr;
    return value;
}

// A SAFEARRAY of VARIANTs holding `objects` (null: an empty element).
UniqueVariant ObjectArray(const std::vector<IUnknown*>& objects) {
    UniqueVariant value;
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(objects.size()));
    for (LONG i = 0; i < static_cast<LONG>(objects.size()); ++i) {
        VARIANT element;
        ::VariantInit(&element);
        if (objects[static_cast<size_t>(i)]) {
            element.vt = VT_UNKNOWN;
            element.punkVal = objects[static_cast<size_t>(i)];
        }
        ::SafeArrayPutElement(array, &i, &element);  // copies: adds a reference
    }
    Mutable(value).vt = VT_ARRAY | VT_VARIANT;
    Mutable(value).parray = array;
    return value;
}

std::vector<std::wstring> Column(const SelectionTable& table, LONG column) {
    std::vector<std::wstring> texts;
    for (LONG row = 0; row < table.RowCount(); ++row) texts.push_back(table.Text(row, column));
    return texts;
}

}  // namespace

// --- The table -------------------------------------------------------------

TEST(SelectionRules, ToggleFlipsTheStateImageAndKeepsTheOtherBits) {
    struct Case {
        ULONG before, after;
    } cases[] = {
        {0x1000, 0x2000}, {0x2000, 0x1000}, {0x0000, 0x1000}, {0x3000, 0x1000},
        {0x1002, 0x2002}, {0x2003, 0x1003}, {0x1000 | LVIS_FOCUSED, 0x2000 | LVIS_FOCUSED},
    };
    for (const Case& c : cases) EXPECT_EQ(c.after, ToggledState(c.before)) << std::hex << c.before;
}

TEST(SelectionTableComputers, AStringIsSplitAtEveryCommaAsWritten) {
    struct Case {
        const wchar_t* list;
        std::vector<std::wstring> names;
    } cases[] = {
        {L"ALPHA", {L"ALPHA"}},
        {L"ALPHA,BRAVO", {L"ALPHA", L"BRAVO"}},
        {L"ALPHA,", {L"ALPHA", L""}},
        {L",", {L"", L""}},
        {L"ALPHA, BRAVO", {L"ALPHA", L" BRAVO"}},
        {L" A ,,B", {L" A ", L"", L"B"}},
    };
    for (const Case& c : cases) {
        SelectionTable table;
        UniqueVariant value = StringValue(c.list);
        ASSERT_EQ(S_OK, table.SetComputers(&value.Get(), kRowChecked)) << c.list;
        EXPECT_EQ(c.names, Column(table, 0)) << c.list;
        EXPECT_EQ(SelectionTable::kComputerColumns, table.ColumnCount());
        for (LONG row = 0; row < table.RowCount(); ++row) {
            EXPECT_EQ(L"3", table.Text(row, 1));
            EXPECT_EQ(kRowChecked, table.State(row));
            for (LONG column = 3; column < 7; ++column) EXPECT_EQ(VT_EMPTY, table.Cell(row, column)->vt);
            EXPECT_FALSE(table.ComputerInfo(row));
        }
    }
}

TEST(SelectionTableComputers, ValuesThatGiveNoTableAndTheirCodes) {
    UniqueVariant empty;
    UniqueVariant omitted;
    Mutable(omitted).vt = VT_ERROR;
    Mutable(omitted).scode = DISP_E_PARAMNOTFOUND;
    UniqueVariant nullString = StringValue(nullptr);
    UniqueVariant emptyString = StringValue(L"");
    UniqueVariant number;
    Mutable(number).vt = VT_I4;
    UniqueVariant nullValue;
    Mutable(nullValue).vt = VT_NULL;
    UniqueVariant nullArray;
    Mutable(nullArray).vt = VT_ARRAY | VT_VARIANT;
    UniqueVariant stringArray;
    Mutable(stringArray).vt = VT_ARRAY | VT_BSTR;
    Mutable(stringArray).parray = ::SafeArrayCreateVector(VT_BSTR, 0, 1);
    struct Case {
        const char* what;
        const VARIANT* value;
        HRESULT result;
    } cases[] = {
        {"no value", nullptr, S_OK},
        {"empty", &empty.Get(), S_OK},
        {"omitted argument", &omitted.Get(), S_OK},
        {"null string", &nullString.Get(), E_POINTER},
        {"empty string", &emptyString.Get(), E_INVALIDARG},
        {"number", &number.Get(), E_INVALIDARG},
        {"null", &nullValue.Get(), E_INVALIDARG},
        {"null array", &nullArray.Get(), E_POINTER},
        {"array of strings", &stringArray.Get(), E_INVALIDARG},
    };
    for (const Case& c : cases) {
        SelectionTable table;
        UniqueVariant previous = StringValue(L"OLD");
        ASSERT_EQ(S_OK, table.SetComputers(&previous.Get(), kRowChecked));
        EXPECT_EQ(c.result, table.SetComputers(c.value, kRowChecked)) << c.what;
        // The previous table is gone whatever the outcome.
        EXPECT_TRUE(table.Empty()) << c.what;
        EXPECT_EQ(0, table.RowCount()) << c.what;
        EXPECT_TRUE(table.CollectRows(kRowChecked).empty()) << c.what;
    }
}

TEST(SelectionTableComputers, ObjectsGiveTheirNamesAndAreKeptForTheJobs) {
    TestComputerInfo alpha(L"ALPHA"), bravo(L"BRAVO.corp");
    PlainObject plain;
    {
        UniqueVariant value = ObjectArray({&alpha, &plain, nullptr, &bravo});
        SelectionTable table;
        ASSERT_EQ(S_OK, table.SetComputers(&value.Get(), kRowUnchecked));
        EXPECT_EQ((std::vector<std::wstring>{L"ALPHA", L"", L"", L"BRAVO.corp"}), Column(table, 0));
        for (LONG row = 0; row < 4; ++row) {
            EXPECT_EQ(kRowUnchecked, table.State(row));
            EXPECT_EQ(L"3", table.Text(row, 1));
        }
        EXPECT_EQ(VT_UNKNOWN, table.Cell(0, 6)->vt);
        EXPECT_EQ(static_cast<IBrevCompInfo*>(&alpha), table.ComputerInfo(0).Get());
        EXPECT_EQ(static_cast<IBrevCompInfo*>(&bravo), table.ComputerInfo(3).Get());
        // An element without the interface holds no object and no name.
        EXPECT_FALSE(table.ComputerInfo(1));
        EXPECT_EQ(VT_EMPTY, table.Cell(1, 6)->vt);
        EXPECT_FALSE(table.ComputerInfo(2));
        // The array and the table hold one reference each.
        EXPECT_EQ(3u, alpha.References());
        table.Clear();
        EXPECT_EQ(2u, alpha.References());
        EXPECT_EQ(2u, plain.refs_);
    }
    EXPECT_EQ(1u, alpha.References());
    EXPECT_EQ(1u, bravo.References());
    EXPECT_EQ(1u, plain.refs_);
}

TEST(SelectionTableComputers, AStringElementNamesTheComputerAndAnEmptyArrayGivesAnEmptyTable) {
    UniqueVariant value;
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_VARIANT, 0, 1);
    UniqueVariant name = StringValue(L"CHARLIE");
    LONG index = 0;
    ::SafeArrayPutElement(array, &index, const_cast<VARIANT*>(&name.Get()));
    Mutable(value).vt = VT_ARRAY | VT_VARIANT;
    Mutable(value).parray = array;
    SelectionTable table;
    ASSERT_EQ(S_OK, table.SetComputers(&value.Get(), kRowChecked));
    EXPECT_EQ(std::vector<std::wstring>{L"CHARLIE"}, Column(table, 0));

    UniqueVariant none = ObjectArray({});
    ASSERT_EQ(S_OK, table.SetComputers(&none.Get(), kRowChecked));
    EXPECT_FALSE(table.Empty());
    EXPECT_EQ(0, table.RowCount());
}

TEST(SelectionTableLayout, TwoDimensionsFromZeroRowsFirst) {
    SelectionTable table;
    UniqueVariant value = StringValue(L"A,B");
    ASSERT_EQ(S_OK, table.SetComputers(&value.Get(), kRowChecked));
    SAFEARRAY* array = table.Get();
    ASSERT_TRUE(array);
    EXPECT_EQ(2u, ::SafeArrayGetDim(array));
    LONG lower = -1, upper = -1;
    EXPECT_EQ(S_OK, ::SafeArrayGetLBound(array, 1, &lower));
    EXPECT_EQ(S_OK, ::SafeArrayGetUBound(array, 1, &upper));
    EXPECT_EQ(0, lower);
    EXPECT_EQ(1, upper);
    EXPECT_EQ(S_OK, ::SafeArrayGetLBound(array, 2, &lower));
    EXPECT_EQ(S_OK, ::SafeArrayGetUBound(array, 2, &upper));
    EXPECT_EQ(0, lower);
    EXPECT_EQ(6, upper);
    // What another thread reads with the platform's own element access.
    VARIANT cell;
    ::VariantInit(&cell);
    LONG index[2] = {1, 0};  // row 1, column 0
    ASSERT_EQ(S_OK, ::SafeArrayGetElement(array, index, &cell));
    EXPECT_EQ(VT_BSTR, cell.vt);
    EXPECT_STREQ(L"B", cell.bstrVal);
    ::VariantClear(&cell);
    EXPECT_EQ(L"", table.Text(2, 0));  // past the end: nothing, no fault
    EXPECT_EQ(0u, table.State(-1));
}

TEST(SelectionTableResources, OneUncheckedServiceRowPerResource) {
    SelectionTable table;
    ASSERT_EQ(S_OK, table.SetResources({{L"Alpha Service", L"alpha"}, {L"Bravo", L"b"}}));
    EXPECT_EQ(SelectionTable::kResourceColumns, table.ColumnCount());
    EXPECT_EQ((std::vector<std::wstring>{L"Alpha Service", L"Bravo"}), Column(table, 0));
    EXPECT_EQ((std::vector<std::wstring>{L"alpha", L"b"}), Column(table, 4));
    EXPECT_EQ((std::vector<std::wstring>{L"2", L"2"}), Column(table, 1));
    EXPECT_EQ((std::vector<std::wstring>{L"4096", L"4096"}), Column(table, 2));
    EXPECT_EQ(VT_EMPTY, table.Cell(0, 3)->vt);
    EXPECT_FALSE(table.Cell(0, 5));  // no such column
}

TEST(SelectionTableReading, CollectAndJoinFollowTheMaskAndTheTableEnd) {
    struct Case {
        std::vector<ULONG> states;
        ULONG mask;
        std::vector<LONG> rows;
        std::wstring joined;
    } cases[] = {
        {{0x2000, 0x2000, 0x2000}, kRowChecked, {0, 1, 2}, L"A, B, C"},
        // The last row unchecked: the separator follows the last name.
        {{0x2000, 0x2000, 0x1000}, kRowChecked, {0, 1}, L"A, B, "},
        {{0x1000, 0x2000, 0x2000}, kRowChecked, {1, 2}, L"B, C"},
        {{0x1000, 0x1000, 0x1000}, kRowChecked, {}, L""},
        // Any bit of the mask counts; other bits do not.
        {{0x2002, 0x1002, 0x2000}, kRowSelected, {0, 1}, L"A, B, "},
        {{0x1002, 0x0000, 0x3000}, kRowChecked | kRowSelected, {0, 2}, L"A, C"},
    };
    for (const Case& c : cases) {
        SelectionTable table;
        UniqueVariant value = StringValue(L"A,B,C");
        ASSERT_EQ(S_OK, table.SetComputers(&value.Get(), 0));
        for (LONG row = 0; row < 3; ++row) table.SetState(row, c.states[static_cast<size_t>(row)]);
        EXPECT_EQ(c.rows, table.CollectRows(c.mask)) << c.joined;
        EXPECT_EQ(c.joined, table.JoinRows(c.mask, 0, L", "));
    }
    SelectionTable table;
    UniqueVariant value = StringValue(L"A,B");
    ASSERT_EQ(S_OK, table.SetComputers(&value.Get(), 0x2000));
    // Numbers as numbers: the image column and the state column.
    EXPECT_EQ(L"3;3", table.JoinRows(kRowChecked, 1, L";"));
    EXPECT_EQ(L"8192;8192", table.JoinRows(kRowChecked, 2, L";"));
    EXPECT_EQ(L";", table.JoinRows(kRowChecked, 3, L";"));
}

// --- The pages in a wizard ---------------------------------------------------

namespace {

constexpr wchar_t kCaption[] = L"Selection Wizard";

int ItemCount(HWND list) { return ListView_GetItemCount(list); }

std::wstring ListText(HWND list, int item, int subItem) {
    wchar_t text[256] = {};
    ListView_GetItemText(list, item, subItem, text, 256);
    return text;
}

UINT ListState(HWND list, int item, UINT mask) { return ListView_GetItemState(list, item, mask); }

// Selects exactly `items`; the first one gets the focus.
void Select(HWND list, const std::vector<int>& items) {
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (size_t i = 0; i < items.size(); ++i) {
        const UINT state = LVIS_SELECTED | (i == 0 ? LVIS_FOCUSED : 0);
        ListView_SetItemState(list, items[i], state, state);
    }
}

// A point of `item` on which the list's hit test reports `part`.
POINT PointOn(HWND list, int item, UINT part) {
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&bounds));
    for (LONG x = bounds.left; x < bounds.right; ++x) {
        LVHITTESTINFO hit{};
        hit.pt = {x, (bounds.top + bounds.bottom) / 2};
        if (::SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) == item && (hit.flags & LVHT_ONITEM) == part)
            return hit.pt;
    }
    ADD_FAILURE() << "no such part of item " << item;
    return {};
}

// A click as the mouse gives it, handled before this returns (sent, not
// posted, so that the list has seen it when the call comes back).
void Click(HWND list, POINT at, bool twice = false) {
    const LPARAM where = MAKELPARAM(at.x, at.y);
    ::SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, where);
    ::SendMessageW(list, WM_LBUTTONUP, 0, where);
    if (twice) {
        ::SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
        ::SendMessageW(list, WM_LBUTTONUP, 0, where);
    }
}

void ClickCheckBox(HWND list, int item) { Click(list, PointOn(list, item, LVHT_ONITEMSTATEICON)); }

std::vector<ULONG> States(const SelectionTable& table) {
    std::vector<ULONG> states;
    for (LONG row = 0; row < table.RowCount(); ++row) states.push_back(table.State(row) & kRowStateImageMask);
    return states;
}

// Cancels the wizard. The modeless run notices the closed sheet at its next
// posted message: send it one.
void Close(HWND sheet) {
    Press(sheet, PSBTN_CANCEL);
    ::PostMessageW(sheet, WM_NULL, 0, 0);
}

// The pages' message boxes (the wizard window is a dialog too).
bool IsPageBox(const SeenBox& box) {
    return box.title == L"Selection required." || box.title == L"Information" || box.title == L"Error";
}

// Answers the pages' message boxes with OK.
testsupport::ProcessDialogWatcher::Handler AnswerPageBoxes() {
    return [](HWND window, const SeenBox& seen) {
        if (IsPageBox(seen)) ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
}

std::vector<SeenBox> Boxes(testsupport::ProcessDialogWatcher& watcher) {
    std::vector<SeenBox> boxes = watcher.Stop();
    std::erase_if(boxes, [](const SeenBox& box) { return !IsPageBox(box); });
    return boxes;
}

class SelectionPages : public servicetest::LabFixture {
protected:
    // Runs a wizard of `pages` while `script` drives it from another thread;
    // the script ends the wizard.
    static void RunWizard(const std::vector<PropertyPage*>& pages, const std::function<void(HWND sheet)>& script) {
        PropertySheetHost host(nullptr, 0, PSH_WIZARD97 | PSH_MODELESS);
        host.SetCaption(kCaption);
        for (PropertyPage* page : pages) ASSERT_EQ(S_OK, host.AddPage(*page));
        sheettest::SheetDriver driver(::GetCurrentThreadId(), script);
        host.Run();
        EXPECT_TRUE(driver.Join());
    }
};

}  // namespace

TEST_F(SelectionPages, TheListShowsTheTableAndCheckBoxClicksFollowTheSelection) {
    ComputerListPage computers;
    ResourceListPage resources;
    UniqueVariant value = StringValue(L"ALPHA,BRAVO,CHARLIE,DELTA");
    ASSERT_EQ(S_OK, computers.SetComputers(&value.Get(), kRowChecked));
    RunWizard({&computers, &resources}, [&](HWND sheet) {
        HWND list = computers.List();
        ASSERT_TRUE(WaitUntil([&] { return ItemCount(list) == 4; }));
        EXPECT_EQ(L"CHARLIE", ListText(list, 2, 0));
        EXPECT_EQ(0x2000u, ListState(list, 0, LVIS_STATEIMAGEMASK));
        EXPECT_TRUE(::GetWindowLongW(list, GWL_STYLE) & LVS_OWNERDATA);
        EXPECT_TRUE(::SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES);
        EXPECT_FALSE(::IsWindowVisible(computers.Item(IDC_SELECTION_SET)));
        EXPECT_FALSE(::IsWindowEnabled(computers.Item(IDC_SELECTION_SET)));
        LVITEMW image{};
        image.mask = LVIF_IMAGE;
        image.iItem = 1;
        ::SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&image));
        EXPECT_EQ(3, image.iImage);

        // A row that is not selected toggles alone.
        Select(list, {0});
        ClickCheckBox(list, 3);
        EXPECT_EQ((std::vector<ULONG>{0x2000, 0x2000, 0x2000, 0x1000}), States(computers.Table()));
        EXPECT_EQ(0x1000u, ListState(list, 3, LVIS_STATEIMAGEMASK));
        // A selected row toggles every selected row, each by its own state.
        Select(list, {1, 3});
        ClickCheckBox(list, 1);
        EXPECT_EQ((std::vector<ULONG>{0x2000, 0x1000, 0x2000, 0x2000}), States(computers.Table()));
        Select(list, {0, 1, 2});
        ClickCheckBox(list, 2);
        EXPECT_EQ((std::vector<ULONG>{0x1000, 0x2000, 0x1000, 0x2000}), States(computers.Table()));
        EXPECT_EQ(L"\r\nComputers Selected:\r\n\tBRAVO\r\n\tDELTA", computers.SummaryText());
        Close(sheet);
    });
}

TEST_F(SelectionPages, ContextMenuChecksAndUnchecksTheSelectedRows) {
    ComputerListPage computers;
    ResourceListPage resources;
    UniqueVariant value = StringValue(L"A,B,C,D");
    ASSERT_EQ(S_OK, computers.SetComputers(&value.Get(), kRowUnchecked));
    // The right click at the end: menu 240 with its two items, picked on the
    // page's thread (the second item: Uncheck).
    viewtest::MenuPicker picker(1);
    RunWizard({&computers, &resources}, [&](HWND sheet) {
        HWND list = computers.List();
        ASSERT_TRUE(WaitUntil([&] { return ItemCount(list) == 4; }));
        Select(list, {0, 2, 3});
        ::SendMessageW(computers.Window(), WM_COMMAND, MAKEWPARAM(ID_SELECTION_CHECK, 0), 0);
        EXPECT_EQ((std::vector<ULONG>{0x2000, 0x1000, 0x2000, 0x2000}), States(computers.Table()));
        Select(list, {2, 1});
        ::SendMessageW(computers.Window(), WM_COMMAND, MAKEWPARAM(ID_SELECTION_UNCHECK, 0), 0);
        EXPECT_EQ((std::vector<ULONG>{0x2000, 0x1000, 0x1000, 0x2000}), States(computers.Table()));
        Select(list, {3, 0});
        const POINT at = PointOn(list, 3, LVHT_ONITEMLABEL);
        ::PostMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
        ::PostMessageW(list, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        EXPECT_TRUE(WaitUntil([&] { return (computers.Table().State(3) & kRowStateImageMask) == kRowUnchecked; }));
        EXPECT_EQ((std::vector<ULONG>{0x1000, 0x1000, 0x1000, 0x1000}), States(computers.Table()));
        Close(sheet);
    });
    EXPECT_EQ((std::vector<std::wstring>{L"Check", L"Uncheck"}), picker.Stop());
}

TEST_F(SelectionPages, NextNeedsACheckedComputerThenRunsTheHook) {
    ComputerListPage computers;
    ResourceListPage resources;
    UniqueVariant value = StringValue(L"A,B");
    ASSERT_EQ(S_OK, computers.SetComputers(&value.Get(), kRowUnchecked));
    int hookRuns = 0;
    computers.SetNextHook([&]() -> LRESULT { return ++hookRuns == 1 ? -1 : 0; });
    testsupport::ProcessDialogWatcher watcher(AnswerPageBoxes());
    HWND sheetWindow = nullptr;
    bool stayed = false, stayedForHook = false, movedOn = false;
    RunWizard({&computers, &resources}, [&](HWND sheet) {
        sheetWindow = sheet;
        HWND list = computers.List();
        ASSERT_TRUE(WaitUntil([&] { return ItemCount(list) == 2; }));
        HWND first = CurrentPage(sheet);
        Press(sheet, PSBTN_NEXT);
        stayed = CurrentPage(sheet) == first;
        Select(list, {});
        ClickCheckBox(list, 1);
        Press(sheet, PSBTN_NEXT);  // the hook keeps the page once
        stayedForHook = CurrentPage(sheet) == first;
        Press(sheet, PSBTN_NEXT);
        movedOn = CurrentPage(sheet) == resources.Window();
        Close(sheet);
    });
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(stayedForHook);
    EXPECT_TRUE(movedOn);
    EXPECT_EQ(2, hookRuns);
    const std::vector<SeenBox> boxes = Boxes(watcher);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Selection required.", boxes[0].title);
    EXPECT_EQ(L"You must select one or more computers.", boxes[0].text);
    EXPECT_EQ(sheetWindow, boxes[0].owner);
    EXPECT_EQ(L"\r\nComputers Selected:\r\n\tB", computers.SummaryText());
}

TEST_F(SelectionPages, NextWithoutATableSaysSoToo) {
    ComputerListPage computers;
    ResourceListPage resources;
    testsupport::ProcessDialogWatcher watcher(AnswerPageBoxes());
    bool stayed = false;
    RunWizard({&computers, &resources}, [&](HWND sheet) {
        HWND first = CurrentPage(sheet);
        Press(sheet, PSBTN_NEXT);
        stayed = CurrentPage(sheet) == first;
        Close(sheet);
    });
    EXPECT_TRUE(stayed);
    const std::vector<SeenBox> boxes = Boxes(watcher);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"You must select one or more computers.", boxes[0].text);
}

TEST_F(SelectionPages, SourceModeMarksTheSourceAndSetMovesIt) {
    ComputerListPage computers;
    ResourceListPage resources;
    computers.SetSourceMode(true);
    UniqueVariant value = StringValue(L"ALPHA,BRAVO,CHARLIE");
    ASSERT_EQ(S_OK, computers.SetComputers(&value.Get(), kRowChecked));
    testsupport::ProcessDialogWatcher watcher(AnswerPageBoxes());
    std::vector<std::wstring> lines;
    RunWizard({&computers, &resources}, [&](HWND sheet) {
        HWND page = computers.Window();
        HWND list = computers.List();
        ASSERT_TRUE(WaitUntil([&] { return ItemCount(list) == 3; }));
        HWND set = computers.Item(IDC_SELECTION_SET);
        EXPECT_TRUE(::IsWindowVisible(set) && ::IsWindowEnabled(set));
        EXPECT_EQ(L"Set", testsupport::WindowText(set));
        EXPECT_EQ(LVIS_FOCUSED | LVIS_SELECTED, ListState(list, 0, LVIS_FOCUSED | LVIS_SELECTED));
        lines.push_back(testsupport::ItemText(page, IDC_SELECTION_SOURCE));
        EXPECT_EQ(L"Resource list source computer", ListText(list, 0, 1));
        EXPECT_EQ(L"", ListText(list, 1, 1));
        // The name column takes a third of the width, the marker the rest.
        const int name = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
        const int marker = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0));
        EXPECT_NEAR(2 * name, marker, 2);

        // Nothing focused and selected: the user is told to pick one.
        Select(list, {});
        ::SendMessageW(set, BM_CLICK, 0, 0);
        EXPECT_EQ(0, computers.SourceRow());
        Select(list, {2});
        ::SendMessageW(set, BM_CLICK, 0, 0);
        lines.push_back(testsupport::ItemText(page, IDC_SELECTION_SOURCE));
        EXPECT_EQ(L"", ListText(list, 0, 1));
        EXPECT_EQ(L"Resource list source computer", ListText(list, 2, 1));
        // A double click on a name moves the selection there and sets it.
        Select(list, {0});
        Click(list, PointOn(list, 1, LVHT_ONITEMLABEL), true);
        lines.push_back(testsupport::ItemText(page, IDC_SELECTION_SOURCE));
        EXPECT_EQ(LVIS_FOCUSED | LVIS_SELECTED, ListState(list, 1, LVIS_FOCUSED | LVIS_SELECTED));
        EXPECT_EQ(0u, ListState(list, 0, LVIS_SELECTED));
        Close(sheet);
    });
    EXPECT_EQ((std::vector<std::wstring>{L"Resource list source computer: ALPHA",
                                         L"Resource list source computer: CHARLIE",
                                         L"Resource list source computer: BRAVO"}),
              lines);
    EXPECT_EQ(1, computers.SourceRow());
    EXPECT_EQ(L"BRAVO", computers.SourceComputer());
    EXPECT_EQ(L"Resource list source computer", computers.Table().Text(1, 5));
    EXPECT_EQ(L"", computers.Table().Text(2, 5));
    const std::vector<SeenBox> boxes = Boxes(watcher);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Information", boxes[0].title);
    EXPECT_EQ(L"Select the computer whose resources are to be listed, then click Set.", boxes[0].text);
}

TEST_F(SelectionPages, TheRegistryKindHasItsOwnSetMessageAndNextNeedsANamedSource) {
    ComputerListPage computers(IDS_KIND_REGISTRY);
    ResourceListPage resources;
    computers.SetSourceMode(true);
    UniqueVariant value = StringValue(L"ALPHA,BRAVO");
    ASSERT_EQ(S_OK, computers.SetComputers(&value.Get(), kRowChecked));
    testsupport::ProcessDialogWatcher watcher(AnswerPageBoxes());
    bool stayed = false;
    std::wstring line;
    RunWizard({&computers, &resources}, [&](HWND sheet) {
        HWND list = computers.List();
        ASSERT_TRUE(WaitUntil([&] { return ItemCount(list) == 2; }));
        line = testsupport::ItemText(computers.Window(), IDC_SELECTION_SOURCE);
        Select(list, {});
        ::SendMessageW(computers.Item(IDC_SELECTION_SET), BM_CLICK, 0, 0);
        // A source row without a name cannot be the source.
        computers.Table().SetText(0, 0, nullptr);
        HWND first = CurrentPage(sheet);
        Press(sheet, PSBTN_NEXT);
        stayed = CurrentPage(sheet) == first;
        Close(sheet);
    });
    EXPECT_EQ(L"Registry list source computer: ALPHA", line);
    EXPECT_TRUE(stayed);
    std::wstring name;
    EXPECT_EQ(E_FAIL, computers.ReadSourceComputer(name));
    const std::vector<SeenBox> boxes = Boxes(watcher);
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(L"Information", boxes[0].title);
    EXPECT_EQ(L"Select the computer whose registry entries are to be read, then click Set.", boxes[0].text);
    EXPECT_EQ(L"Error", boxes[1].title);
    EXPECT_EQ(ComposeErrorMessage(static_cast<DWORD>(E_FAIL), L"The resource source computer could not be identified."),
              boxes[1].text);

    ComputerListPage empty;
    EXPECT_EQ(E_POINTER, empty.ReadSourceComputer(name));
    EXPECT_TRUE(IsRegistryKind(L"REGISTRY"));
    EXPECT_FALSE(IsRegistryKind(L"Resource"));
}

// --- The resource list against the lab -------------------------------------

namespace {

constexpr char kNetwork[] = R"({"domain":{"name":"T"},"interactiveUser":"T\\u",
    "accounts":[{"name":"T\\u","password":"p"}],
    "computers":[{"name":"H","administrators":["T\\u"],"services":[
      {"name":"alpha","displayName":"Alpha Service"},
      {"name":"bravo","displayName":"Bravo Service"},
      {"name":"charlie","displayName":"Charlie Service"}]},
     {"name":"E","administrators":["T\\u"],"services":[]}]})";

}  // namespace

class ResourceList : public SelectionPages {
protected:
    void SetUp() override {
        SelectionPages::SetUp();
        ASSERT_EQ(0u, lab::LoadScenarioText(kNetwork));
    }
};

TEST_F(ResourceList, TheSourceComputersServicesBecomeUncheckedRows) {
    ResourceListPage page;
    UniqueVariant computer = StringValue(L"H");
    ASSERT_EQ(S_OK, page.SetSourceComputer(&computer.Get()));
    const SelectionTable& table = page.Table();
    ASSERT_EQ(3, table.RowCount());
    EXPECT_EQ(SelectionTable::kResourceColumns, table.ColumnCount());
    std::vector<std::wstring> display = Column(table, 0), names = Column(table, 4);
    std::sort(display.begin(), display.end());
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::wstring>{L"Alpha Service", L"Bravo Service", L"Charlie Service"}), display);
    EXPECT_EQ((std::vector<std::wstring>{L"alpha", L"bravo", L"charlie"}), names);
    for (LONG row = 0; row < 3; ++row) {
        EXPECT_EQ(kRowUnchecked, table.State(row));
        EXPECT_EQ(L"2", table.Text(row, 1));
    }
    // A computer without services gives an empty table, not an error.
    UniqueVariant empty = StringValue(L"E");
    EXPECT_EQ(S_OK, page.SetSourceComputer(&empty.Get()));
    EXPECT_EQ(0, page.Table().RowCount());
}

TEST_F(ResourceList, WrongValuesAndUnreachableManagersLeaveTheListEmpty) {
    ResourceListPage page;
    UniqueVariant computer = StringValue(L"H");
    ASSERT_EQ(S_OK, page.SetSourceComputer(&computer.Get()));
    UniqueVariant number;
    Mutable(number).vt = VT_I4;
    UniqueVariant nullString = StringValue(nullptr);
    EXPECT_EQ(E_POINTER, page.SetSourceComputer(nullptr));
    EXPECT_EQ(E_INVALIDARG, page.SetSourceComputer(&number.Get()));
    EXPECT_EQ(E_POINTER, page.SetSourceComputer(&nullString.Get()));

    struct Case {
        const char* function;
        DWORD error;
        HRESULT result;
    } cases[] = {
        {"OpenSCManagerW", ERROR_ACCESS_DENIED, E_ACCESSDENIED},
        {"OpenSCManagerW", RPC_S_SERVER_UNAVAILABLE, HResultFromWin32(RPC_S_SERVER_UNAVAILABLE)},
        {"EnumServicesStatusExW", ERROR_ACCESS_DENIED, E_ACCESSDENIED},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(S_OK, page.SetSourceComputer(&computer.Get()));
        LabAddFault(L"H", c.function, c.error, 1, 1);
        testsupport::MessageBoxAnswerer answerer(::GetCurrentThreadId(), IDOK);
        EXPECT_EQ(c.result, page.SetSourceComputer(&computer.Get())) << c.function;
        EXPECT_EQ(0, page.Table().RowCount()) << c.function;
        const std::vector<SeenBox> boxes = answerer.Stop();
        ASSERT_EQ(1u, boxes.size()) << c.function;
        EXPECT_EQ(L"Error", boxes[0].title);
        EXPECT_EQ(ComposeErrorMessage(static_cast<DWORD>(c.result), L"Failed to create SCM"), boxes[0].text);
    }
    // A service whose configuration cannot be read is listed by its name.
    LabAddFault(L"H", "QueryServiceConfigW", ERROR_ACCESS_DENIED, 1, 1);
    ASSERT_EQ(S_OK, page.SetSourceComputer(&computer.Get()));
    std::vector<std::wstring> display = Column(page.Table(), 0);
    EXPECT_EQ(1, std::count_if(display.begin(), display.end(),
                               [](const std::wstring& text) { return text.find(L"Service") == std::wstring::npos; }));
}

TEST_F(ResourceList, FilledFromTheSourceComputerOnNextAndSummarised) {
    ComputerListPage computers;
    ResourceListPage resources;
    computers.SetSourceMode(true);
    UniqueVariant value = StringValue(L"E,H");
    ASSERT_EQ(S_OK, computers.SetComputers(&value.Get(), kRowChecked));
    HRESULT listed = E_FAIL;
    computers.SetNextHook([&]() -> LRESULT {
        UniqueVariant source = StringValue(computers.SourceComputer().c_str());
        listed = resources.SetSourceComputer(&source.Get());
        return SUCCEEDED(listed) ? 0 : -1;
    });
    testsupport::ProcessDialogWatcher watcher(AnswerPageBoxes());
    std::wstring selectedSummary, checkedSummary;
    HWND sheetWindow = nullptr;
    RunWizard({&computers, &resources}, [&](HWND sheet) {
        sheetWindow = sheet;
        HWND list = computers.List();
        ASSERT_TRUE(WaitUntil([&] { return ItemCount(list) == 2; }));
        Select(list, {1});
        ::SendMessageW(computers.Item(IDC_SELECTION_SET), BM_CLICK, 0, 0);
        // The services page has no window yet: its box still belongs to the
        // wizard.
        LabAddFault(L"H", "OpenSCManagerW", ERROR_ACCESS_DENIED, 1, 1);
        Press(sheet, PSBTN_NEXT);
        EXPECT_EQ(E_ACCESSDENIED, listed);
        EXPECT_EQ(computers.Window(), CurrentPage(sheet));
        Press(sheet, PSBTN_NEXT);
        ASSERT_EQ(resources.Window(), CurrentPage(sheet));
        HWND services = resources.List();
        ASSERT_TRUE(WaitUntil([&] { return ItemCount(services) == 3; }));
        EXPECT_EQ(0x1000u, ListState(services, 0, LVIS_STATEIMAGEMASK));
        // Nothing checked yet: the page says so and stays.
        Press(sheet, PSBTN_NEXT);
        EXPECT_EQ(resources.Window(), CurrentPage(sheet));
        Select(services, {0, 2});
        ClickCheckBox(services, 2);
        selectedSummary = resources.SummaryText();
        resources.SetServicesSummary(true);
        checkedSummary = resources.SummaryText();
        Close(sheet);
    });
    const SelectionTable& table = resources.Table();
    const std::wstring first = table.Text(0, 0), third = table.Text(2, 0);
    EXPECT_EQ(L"Resources Selected:\r\n\t" + first + L"\r\n\t" + third, selectedSummary);
    EXPECT_EQ(L"Services Selected:\r\n\t" + first + L"\r\n\t" + third, checkedSummary);
    const std::vector<SeenBox> boxes = Boxes(watcher);
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(L"Error", boxes[0].title);
    EXPECT_EQ(sheetWindow, boxes[0].owner);
    EXPECT_EQ(L"You must select one or more resources.", boxes[1].text);
    EXPECT_EQ(L"Selection required.", boxes[1].title);
}
